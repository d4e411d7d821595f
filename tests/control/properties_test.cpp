// What a page sets and reads on the control: property-bag persistence, safety options,
// extents and clipping, verbs, and automation results and errors.

#include "tests/control/container_fakes.h"

#include <gmock/gmock.h>

namespace tavo::control_tests {
namespace {

using ::testing::ElementsAreArray;

const std::vector<std::wstring> Persisted = {
    L"Visible",        L"AutoScroll", L"AutoSize",   L"AxBorderStyle", L"Caption",
    L"Color",          L"Font",       L"KeyPreview", L"PixelsPerInch", L"PrintScale",
    L"Scaled",         L"DropTarget", L"HelpFile",   L"ScreenSnap",    L"SnapBuffer",
    L"DoubleBuffered", L"Enabled",    L"GoToFlag",   L"ShareList"};

VARIANT Text(const wchar_t* text) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? text : L"";
    SysFreeString(text);
    return result;
}

TEST_F(ControlTest, PropertyBagLoadSetsWhatTheBagHolds) {
    auto tavo = As<ITavo>();
    LONG flagBefore = 0;
    ASSERT_EQ(tavo->get_GoToFlag(&flagBefore), S_OK);
    TFakeBag bag;
    // A page's parameters arrive as text.
    bag.Values[L"GoToFlag"] = Text(std::to_wstring(flagBefore + 7).c_str());
    bag.Values[L"ShareList"] = Text(L"readme.txt");
    bag.Values[L"Caption"] = Text(L"From the page");

    EXPECT_EQ(As<IPersistPropertyBag>()->Load(&bag, nullptr), S_OK);
    EXPECT_THAT(bag.Asked, ElementsAreArray(Persisted));
    LONG flag = 0;
    EXPECT_EQ(tavo->get_GoToFlag(&flag), S_OK);
    EXPECT_EQ(flag, flagBefore + 7);
    BSTR caption = nullptr;
    EXPECT_EQ(tavo->get_Caption(&caption), S_OK);
    EXPECT_EQ(Take(caption), L"From the page");
    VARIANT_BOOL autoScroll = 0;
    EXPECT_EQ(tavo->get_AutoScroll(&autoScroll), S_OK);
    EXPECT_EQ(autoScroll, VARIANT_TRUE) << "a property the bag lacks keeps its value";
    tavo->put_GoToFlag(flagBefore);
}

TEST_F(ControlTest, PropertyBagSaveWritesThePersistedPropertiesInOrder) {
    BSTR caption = SysAllocString(L"changed");
    ASSERT_EQ(As<ITavo>()->put_Caption(caption), S_OK);
    SysFreeString(caption);
    auto stream = As<IPersistStreamInit>();
    TFakeBag bag;
    EXPECT_EQ(As<IPersistPropertyBag>()->Save(&bag, FALSE, TRUE), S_OK);
    EXPECT_THAT(bag.Written, ElementsAreArray(Persisted));
    EXPECT_EQ(stream->IsDirty(), S_OK) << "saved without clearing";
    EXPECT_EQ(As<IPersistPropertyBag>()->Save(&bag, TRUE, TRUE), S_OK);
    EXPECT_EQ(stream->IsDirty(), S_FALSE);
}

std::wstring CaptionOf(IUnknown* object) {
    ComPtr<ITavo> tavo;
    BSTR caption = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_ITavo, &tavo)))
        tavo->get_Caption(&caption);
    return Take(caption);
}

// What one control saves, another loads: through a property bag and through a stream.
TEST_F(ControlTest, SavedStateLoadsIntoAnotherControl) {
    BSTR caption = SysAllocString(L"Saved page");
    ASSERT_EQ(As<ITavo>()->put_Caption(caption), S_OK);
    SysFreeString(caption);
    ASSERT_EQ(As<ITavo>()->put_Color(0x00336699), S_OK);

    TFakeBag bag;
    ASSERT_EQ(As<IPersistPropertyBag>()->Save(&bag, TRUE, TRUE), S_OK);
    ComPtr<IOleObject> fromBag = Create();
    EXPECT_EQ(As<IPersistPropertyBag>(fromBag.Get())->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(CaptionOf(fromBag.Get()), L"Saved page");
    OLE_COLOR color = 0;
    EXPECT_EQ(As<ITavo>(fromBag.Get())->get_Color(&color), S_OK);
    EXPECT_EQ(color, 0x00336699u);

    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(As<IPersistStreamInit>()->Save(stream.Get(), TRUE), S_OK);
    ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IOleObject> fromStream = Create();
    EXPECT_EQ(As<IPersistStreamInit>(fromStream.Get())->Load(stream.Get()), S_OK);
    EXPECT_EQ(CaptionOf(fromStream.Get()), L"Saved page");
}

TEST_F(ControlTest, SafetyOptionsAreMaskedAndChecked) {
    auto safety = As<IObjectSafety>();
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, 0u);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                0xFFFF),
              S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled),
              S_OK);
    EXPECT_EQ(enabled, DWORD(INTERFACESAFE_FOR_UNTRUSTED_CALLER));
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistFile, &supported, &enabled),
              E_NOINTERFACE);
}

TEST_F(ControlTest, ExtentsFollowTheFormInHundredthsOfAMillimetre) {
    site.Position = {10, 10, 490, 250};
    Activate(OLEIVERB_INPLACEACTIVATE);
    HDC screen = GetDC(nullptr);
    SIZE ppi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);

    SIZEL extent{};
    ASSERT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_NEAR(extent.cx, 480 * 2540 / ppi.cx, 1);
    EXPECT_NEAR(extent.cy, 240 * 2540 / ppi.cy, 1);
    EXPECT_EQ(control->GetExtent(DVASPECT_THUMBNAIL, &extent), DV_E_DVASPECT);

    SIZEL half{240 * 2540 / ppi.cx, 120 * 2540 / ppi.cy};
    EXPECT_EQ(control->SetExtent(DVASPECT_CONTENT, &half), S_OK);
    RECT rect{};
    GetWindowRect(Form(), &rect);
    MapWindowPoints(nullptr, site.Container, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 10);
    EXPECT_NEAR(rect.right - rect.left, 240, 1);
    EXPECT_NEAR(rect.bottom - rect.top, 120, 1);
    ASSERT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_NEAR(extent.cx, half.cx, 30);
    EXPECT_NEAR(extent.cy, half.cy, 30);
    EXPECT_EQ(control->SetExtent(DVASPECT_ICON, &half), DV_E_DVASPECT);
}

TEST_F(ControlTest, ClipRectangleClipsTheFormsWindow) {
    Activate(OLEIVERB_INPLACEACTIVATE);
    auto inPlace = As<IOleInPlaceObject>();
    HWND form = Form();
    RECT position{10, 10, 490, 250}, clip{0, 0, 250, 130};
    ASSERT_EQ(inPlace->SetObjectRects(&position, &clip), S_OK);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form, region), SIMPLEREGION);
    RECT box{}, visible{0, 0, 240, 120};
    GetRgnBox(region, &box);
    EXPECT_TRUE(EqualRect(&box, &visible))
        << box.left << "," << box.top << " " << box.right << "," << box.bottom;

    RECT everything{0, 0, 2000, 2000};
    ASSERT_EQ(inPlace->SetObjectRects(&position, &everything), S_OK);
    EXPECT_EQ(GetWindowRgn(form, region), ERROR) << "no region when nothing is clipped";

    // Scrolled wholly out of the container's view: nothing of it may show.
    RECT away{600, 600, 700, 700};
    ASSERT_EQ(inPlace->SetObjectRects(&position, &away), S_OK);
    EXPECT_EQ(GetWindowRgn(form, region), NULLREGION);
    DeleteObject(region);

    EXPECT_EQ(inPlace->SetObjectRects(nullptr, &clip), E_POINTER);
    EXPECT_EQ(inPlace->SetObjectRects(&position, nullptr), E_POINTER);
}

TEST_F(ControlTest, VerbsOfferPropertiesHideAndRefuseTheUnknown) {
    Activate(OLEIVERB_INPLACEACTIVATE);
    for (LONG verb : {OLEIVERB_PRIMARY, OLEIVERB_PROPERTIES}) {
        log.Expect({"Site.ShowPropertyFrame"});
        EXPECT_EQ(DoVerb(verb), S_OK) << verb;
        EXPECT_EQ(log.Calls(), std::vector<std::string>{"Site.ShowPropertyFrame"}) << verb;
    }
    log.Expect({});
    EXPECT_EQ(DoVerb(7), OLEOBJ_S_INVALIDVERB);
    EXPECT_EQ(DoVerb(OLEIVERB_HIDE), S_OK);
    EXPECT_FALSE(IsWindowVisible(Form()));
    EXPECT_THAT(log.Calls(), ::testing::IsEmpty());
}

TEST_F(ControlTest, DispatchAnswersFromTheTypeInformation) {
    auto dispatch = As<IDispatch>();
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID_ITavo);
    info->ReleaseTypeAttr(attributes);

    // Booleans are -1 for true, never 1, whichever way they are read.
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    ASSERT_EQ(
        dispatch->Invoke(202, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    auto tavo = As<ITavo>();
    VARIANT_BOOL value = 0;
    EXPECT_EQ(tavo->put_KeyPreview(1), S_OK);
    EXPECT_EQ(tavo->get_KeyPreview(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    EXPECT_EQ(tavo->put_DropTarget(2), S_OK);
    EXPECT_EQ(tavo->get_DropTarget(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    EXPECT_EQ(tavo->get_Enabled(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
}

TEST_F(ControlTest, FailingMemberReturnsItsErrorWithErrorInformation) {
    auto tavo = As<ITavo>();
    ASSERT_EQ(tavo->Close(), S_OK);
    SetErrorInfo(0, nullptr);
    BSTR host = SysAllocString(L"127.0.0.1");
    EXPECT_EQ(tavo->SetLogin(host, host, host, 21), E_UNEXPECTED);
    SysFreeString(host);
    EXPECT_EQ(As<ISupportErrorInfo>()->InterfaceSupportsErrorInfo(IID_ITavo), S_OK);

    ComPtr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, &error), S_OK);
    BSTR source = nullptr, description = nullptr;
    GUID guid{};
    EXPECT_EQ(error->GetSource(&source), S_OK);
    EXPECT_EQ(Take(source), Edition().ProgId);
    EXPECT_EQ(error->GetDescription(&description), S_OK);
    EXPECT_FALSE(Take(description).empty());
    EXPECT_EQ(error->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, IID_ITavo);
}

} // namespace
} // namespace tavo::control_tests
