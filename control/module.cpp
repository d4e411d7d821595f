#include "control/module.h"

#include "control/edition.h"
#include "control/ole_error.h"

#include "TavoProj1.h"

namespace tavo::control {
namespace {

HINSTANCE Instance = nullptr;
LONG ObjectCount = 0;
LONG FactoryReferences = 0;
HWND Parking = nullptr;
ITypeLib* Library = nullptr;
ITypeInfo* TavoInfo = nullptr;
ITypeInfo* ClassInfo = nullptr;

constexpr wchar_t ParkingClassName[] = L"TavoParkingWindow";

} // namespace

HINSTANCE ModuleInstance() {
    return Instance;
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(Instance, path, MAX_PATH);
    std::wstring shortOrLong(path, length);
    wchar_t longPath[MAX_PATH];
    DWORD longLength = GetLongPathNameW(shortOrLong.c_str(), longPath, MAX_PATH);
    if (longLength == 0 || longLength >= MAX_PATH)
        return shortOrLong;
    return std::wstring(longPath, longLength);
}

void ObjectCountUp() {
    InterlockedIncrement(&ObjectCount);
}
void ObjectCountDown() {
    InterlockedDecrement(&ObjectCount);
}
void FactoryReferenceUp() {
    InterlockedIncrement(&FactoryReferences);
}
void FactoryReferenceDown() {
    InterlockedDecrement(&FactoryReferences);
}
bool CanUnload() {
    return InterlockedCompareExchange(&ObjectCount, 0, 0) == 0 &&
           InterlockedCompareExchange(&FactoryReferences, 0, 0) == 0;
}

HWND ParkingWindow() {
    if (Parking && IsWindow(Parking))
        return Parking;
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (!GetClassInfoExW(Instance, ParkingClassName, &cls)) {
        cls = {};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = DefWindowProcW;
        cls.hInstance = Instance;
        cls.lpszClassName = ParkingClassName;
        RegisterClassExW(&cls);
    }
    Parking = CreateWindowExW(WS_EX_TOOLWINDOW, ParkingClassName, L"", WS_POPUP,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, Instance, nullptr);
    if (!Parking)
        throw EOleSysError(HRESULT_FROM_WIN32(GetLastError()),
                           "The control's parking window cannot be created.");
    return Parking;
}

ITypeLib* TypeLibrary() {
    if (!Library)
        OleCheck(LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &Library),
                 "The control's type library cannot be loaded.");
    return Library;
}

ITypeInfo* TavoTypeInfo() {
    if (!TavoInfo)
        OleCheck(TypeLibrary()->GetTypeInfoOfGuid(IID_ITavo, &TavoInfo),
                 "The type library has no ITavo.");
    return TavoInfo;
}

ITypeInfo* ClassTypeInfo() {
    if (!ClassInfo)
        OleCheck(TypeLibrary()->GetTypeInfoOfGuid(ThisEdition().Clsid, &ClassInfo),
                 "The type library has no class of this edition.");
    return ClassInfo;
}

} // namespace tavo::control

using namespace tavo::control;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        Instance = instance;
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        // At process exit (reserved set) other libraries may be gone: leave the rest to it.
        if (!reserved) {
            if (ClassInfo)
                ClassInfo->Release();
            if (TavoInfo)
                TavoInfo->Release();
            if (Library)
                Library->Release();
            ClassInfo = TavoInfo = nullptr;
            Library = nullptr;
            if (Parking && IsWindow(Parking))
                DestroyWindow(Parking);
            UnregisterClassW(ParkingClassName, instance);
        }
        break;
    }
    return TRUE;
}
