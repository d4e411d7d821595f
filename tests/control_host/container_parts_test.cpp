// The container's own COM objects, without a control: what a control finds when it asks its
// site, reads the page's parameters, and what the container prints of the values it gets.

#include "tools/tavo_container/console_text.h"
#include "tools/tavo_container/property_bag.h"
#include "tools/tavo_container/site.h"

#include <olectl.h>

#include <gtest/gtest.h>

namespace tavo::container {
namespace {

TEST(ContainerSite, AnswersEverySiteInterfaceWithOneIdentity) {
    TSite site(nullptr, true, L"x");
    IUnknown* identity = nullptr;
    ASSERT_EQ(site.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (const IID* iid :
         {&IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite, &IID_IOleInPlaceUIWindow,
          &IID_IOleInPlaceFrame, &IID_IOleControlSite, &IID_IDispatch, &IID_IServiceProvider}) {
        IUnknown* answer = nullptr;
        ASSERT_EQ(site.QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
        IUnknown* back = nullptr;
        answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
        EXPECT_EQ(back, identity);
        back->Release();
        answer->Release();
    }
    void* none = &site;
    EXPECT_EQ(site.QueryInterface(IID_IOleInPlaceSiteWindowless, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(site.QueryService(IID_IUnknown, IID_IUnknown, &none), E_NOINTERFACE);
    identity->Release();
}

bool AmbientUserMode(bool userMode) {
    TSite site(nullptr, userMode, L"x");
    VARIANT value;
    DISPPARAMS none = {};
    EXPECT_EQ(site.Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value,
                          nullptr, nullptr),
              S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    bool userModeSeen = value.boolVal == VARIANT_TRUE;
    EXPECT_EQ(site.Invoke(DISPID_AMBIENT_PALETTE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value,
                          nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    return userModeSeen;
}

TEST(ContainerSite, AmbientUserModeFollowsDesignMode) {
    EXPECT_TRUE(AmbientUserMode(true));
    EXPECT_FALSE(AmbientUserMode(false));
}

TEST(ContainerPropertyBag, HandsTextOverOrConvertedToTheTypeAskedFor) {
    TPropertyBag bag({{L"GoToFlag", L"7"}, {L"ShareList", L"|a"}});
    VARIANT value;
    value.vt = VT_I4; // the control's hint
    ASSERT_EQ(bag.Read(L"gotoflag", &value, nullptr), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 7);
    VariantInit(&value);
    ASSERT_EQ(bag.Read(L"ShareList", &value, nullptr), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_STREQ(value.bstrVal, L"|a");
    VariantClear(&value);
    value.vt = VT_I4;
    EXPECT_EQ(bag.Read(L"ShareList", &value, nullptr), DISP_E_TYPEMISMATCH);
    VariantInit(&value);
    EXPECT_EQ(bag.Read(L"Caption", &value, nullptr), E_INVALIDARG);
}

TEST(ContainerText, PrintsValuesAndByReferenceArgumentsByTheirValue) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(VariantText(value), "(empty)");
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    EXPECT_EQ(VariantText(value), "true");
    value.vt = VT_R8;
    value.dblVal = 1.5;
    EXPECT_EQ(VariantText(value), "1.5");
    SHORT key = 65;
    value.vt = VT_I2 | VT_BYREF;
    value.piVal = &key;
    EXPECT_EQ(VariantText(value), "65");
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"\u64cd\u4f5c\u5b8c\u6bd5");
    EXPECT_EQ(VariantText(value), "\"\xe6\x93\x8d\xe4\xbd\x9c\xe5\xae\x8c\xe6\xaf\x95\"");
    VariantClear(&value);
}

} // namespace
} // namespace tavo::container
