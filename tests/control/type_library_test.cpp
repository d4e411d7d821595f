// The type library as a page's script engine or a container's property browser reads it: every
// member of ITavo and ITavoEvents with its dispatch identifier, kind, hidden flag and parameter
// types, the interfaces' versions, and the enumerations.

#include "tests/control/container_fakes.h"

#include <gmock/gmock.h>

#include <sstream>

namespace tavo::control_tests {
namespace {

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

std::string Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    std::string result = Narrow(name);
    SysFreeString(name);
    return result;
}

std::string TypeName(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR:
        return TypeName(info, *type.lptdesc) + "*";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> referenced;
        if (FAILED(info->GetRefTypeInfo(type.hreftype, &referenced)))
            return "?";
        return Name(referenced.Get());
    }
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_BSTR:
        return "BSTR";
    case VT_I4:
        return "long";
    case VT_I2:
        return "short";
    case VT_HRESULT:
        return "HRESULT";
    case VT_VOID:
        return "void";
    default:
        return "vt" + std::to_string(type.vt);
    }
}

// One function as "DISPID kind Name(types) -> result [hidden]".
std::string Describe(ITypeInfo* info, UINT index) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(index, &function)))
        return "?";
    std::ostringstream out;
    static const std::map<INVOKEKIND, const char*> kinds = {{INVOKE_FUNC, "method"},
                                                            {INVOKE_PROPERTYGET, "get"},
                                                            {INVOKE_PROPERTYPUT, "put"},
                                                            {INVOKE_PROPERTYPUTREF, "putref"}};
    out << function->memid << " " << kinds.at(function->invkind) << " "
        << Name(info, function->memid) << "(";
    for (SHORT i = 0; i < function->cParams; ++i) {
        const ELEMDESC& param = function->lprgelemdescParam[i];
        out << (i ? ", " : "");
        const USHORT flags = param.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FRETVAL)
            out << "retval ";
        else if ((flags & PARAMFLAG_FIN) && (flags & PARAMFLAG_FOUT))
            out << "inout ";
        out << TypeName(info, param.tdesc);
    }
    out << ") -> " << TypeName(info, function->elemdescFunc.tdesc);
    if (function->wFuncFlags & FUNCFLAG_FHIDDEN)
        out << " hidden";
    info->ReleaseFuncDesc(function);
    return out.str();
}

std::vector<std::string> Functions(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
    std::vector<std::string> functions;
    for (UINT i = 0; attributes && i < attributes->cFuncs; ++i)
        functions.push_back(Describe(info, i));
    info->ReleaseTypeAttr(attributes);
    return functions;
}

// An enumeration as "Name: a=0 b=1".
std::string Constants(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
    std::string out = Name(info) + ":";
    for (UINT i = 0; attributes && i < attributes->cVars; ++i) {
        VARDESC* constant = nullptr;
        info->GetVarDesc(i, &constant);
        out += " " + Name(info, constant->memid) + "=" + std::to_string(constant->lpvarValue->lVal);
        info->ReleaseVarDesc(constant);
    }
    info->ReleaseTypeAttr(attributes);
    return out;
}

// A type's name, kind, flags and version as "Name kind K flags 0xF major.minor".
std::string Header(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
    std::ostringstream out;
    out << Name(info) << " kind " << attributes->typekind << " flags 0x" << std::hex
        << attributes->wTypeFlags << std::dec << " " << attributes->wMajorVerNum << "."
        << attributes->wMinorVerNum;
    info->ReleaseTypeAttr(attributes);
    return out.str();
}

TEST(TypeLibrary, HoldsTheMembersEventsAndEnumerationsPagesRelyOn) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(Edition().Library, REGKIND_NONE, &library), S_OK);
    const std::string coclass = Narrow(Edition().ProgId).substr(sizeof "TavoProj1." - 1);

    std::vector<std::string> types;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfo(i, &info), S_OK);
        types.push_back(Header(info.Get()));
    }
    // Kinds: 4 dispatch (a dual interface's dispatch side), 5 coclass, 0 enumeration. Wine's
    // loader leaves OLE automation (0x100) to the dual interface's own side, checked below.
    EXPECT_THAT(
        types,
        UnorderedElementsAreArray(std::vector<std::string>{
            "ITavo kind 4 flags 0x1040 1.0", "ITavoEvents kind 4 flags 0x1000 1.0",
            coclass + " kind 5 flags 0x22 1.0", "TxActiveFormBorderStyle kind 0 flags 0x0 1.0",
            "TxPrintScale kind 0 flags 0x0 1.0", "TxMouseButton kind 0 flags 0x0 1.0"}));

    ComPtr<ITypeInfo> tavo, events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_ITavo, &tavo), S_OK);
    // The dual interface's own function table (IUnknown's and IDispatch's are their own).
    HREFTYPE vtable = 0;
    ComPtr<ITypeInfo> table;
    ASSERT_EQ(tavo->GetRefTypeOfImplType(-1, &vtable), S_OK);
    ASSERT_EQ(tavo->GetRefTypeInfo(vtable, &table), S_OK);
    EXPECT_EQ(Header(table.Get()), "ITavo kind 3 flags 0x1140 1.0");
    const char* const b = "VARIANT_BOOL";
    auto get = [](int id, const char* name, const std::string& type, bool hidden = false) {
        return std::to_string(id) + " get " + name + "(retval " + type + "*) -> HRESULT" +
               (hidden ? " hidden" : "");
    };
    auto put = [](int id, const char* name, const std::string& type, bool hidden = false,
                  const char* kind = "put") {
        return std::to_string(id) + " " + kind + " " + name + "(" + type + ") -> HRESULT" +
               (hidden ? " hidden" : "");
    };
    const std::vector<std::string> members = {
        get(201, "Visible", b, true),
        put(201, "Visible", b, true),
        get(202, "AutoScroll", b),
        put(202, "AutoScroll", b),
        get(203, "AutoSize", b),
        put(203, "AutoSize", b),
        get(204, "AxBorderStyle", "TxActiveFormBorderStyle"),
        put(204, "AxBorderStyle", "TxActiveFormBorderStyle"),
        get(-518, "Caption", "BSTR"),
        put(-518, "Caption", "BSTR"),
        get(-501, "Color", "OLE_COLOR"),
        put(-501, "Color", "OLE_COLOR"),
        get(-512, "Font", "IFontDisp*"),
        put(-512, "Font", "IFontDisp*"),
        put(-512, "Font", "IFontDisp**", false, "putref"),
        get(205, "KeyPreview", b),
        put(205, "KeyPreview", b),
        get(206, "PixelsPerInch", "long"),
        put(206, "PixelsPerInch", "long"),
        get(207, "PrintScale", "TxPrintScale"),
        put(207, "PrintScale", "TxPrintScale"),
        get(208, "Scaled", b),
        put(208, "Scaled", b),
        get(209, "Active", b, true),
        get(210, "DropTarget", b, true),
        put(210, "DropTarget", b, true),
        get(211, "HelpFile", "BSTR", true),
        put(211, "HelpFile", "BSTR", true),
        get(212, "ScreenSnap", b, true),
        put(212, "ScreenSnap", b, true),
        get(213, "SnapBuffer", "long", true),
        put(213, "SnapBuffer", "long", true),
        get(214, "DoubleBuffered", b, true),
        put(214, "DoubleBuffered", b, true),
        get(215, "AlignDisabled", b, true),
        get(216, "VisibleDockClientCount", "long", true),
        get(-514, "Enabled", b, true),
        put(-514, "Enabled", b, true),
        "217 method SetLogin(BSTR, BSTR, BSTR, long) -> HRESULT",
        get(218, "GoToFlag", "long"),
        put(218, "GoToFlag", "long"),
        get(219, "ShareList", "BSTR"),
        put(219, "ShareList", "BSTR"),
        "220 method Close() -> HRESULT",
        "221 method Enable_ShareList(long) -> HRESULT",
    };
    EXPECT_THAT(Functions(table.Get()), ElementsAreArray(members));

    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_ITavoEvents, &events), S_OK);
    EXPECT_THAT(Functions(events.Get()), ElementsAreArray({
                                             "201 method OnActivate() -> void",
                                             "202 method OnClick() -> void",
                                             "203 method OnCreate() -> void",
                                             "204 method OnDblClick() -> void",
                                             "205 method OnDestroy() -> void",
                                             "206 method OnDeactivate() -> void",
                                             "207 method OnKeyPress(inout short*) -> void",
                                             "208 method OnPaint() -> void",
                                         }));

    std::vector<std::string> enumerations;
    for (const wchar_t* id :
         {L"{6BE40476-1DC1-48A3-A466-9882D1427E34}", L"{1B4D9E09-35E1-4614-96F5-4197DBF2CDF3}",
          L"{9204880A-758E-44F4-974E-779BB0F72C0D}"}) {
        GUID guid{};
        ASSERT_EQ(CLSIDFromString(id, &guid), S_OK);
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
        enumerations.push_back(Constants(info.Get()));
    }
    EXPECT_THAT(
        enumerations,
        ElementsAreArray({"TxActiveFormBorderStyle: afbNone=0 afbSingle=1 afbSunken=2 afbRaised=3",
                          "TxPrintScale: poNone=0 poProportional=1 poPrintToFit=2",
                          "TxMouseButton: mbLeft=0 mbRight=1 mbMiddle=2"}));
}

} // namespace
} // namespace tavo::control_tests
