// The control's events as a container receives them: the rules of its two connection points,
// OnCreate once per control, OnKeyPress by reference, and sinks that fail.

#include "tests/control/container_fakes.h"

#include <algorithm>

namespace tavo::control_tests {
namespace {

bool Fired(const TFakeSink& sink, DISPID id) {
    return std::find(sink.Fired.begin(), sink.Fired.end(), id) != sink.Fired.end();
}

TEST_F(ControlTest, EventPointTakesOneSinkAtATime) {
    auto point = EventPoint();
    TFakeSink first, second;
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(point->Advise(&first, &firstCookie), S_OK);
    EXPECT_EQ(point->Advise(&second, &secondCookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(point->Unadvise(firstCookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
    EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(first.Refs, 1u);
    EXPECT_EQ(point->Advise(&second, &secondCookie), S_OK);
}

TEST_F(ControlTest, EventPointRefusesSinkWithoutTheEventInterface) {
    TFakeSink sink;
    sink.Events = false;
    DWORD cookie = 0;
    EXPECT_EQ(EventPoint()->Advise(&sink, &cookie), E_NOINTERFACE);
    EXPECT_EQ(sink.Refs, 1u);
}

TEST_F(ControlTest, PropertyNotificationPointTakesSeveralSinks) {
    class TNotifySink : public TFake<IPropertyNotifySink> {
    public:
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
            *result = iid == IID_IUnknown || iid == IID_IPropertyNotifySink ? this : nullptr;
            if (*result == nullptr)
                return E_NOINTERFACE;
            AddRef();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
    } sinks[3];
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(As<IConnectionPointContainer>()->FindConnectionPoint(IID_IPropertyNotifySink, &point),
              S_OK);
    DWORD cookies[3] = {};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(point->Advise(&sinks[i], &cookies[i]), S_OK) << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(point->Unadvise(cookies[i]), S_OK) << i;
}

TEST_F(ControlTest, OnCreateReachesTheFirstSinkOfEachControlOnly) {
    TFakeSink first, later, otherControls;
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&first, &cookie), S_OK);
    EXPECT_EQ(first.Fired, std::vector<DISPID>{203});
    ASSERT_EQ(EventPoint()->Unadvise(cookie), S_OK);
    ASSERT_EQ(EventPoint()->Advise(&later, &cookie), S_OK);
    EXPECT_FALSE(Fired(later, 203));
    EXPECT_EQ(EventPoint()->Unadvise(cookie), S_OK);

    ComPtr<IOleObject> other = Create();
    ASSERT_EQ(EventPoint(other.Get())->Advise(&otherControls, &cookie), S_OK);
    EXPECT_EQ(otherControls.Fired, std::vector<DISPID>{203});
}

// A character typed into the form reaches the sink by reference: what the sink leaves there
// is what the form goes on with, 0 swallowing it.
TEST_F(ControlTest, OnKeyPressPassesTheKeyByReference) {
    Activate();
    TFakeSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    for (SHORT reply : {0, 0x141, -1}) {
        sink.KeyReply = reply;
        sink.Keys.clear();
        SendMessageW(Form(), WM_CHAR, 'x', 1);
        EXPECT_EQ(sink.Keys, std::vector<SHORT>{'x'}) << reply;
    }
}

TEST_F(ControlTest, FailingSinkDisturbsNothing) {
    Activate();
    TFakeSink sink;
    sink.InvokeResult = E_FAIL;
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    HWND form = Form();
    SendMessageW(form, WM_CHAR, 'x', 1);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    Pump();
    EXPECT_TRUE(Fired(sink, 207));
    EXPECT_TRUE(Fired(sink, 208));
    BSTR caption = nullptr;
    EXPECT_EQ(As<ITavo>()->get_Caption(&caption), S_OK);
    SysFreeString(caption);
    EXPECT_TRUE(IsWindowVisible(form));
}

} // namespace
} // namespace tavo::control_tests
