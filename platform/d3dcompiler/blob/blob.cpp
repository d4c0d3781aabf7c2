#include "blob.h"

#include <d3dcompiler.h>

#include <atomic>
#include <cstring>
#include <new>
#include <vector>

namespace d3dcompiler
{
namespace
{

class Blob final : public ID3DBlob
{
public:
    explicit Blob(std::vector<uint8_t>&& bytes, size_t size) : mBytes(std::move(bytes)), mSize(size)
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == IID_ID3D10Blob)
        {
            AddRef();
            *object = static_cast<ID3DBlob*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++mReferences; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG remaining = --mReferences;
        if (remaining == 0)
            delete this;
        return remaining;
    }

    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return mBytes.data(); }
    SIZE_T STDMETHODCALLTYPE GetBufferSize() override { return mSize; }

private:
    std::atomic<ULONG> mReferences{1};
    std::vector<uint8_t> mBytes;
    size_t mSize;
};

} // namespace

HRESULT CreateBlob(const void* data, size_t size, ID3DBlob** blob)
{
    if (!blob)
        return E_INVALIDARG;
    *blob = nullptr;
    try
    {
        // At least one byte, so that even an empty blob has a valid pointer.
        std::vector<uint8_t> bytes(size > 0 ? size : 1, 0);
        if (data && size > 0)
            std::memcpy(bytes.data(), data, size);
        *blob = new Blob(std::move(bytes), size);
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (const std::length_error&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT CreateTextBlob(const std::string& text, ID3DBlob** blob)
{
    return CreateBlob(text.c_str(), text.size() + 1, blob);
}

} // namespace d3dcompiler

extern "C" HRESULT WINAPI D3DCreateBlob(SIZE_T Size, ID3DBlob** ppBlob)
{
    return d3dcompiler::CreateBlob(nullptr, Size, ppBlob);
}
