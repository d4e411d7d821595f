#pragma once
// Where a control fires its events: the [default, source] interface of its class, read from the
// type information it gives through IProvideClassInfo, as a browser finds it.

#include <windows.h>

#include <oaidl.h>

namespace tavo::container {

// The interface's type information (a reference for the caller), with its identifier in
// `events`; null when the control names none.
ITypeInfo* FindDefaultSource(IUnknown* control, IID* events);

} // namespace tavo::container
