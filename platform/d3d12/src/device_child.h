// The part every object made by a device shares: reference counting and the
// ID3D12Object methods the program never calls (ObjectDefaults), and
// GetDevice.
// A child holds a reference to its device, so the Vulkan device outlives
// every object made from it, as on the real platform.
#pragma once

#include "device.h"
#include "object_defaults.h"

namespace d3d12
{

template <class Interface> class DeviceChild : public ObjectDefaults<Interface>
{
public:
    explicit DeviceChild(Device& device) : mDevice(device) { mDevice.AddRef(); }
    ~DeviceChild() override { mDevice.Release(); }

    // ID3D12DeviceChild
    HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** device) override
    {
        return mDevice.QueryInterface(riid, device);
    }

    Device& Owner() const { return mDevice; }

private:
    Device& mDevice;
};

// The object behind an interface pointer handed in by the program, or null
// where it is null, not made by this runtime, or made by another device.
template <class Implementation, class Interface>
Implementation* Unwrap(Interface* object, const Device& device)
{
    auto* implementation = dynamic_cast<Implementation*>(object);
    return implementation && &implementation->Owner() == &device ? implementation : nullptr;
}

} // namespace d3d12
