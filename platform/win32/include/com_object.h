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

// Hands a new object (holding its one reference) out through `riid`; the
// creator's reference is dropped, so a refused interface releases the object.
template <class Implementation> HRESULT HandOut(Implementation* object, REFIID riid, void** result)
{
    HRESULT hr = object->QueryInterface(riid, result);
    object->Release();
    return hr;
}

} // namespace com
