// What escapes the work of an activation or connection-point method becomes its result: a
// C++ error must never unwind into the container's frames.

#include "control/ole_error.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>

namespace tavo::control_tests {
namespace {

TEST(GuardedCall, TurnsWhatEscapesIntoTheMethodsResult) {
    const struct {
        const char* Name;
        std::function<HRESULT()> Work;
        HRESULT Expected;
    } cases[] = {
        {"own result", [] { return S_FALSE; }, S_FALSE},
        {"out of memory", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"OLE error", []() -> HRESULT { throw control::EOleSysError(CONNECT_E_NOCONNECTION, "x"); },
         CONNECT_E_NOCONNECTION},
        {"OLE error with a success code",
         []() -> HRESULT { throw control::EOleSysError(S_FALSE, "x"); }, E_UNEXPECTED},
        {"any other error", []() -> HRESULT { throw std::runtime_error("x"); }, E_UNEXPECTED},
        {"not even an exception", []() -> HRESULT { throw 1; }, E_UNEXPECTED},
    };
    for (const auto& c : cases)
        EXPECT_EQ(control::GuardedCall(c.Work), c.Expected) << c.Name;
}

} // namespace
} // namespace tavo::control_tests
