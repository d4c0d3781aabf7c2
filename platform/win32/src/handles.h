// Kernel-object handles: every HANDLE the stand-in hands out names a
// KernelObject that is registered while open, so a stale or foreign handle is
// refused with ERROR_INVALID_HANDLE instead of being dereferenced.
#pragma once

#include <windows.h>

#include <memory>

namespace win32
{

class KernelObject
{
public:
    virtual ~KernelObject() = default;
};

// Registers `object` and returns its handle.
HANDLE OpenHandle(std::shared_ptr<KernelObject> object);

// The live object behind `handle`, or null. The reference keeps the object
// alive while it is used, even if another thread closes the handle meanwhile.
std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle);

template <class T> std::shared_ptr<T> LookUpHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookUpHandle(handle));
}

} // namespace win32
