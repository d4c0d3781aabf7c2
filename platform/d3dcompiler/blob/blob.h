// The blob object behind D3DCreateBlob, the compiler's outputs and serialized
// root signatures.
#pragma once

#include <windows.h>

#include <d3dcommon.h>

#include <string>

namespace d3dcompiler
{

// A new blob holding a copy of `size` bytes at `data` (zeros where `data` is
// null). E_OUTOFMEMORY when they cannot be allocated.
HRESULT CreateBlob(const void* data, size_t size, ID3DBlob** blob);

// A blob of `text` and its terminating zero, as message blobs are read as
// zero-terminated narrow strings.
HRESULT CreateTextBlob(const std::string& text, ID3DBlob** blob);

} // namespace d3dcompiler
