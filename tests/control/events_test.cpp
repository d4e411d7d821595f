// The control's events as a container receives them: the rules of its two connection points,
// OnCreate once per control, OnKeyPress by reference, and sinks that fail.

#include "tests/control/container_fakes.h"

#include <algorithm>
#include <iterator>

namespace tavo::control_tests {
namespace {

bool Fired(const TFakeSink& sink, DISPID id) {
    return std::find(sink.Fired.begin(), sink.Fired.end(), id) != sink.Fired.end();
}

TEST_F(ControlTest, EventPointTakesOneSinkAtATime) {
    auto point = EventPoint();
    TFakeSink first;
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(point->Advise(&first, &firstCookie), S_OK);
    EXPECT_EQ(point->Advise(&sink, &secondCookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(point->Unadvise(firstCookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
    EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(first.Refs, 1u);
    EXPECT_EQ(point->Advise(&sink, &secondCookie), S_OK);
}

TEST_F(ControlTest, EventPointRefusesSinkWithoutTheEventInterface) {
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
    TFakeSink first, later;
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&first, &cookie), S_OK);
    EXPECT_EQ(first.Fired, std::vector<DISPID>{203});
    ASSERT_EQ(EventPoint()->Unadvise(cookie), S_OK);
    ASSERT_EQ(EventPoint()->Advise(&later, &cookie), S_OK);
    EXPECT_FALSE(Fired(later, 203));
    EXPECT_EQ(EventPoint()->Unadvise(cookie), S_OK);

    ComPtr<IOleObject> other = Create();
    ASSERT_EQ(EventPoint(other.Get())->Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(sink.Fired, std::vector<DISPID>{203});
}

// A page's browser hands over its site and sinks in one call.
TEST_F(ControlTest, QuickActivationSitesTheControlAndConnectsItsEvents) {
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pUnkEventSink = &sink;
    container.dwAmbientFlags = QACONTAINER_USERMODE;
    QACONTROL answer{};
    answer.cbSize = sizeof answer;
    log.Expect({});
    ASSERT_EQ(As<IQuickActivate>()->QuickActivate(&container, &answer), S_OK);
    EXPECT_EQ(answer.dwMiscStatus, 0x32191u);
    EXPECT_EQ(sink.Fired, std::vector<DISPID>{203});
    ComPtr<IOleClientSite> given;
    EXPECT_EQ(control->GetClientSite(&given), S_OK);
    EXPECT_EQ(given.Get(), static_cast<IOleClientSite*>(&site));
    EXPECT_EQ(EventPoint()->Unadvise(answer.dwEventCookie), S_OK);
}

// The form's click and double-click as a container sees them: a press and release on the form
// is a click, and a double-click is one click and then the double-click.
TEST_F(ControlTest, DoubleClickOnTheFormIsOneClickAndTheDoubleClick) {
    Activate();
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    sink.Fired.clear();
    // A release whose press went elsewhere is no click.
    for (UINT message :
         {WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageW(Form(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(3, 3));
    std::vector<DISPID> clicks;
    std::copy_if(sink.Fired.begin(), sink.Fired.end(), std::back_inserter(clicks),
                 [](DISPID id) { return id == 202 || id == 204; });
    EXPECT_EQ(clicks, (std::vector<DISPID>{202, 204}));
}

// A character typed into the form reaches the sink by reference: what the sink leaves there
// is what the form goes on with, 0 swallowing it.
TEST_F(ControlTest, OnKeyPressPassesTheKeyByReference) {
    Activate();
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    for (SHORT reply : {0, 0x141, -1}) {
        sink.KeyReply = reply;
        sink.Keys.clear();
        SendMessageW(Form(), WM_CHAR, 'x', 1);
        EXPECT_EQ(sink.Keys, std::vector<SHORT>{'x'}) << reply;
    }
}

// With KeyPreview the sink sees a character typed into a widget before the widget does; the
// container then dispatches what the sink left, or nothing.
TEST_F(ControlTest, OnKeyPressPreviewsWidgetKeysInTheContainersLoop) {
    Activate();
    ASSERT_EQ(As<ITavo>()->put_KeyPreview(VARIANT_TRUE), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    HWND widget = GetWindow(Form(), GW_CHILD);
    ASSERT_NE(widget, nullptr);
    auto active = As<IOleInPlaceActiveObject>();

    sink.KeyReply = 0;
    MSG swallowed{widget, WM_CHAR, 'x', 1, 0, {}};
    log.Expect({});
    EXPECT_EQ(active->TranslateAccelerator(&swallowed), S_OK);

    sink.KeyReply = 0x141;
    MSG changed{widget, WM_CHAR, 'x', 1, 0, {}};
    const std::string passedOn = "Site.TranslateAccelerator(" + std::to_string(WM_CHAR) + " 65)";
    log.Expect({passedOn});
    EXPECT_EQ(active->TranslateAccelerator(&changed), S_FALSE);
    EXPECT_EQ(changed.wParam, WPARAM('A'));
    EXPECT_EQ(log.Calls(), std::vector<std::string>{passedOn});
    EXPECT_EQ(sink.Keys, (std::vector<SHORT>{'x', 'x'}));
}

TEST_F(ControlTest, FailingSinkDisturbsNothing) {
    Activate();
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
