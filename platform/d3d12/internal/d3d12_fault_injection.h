// Failures injected by tests: the runtime fails a chosen call as a driver
// or the real platform may fail it, so that tests reach the failure paths of a
// program that runs on it. The program never includes this header.
#pragma once

#include <cstdint>
#include <string>

namespace d3d12
{

// From its `nth` use after this call on (1: the next use), `call` fails with
// `result`, and so does every use after that. `call` names an interface
// method ("ID3D12Device::CreateFence", "ID3D12Device::CheckFeatureSupport",
// "ID3D12Device::CreateCommandQueue", "ID3D12Resource::Map"), whose result is
// an HRESULT, or the Vulkan queue submission behind every command-queue
// operation ("vkQueueSubmit2"), whose result is a VkResult: with
// VK_ERROR_DEVICE_LOST the device is lost from then on.
void InjectFailure(const std::string& call, uint32_t nth, int32_t result);

// Lets every call go ahead again.
void ClearInjectedFailures();

} // namespace d3d12
