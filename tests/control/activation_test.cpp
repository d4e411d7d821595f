// The order in which the control calls its container while it activates and deactivates in
// place, as a page's browser sees it, and where its window ends up.

#include "tests/control/container_fakes.h"

#include <gmock/gmock.h>

#include <array>

namespace tavo::control_tests {
namespace {

using Calls = std::vector<std::string>;
using ::testing::ElementsAreArray;

const Calls InPlace = {"Site.CanInPlaceActivate", "Site.OnInPlaceActivate", "Site.GetWindow",
                       "Site.GetWindowContext", "Site.ShowObject"};
const Calls UiActivation = {"Site.OnUIActivate", "Frame.SetActiveObject(object)",
                            "Doc.SetActiveObject(object)", "Frame.SetBorderSpace(null)",
                            "Doc.SetBorderSpace(null)"};
const Calls UiDeactivation = {"Doc.SetActiveObject(null)", "Frame.SetActiveObject(null)",
                              "Site.OnUIDeactivate(FALSE)"};

Calls Join(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using TCorners = std::array<LONG, 4>;

TCorners Corners(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

TCorners PlaceIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return Corners(rect);
}

struct TActivationCase {
    const char* Name;
    LONG Verb;
    HRESULT CanActivate;
    bool OffersFrame;
    HRESULT Result;
    Calls Expected;
};

class ActivationTest : public ControlTest, public ::testing::WithParamInterface<TActivationCase> {};

TEST_P(ActivationTest, CallsTheContainerInOrder) {
    const TActivationCase& c = GetParam();
    site.CanActivate = c.CanActivate;
    site.OffersFrame = c.OffersFrame;
    SiteIt();
    ULONG siteRefs = site.Refs;
    log.Expect(c.Expected);
    EXPECT_EQ(DoVerb(c.Verb), c.Result);
    EXPECT_THAT(log.Calls(), ElementsAreArray(c.Expected));
    Pump();

    HWND form = Form();
    if (SUCCEEDED(c.Result)) {
        EXPECT_EQ(GetParent(form), site.Container);
        EXPECT_TRUE(IsWindowVisible(form));
        EXPECT_EQ(PlaceIn(form, site.Container), Corners(site.Position));
        // Asked again, an active control has nothing more to ask of its container.
        log.Expect({});
        EXPECT_EQ(DoVerb(c.Verb), S_OK);
        EXPECT_THAT(log.Calls(), ::testing::IsEmpty());
        return;
    }
    // Nothing stays active: deactivating has nothing to undo, and no site is kept.
    EXPECT_NE(GetParent(form), site.Container);
    EXPECT_EQ(site.Refs, siteRefs);
    EXPECT_EQ(site.Frame.Refs, 1u);
    log.Expect({});
    EXPECT_EQ(As<IOleInPlaceObject>()->InPlaceDeactivate(), S_OK);
    EXPECT_THAT(log.Calls(), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, ActivationTest,
    ::testing::Values(
        TActivationCase{"InPlace", OLEIVERB_INPLACEACTIVATE, S_OK, true, S_OK, InPlace},
        TActivationCase{"UiActivate", OLEIVERB_UIACTIVATE, S_OK, true, S_OK,
                        Join(InPlace, UiActivation)},
        TActivationCase{"Show", OLEIVERB_SHOW, S_OK, true, S_OK, Join(InPlace, UiActivation)},
        TActivationCase{"RefusedBySite",
                        OLEIVERB_UIACTIVATE,
                        S_FALSE,
                        true,
                        E_FAIL,
                        {"Site.CanInPlaceActivate"}},
        TActivationCase{"NoFrame",
                        OLEIVERB_UIACTIVATE,
                        S_OK,
                        false,
                        E_FAIL,
                        {"Site.CanInPlaceActivate", "Site.OnInPlaceActivate", "Site.GetWindow",
                         "Site.GetWindowContext", "Site.OnInPlaceDeactivate"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ControlTest, ActivationWithoutSiteFails) {
    log.Expect({});
    EXPECT_EQ(
        control->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, site.Container, &site.Position),
        E_FAIL);
    EXPECT_NE(GetParent(Form()), site.Container);
}

TEST_F(ControlTest, DeactivationUndoesActivationStepByStep) {
    SiteIt();
    ULONG siteRefs = site.Refs;
    log.Expect(Join(InPlace, UiActivation));
    ASSERT_EQ(DoVerb(OLEIVERB_UIACTIVATE), S_OK);
    Pump();
    HWND form = Form();
    auto inPlace = As<IOleInPlaceObject>();

    log.Expect(UiDeactivation);
    EXPECT_EQ(inPlace->UIDeactivate(), S_OK);
    EXPECT_THAT(log.Calls(), ElementsAreArray(UiDeactivation));
    EXPECT_EQ(GetParent(form), site.Container);

    log.Expect({"Site.OnInPlaceDeactivate"});
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_THAT(log.Calls(), ElementsAreArray(Calls{"Site.OnInPlaceDeactivate"}));
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_NE(GetParent(form), site.Container);
    EXPECT_EQ(site.Refs, siteRefs);
    EXPECT_EQ(site.Frame.Refs, 1u);
    EXPECT_EQ(site.Document.Refs, 1u);

    // Activated again, it shows at the container's new place for it.
    site.Position = {40, 30, 280, 150};
    log.Expect(InPlace);
    EXPECT_EQ(DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(PlaceIn(form, site.Container), Corners(site.Position));
}

TEST_F(ControlTest, InPlaceDeactivationFromUiActiveDeactivatesTheUiFirst) {
    Activate(OLEIVERB_UIACTIVATE);
    const Calls expected = Join(UiDeactivation, {"Site.OnInPlaceDeactivate"});
    log.Expect(expected);
    EXPECT_EQ(As<IOleInPlaceObject>()->InPlaceDeactivate(), S_OK);
    EXPECT_THAT(log.Calls(), ElementsAreArray(expected));
}

// A click on the in-place active control makes it UI active, but only where the page is in
// use rather than being designed.
TEST_F(ControlTest, MouseActivationUiActivatesInUserModeOnly) {
    for (bool userMode : {false, true}) {
        SCOPED_TRACE(userMode);
        Activate(OLEIVERB_INPLACEACTIVATE);
        site.UserMode = userMode;
        const Calls expected = userMode ? UiActivation : Calls{};
        log.Expect(expected);
        SendMessageW(Form(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(site.Container),
                     MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
        EXPECT_THAT(log.Calls(), ElementsAreArray(expected));
        log.ExpectAnything();
        As<IOleInPlaceObject>()->InPlaceDeactivate();
    }
}

TEST_F(ControlTest, HidingTheUiActiveFormDeactivatesTheUi) {
    Activate(OLEIVERB_UIACTIVATE);
    log.Expect(UiDeactivation);
    EXPECT_EQ(DoVerb(OLEIVERB_HIDE), S_OK);
    EXPECT_THAT(log.Calls(), ElementsAreArray(UiDeactivation));
    EXPECT_FALSE(IsWindowVisible(Form()));
}

} // namespace
} // namespace tavo::control_tests
