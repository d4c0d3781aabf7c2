// A device that refuses chosen calls where only the runtime itself could
// refuse them (what Vulkan can fail, the tests' Vulkan fault layer fails), so
// that tests reach the program's failure paths without a hook in the
// runtime. From its N-th use on, every use of a refused call fails with the
// given result; everything else goes to the device it wraps.
// While a resource's Map is refused, the resources made on heaps the CPU
// maps come back wrapped as well. Such a resource only maps and describes
// itself: a command list refuses it, as it refuses any object the runtime
// did not make.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include <string>
#include <vector>

struct RefusedCall
{
    // "ID3D12Device::CreateCommandQueue", "ID3D12Device::CheckFeatureSupport"
    // or "ID3D12Resource::Map"
    std::string Call;
    unsigned First = 1; // the use from which on it fails, counted from 1
    HRESULT Result = E_FAIL;
};

// Reads "CALL N RESULT" (RESULT an HRESULT such as 0x8007000E); false where
// the text is not of that form or names another call.
bool ParseRefusedCall(const char* text, RefusedCall* call);

// A device that refuses `calls` and otherwise is `device`.
Microsoft::WRL::ComPtr<ID3D12Device> RefusingDevice(Microsoft::WRL::ComPtr<ID3D12Device> device,
                                                    std::vector<RefusedCall> calls);
