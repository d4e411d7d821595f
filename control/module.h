#pragma once
// Module-wide state of the library: its instance, the object and factory counters that
// decide unloading, the parking window that holds forms not placed in a container, and the
// library's own type library.

#include <oaidl.h>
#include <windows.h>

#include <string>

namespace tavo::control {

HINSTANCE ModuleInstance();
// The library file's full path in its long form.
std::wstring ModulePath();

void ObjectCountUp();
void ObjectCountDown();
void FactoryReferenceUp();
void FactoryReferenceDown();
bool CanUnload();

// A hidden, zero-size pop-up tool window at the centre of the screen; made on first use.
HWND ParkingWindow();

// The library's type library, loaded from its own TYPELIB resource; throws when it cannot
// be loaded. The type information of ITavo, and of the creatable class.
ITypeLib* TypeLibrary();
ITypeInfo* TavoTypeInfo();
ITypeInfo* ClassTypeInfo();

} // namespace tavo::control
