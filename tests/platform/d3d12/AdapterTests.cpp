// Device creation on adapters: the default adapter is the first Vulkan device
// that is not a CPU device, the WARP adapter the CPU device. CTest runs these
// tests three times: with the machine's drivers, with lavapipe as the only
// driver, and with no driver at all; each case checks what its machine
// allows and skips the rest.
#include "GpuTest.h"

#include <vulkan_runtime/validation.h>

using Microsoft::WRL::ComPtr;

namespace
{

class Adapters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(&mFactory)));
        ASSERT_HRESULT_SUCCEEDED(mFactory->EnumWarpAdapter(IID_PPV_ARGS(&mWarp)));
    }

    void TearDown() override
    {
        for (const std::string& message : vkrt::ValidationMessages())
            ADD_FAILURE() << "validation message: " << message;
        vkrt::ClearValidationMessages();
    }

    ComPtr<IDXGIFactory4> mFactory;
    ComPtr<IDXGIAdapter> mWarp;
};

TEST_F(Adapters, FallBackToWarpWhereThereIsNoHardwareDevice)
{
    ComPtr<ID3D12Device> device;
    const HRESULT hardware =
        D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device));
    if (SUCCEEDED(hardware))
        GTEST_SKIP() << "this machine has a hardware Vulkan device";
    EXPECT_LT(hardware, 0);
    EXPECT_EQ(device, nullptr);

    const HRESULT warp =
        D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device));
    if (warp == DXGI_ERROR_UNSUPPORTED)
        GTEST_SKIP() << "this machine has no Vulkan device at all";
    ASSERT_HRESULT_SUCCEEDED(warp);

    // The device is the WARP adapter's: the CPU device.
    DXGI_ADAPTER_DESC1 desc;
    ComPtr<IDXGIAdapter1> warp1;
    ASSERT_HRESULT_SUCCEEDED(mWarp.As(&warp1));
    ASSERT_HRESULT_SUCCEEDED(warp1->GetDesc1(&desc));
    EXPECT_EQ(desc.Flags, UINT(DXGI_ADAPTER_FLAG_SOFTWARE));
    const LUID luid = device->GetAdapterLuid();
    EXPECT_EQ(luid.LowPart, desc.AdapterLuid.LowPart);
    EXPECT_EQ(luid.HighPart, desc.AdapterLuid.HighPart);
}

TEST_F(Adapters, TheDefaultAdapterIsAHardwareDeviceWhereThereIsOne)
{
    ComPtr<ID3D12Device> device;
    if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device))))
        GTEST_SKIP() << "this machine has no hardware Vulkan device";
    ComPtr<ID3D12Device> software;
    ASSERT_HRESULT_SUCCEEDED(
        D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&software)));
    const LUID hardware = device->GetAdapterLuid();
    const LUID cpu = software->GetAdapterLuid();
    EXPECT_FALSE(hardware.LowPart == cpu.LowPart && hardware.HighPart == cpu.HighPart);
}

TEST_F(Adapters, WithoutAnyDeviceBothCreationsFailAndNothingCrashes)
{
    ComPtr<ID3D12Device> device;
    if (SUCCEEDED(D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL_11_0, __uuidof(ID3D12Device),
                                    nullptr)))
        GTEST_SKIP() << "this machine has a CPU Vulkan device";
    EXPECT_LT(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)), 0);
    EXPECT_EQ(D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)),
              DXGI_ERROR_UNSUPPORTED);
    EXPECT_EQ(device, nullptr);
    DXGI_ADAPTER_DESC desc;
    EXPECT_HRESULT_SUCCEEDED(mWarp->GetDesc(&desc));
}

TEST_F(Adapters, CreationChecksItsArguments)
{
    ComPtr<ID3D12Device> device;
    EXPECT_EQ(D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL(0x1234), IID_PPV_ARGS(&device)),
              E_INVALIDARG);
    EXPECT_EQ(D3D12CreateDevice(mWarp.Get(), D3D_FEATURE_LEVEL_12_2, IID_PPV_ARGS(&device)),
              DXGI_ERROR_UNSUPPORTED);
    // An object that is not an adapter of this platform is refused.
    EXPECT_EQ(D3D12CreateDevice(mFactory.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)),
              E_INVALIDARG);
    EXPECT_EQ(device, nullptr);

    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDXGIFactory1(__uuidof(ID3D12Device), &factory), E_NOINTERFACE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(mFactory->CreateSwapChain(nullptr, nullptr, nullptr), DXGI_ERROR_INVALID_CALL);
}

} // namespace
