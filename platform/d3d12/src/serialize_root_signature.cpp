// D3D12SerializeRootSignature: a description checked against what the runtime
// can honour and written in the encoding of root_signature_encoding.h; the
// reason for a refusal comes back as text in the error blob.
#include "root_signature_encoding.h"

#include <blob.h>

HRESULT WINAPI D3D12SerializeRootSignature(const D3D12_ROOT_SIGNATURE_DESC* pRootSignature,
                                           D3D_ROOT_SIGNATURE_VERSION Version, ID3DBlob** ppBlob,
                                           ID3DBlob** ppErrorBlob)
{
    if (ppErrorBlob)
        *ppErrorBlob = nullptr;
    if (!ppBlob)
        return E_INVALIDARG;
    *ppBlob = nullptr;

    std::string error;
    d3d12::RootSignatureLayout layout;
    bool valid = false;
    try
    {
        if (!pRootSignature)
            error = "no root-signature description";
        else if (Version != D3D_ROOT_SIGNATURE_VERSION_1)
            error = "only root-signature version 1 can be serialized with this call";
        else
            valid = d3d12::LayoutOf(*pRootSignature, &layout, &error) &&
                    d3d12::CheckLayout(layout, &error);
        if (valid)
        {
            const std::vector<uint8_t> bytes = d3d12::EncodeLayout(layout);
            return d3dcompiler::CreateBlob(bytes.data(), bytes.size(), ppBlob);
        }
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    if (ppErrorBlob)
        d3dcompiler::CreateTextBlob("D3D12SerializeRootSignature: " + error + "\n", ppErrorBlob);
    return E_INVALIDARG;
}
