// Wine's own ActiveX host window class loads the control by its ProgID and activates it in
// place: a host nobody in this project wrote finds the control through the registry and
// reaches its automation interface. The control must be registered first (see CMakeLists).

#include <windows.h>

#include <ole2.h>

#include <gtest/gtest.h>

namespace {

const wchar_t chineseEditionProgId[] = L"TavoProj1.Tavo";
const DISPID setLoginId = 217;

// No import library for atl.dll comes with the cross compilers: take its entry points by name.
using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxGetControlFunction = HRESULT(WINAPI*)(HWND, IUnknown**);

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

TEST(AtlHost, HostWindowCreatesAndActivatesTheControlByProgId) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HMODULE atl = LoadLibraryW(L"atl.dll");
    ASSERT_NE(atl, nullptr);
    auto init = reinterpret_cast<AtlAxWinInitFunction>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<AtlAxGetControlFunction>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_TRUE(init != nullptr && getControl != nullptr);
    ASSERT_TRUE(init());

    HWND host =
        CreateWindowExW(0, L"AtlAxWin", chineseEditionProgId, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                        0, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr) << "error " << GetLastError();
    PumpFor(300);

    IUnknown* control = nullptr;
    ASSERT_EQ(getControl(host, &control), S_OK);
    ASSERT_NE(control, nullptr);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    wchar_t name[] = L"SetLogin";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, setLoginId);
    // Activated in place: the control's window is a child of the host window.
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);

    dispatch->Release();
    control->Release();
    DestroyWindow(host);
    PumpFor(100);
    OleUninitialize();
}

} // namespace
