// The library as a COM server: which interfaces the control object answers and with what
// identity, when the library may be unloaded, the class factory's refusals, and that the last
// Release leaves nothing behind.

#include "tests/control/container_fakes.h"

#include <objidl.h>

#include <algorithm>

namespace tavo::control_tests {
namespace {

struct TNamedIid {
    const char* Name;
    IID Iid;
};

TEST_F(ControlTest, AnswersItsInterfacesWithOneIdentity) {
    const TNamedIid answered[] = {
        {"IUnknown", IID_IUnknown},
        {"IDispatch", IID_IDispatch},
        {"ITavo", IID_ITavo},
        {"ISupportErrorInfo", IID_ISupportErrorInfo},
        {"IProvideClassInfo", IID_IProvideClassInfo},
        {"IOleObject", IID_IOleObject},
        {"IOleInPlaceObject", IID_IOleInPlaceObject},
        {"IOleInPlaceActiveObject", IID_IOleInPlaceActiveObject},
        {"IOleControl", IID_IOleControl},
        {"IViewObject", IID_IViewObject},
        {"IViewObject2", IID_IViewObject2},
        {"IDataObject", IID_IDataObject},
        {"IPersistStreamInit", IID_IPersistStreamInit},
        {"IPersistStorage", IID_IPersistStorage},
        {"IPersistPropertyBag", IID_IPersistPropertyBag},
        {"IConnectionPointContainer", IID_IConnectionPointContainer},
        {"ISpecifyPropertyPages", IID_ISpecifyPropertyPages},
        {"IPerPropertyBrowsing", IID_IPerPropertyBrowsing},
        {"ISimpleFrameSite", IID_ISimpleFrameSite},
        {"IQuickActivate", IID_IQuickActivate},
        {"IObjectSafety", IID_IObjectSafety},
    };
    ComPtr<IUnknown> identity = As<IUnknown>();
    for (const TNamedIid& entry : answered) {
        SCOPED_TRACE(entry.Name);
        ComPtr<IUnknown> answer;
        ASSERT_EQ(control->QueryInterface(entry.Iid, &answer), S_OK);
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(As<IUnknown>(answer.Get()), identity);
    }
    // The automation interface answers for the object, not for itself.
    EXPECT_EQ(As<IOleObject>(As<ITavo>().Get()), control);
}

TEST_F(ControlTest, RefusesOtherInterfaces) {
    const TNamedIid refused[] = {{"IPersistFile", IID_IPersistFile},
                                 {"IOleLink", IID_IOleLink},
                                 {"IClassFactory", IID_IClassFactory},
                                 {"IRunnableObject", IID_IRunnableObject},
                                 {"IEnumVARIANT", IID_IEnumVARIANT}};
    for (const TNamedIid& entry : refused) {
        SCOPED_TRACE(entry.Name);
        IUnknown* answer = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(control->QueryInterface(entry.Iid, reinterpret_cast<void**>(&answer)),
                  E_NOINTERFACE);
        EXPECT_EQ(answer, nullptr);
    }
}

TEST_F(ControlTest, StaysLoadedWhileAnythingHoldsIt) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(Edition().Clsid, IID_IClassFactory, &factory), S_OK);
    control.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "factory referenced";

    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &object), S_OK);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "object alive";
    object.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    ASSERT_EQ(GetClassObject(Edition().Clsid, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "server locked";
    ASSERT_EQ(GetClassObject(Edition().Clsid, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST(ServerTest, ForeignClassIsNotAvailable) {
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(IID_IOleObject, IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
}

TEST(ServerTest, FactoryRefusesAggregationAndNullResult) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(Edition().Clsid, IID_IClassFactory, &factory), S_OK);
    TFakeSink outer;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IOleObject, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, nullptr), E_POINTER);
    EXPECT_EQ(outer.Refs, 1u);
}

TEST_F(ControlTest, LastReleaseDestroysEverything) {
    Activate(OLEIVERB_UIACTIVATE);
    HWND form = Form();
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    // The automation interface shares the object's one reference count.
    ComPtr<ITavo> tavo = As<ITavo>();
    control.Reset();
    Pump();
    log.ExpectAnything();
    EXPECT_EQ(tavo.Detach()->Release(), 0u);
    Pump();

    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(std::count(sink.Fired.begin(), sink.Fired.end(), 205), 1) << "OnDestroy once";
    EXPECT_EQ(sink.Refs, 1u);
    EXPECT_EQ(site.Refs, 1u);
    EXPECT_EQ(site.Frame.Refs, 1u);
    EXPECT_EQ(site.Document.Refs, 1u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// A page may drop the control from inside one of its events.
TEST_F(ControlTest, ReleasedFromInsideItsOwnEvent) {
    Activate(OLEIVERB_UIACTIVATE);
    HWND form = Form();
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    sink.OnEvent = [this](DISPID id) {
        if (id == 202)
            control.Reset();
    };
    log.ExpectAnything();
    SendMessageW(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_EQ(control, nullptr);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(sink.Refs, 1u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

} // namespace
} // namespace tavo::control_tests
