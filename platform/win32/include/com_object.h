// Reference counting and QueryInterface for the platform layer's COM objects.
// The program never includes this header; it sees only the interfaces.
#pragma once

#include <windows.h>

#include <atomic>

namespace com
{

// A COM object over one interface chain: it starts with one reference, held
// by whoever created it, and deletes itself when the last one is released.
template <class Interface> class Object : public Interface
{
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return mReferences.fetch_add(1, std::memory_order_relaxed) + 1;
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = mReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    std::atomic<ULONG> mReferences{1};
};

// QueryInterface for an object that implements `Interfaces` (its interface
// chain, base interfaces included).
template <class... Interfaces, class Implementation>
HRESULT QueryInterfaceOf(Implementation* object, REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    const bool found =
        ((riid == __uuidof(Interfaces) ? (*result = static_cast<Interfaces*>(object), true)
                                       : false) ||
         ...);
    if (!found)
        return E_NOINTERFACE;
    object->AddRef();
    return S_OK;
}

// Answers a call of an interface method this platform does not implement:
// names the method in the debugger output, once per method, so a program
// that meets it learns which call it was, and returns `failure`, the
// method's documented failure (E_NOTIMPL unless it documents another).
HRESULT NotImplemented(const char* interfaceName, const char* method, HRESULT failure = E_NOTIMPL);

// The same for a method that hands out an object: the caller's slot is
// cleared, so it never holds a stale pointer.
template <class T>
HRESULT NotImplemented(const char* interfaceName, const char* method, T** slot,
                       HRESULT failure = E_NOTIMPL)
{
    if (slot)
        *slot = nullptr;
    return NotImplemented(interfaceName, method, failure);
}

// Finishes making an object: `created` (null where it could not be
// allocated) is initialised, and handed out in `result` only when whole; an
// object whose initialisation failed is released.
template <class Implementation>
HRESULT Initialized(Implementation* created, Implementation** result)
{
    *result = nullptr;
    if (!created)
        return E_OUTOFMEMORY;
    HRESULT hr = created->Initialize();
    if (FAILED(hr))
    {
        created->Release();
        return hr;
    }
    *result = created;
    return S_OK;
}

// Hands a new object (holding its one reference) out through `riid`; the
// creator's reference is dropped, so a refused interface releases the object.
template <class Implementation> HRESULT HandOut(Implementation* object, REFIID riid, void** result)
{
    HRESULT hr = object->QueryInterface(riid, result);
    object->Release();
    return hr;
}

} // namespace com
