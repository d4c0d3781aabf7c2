// What the Direct3D 12 runtime costs on top of Vulkan, on the default device
// (the CPU device where the machine has no GPU):
//  - SubmissionRoundTrip: reset, close and execute an empty list, signal the
//    fence and wait for it on an event, as every frame and every full wait do;
//  - StaticBufferUpload: CreateStaticBuffer of N bytes, executed and waited
//    for, against a plain memcpy of the same bytes; the "ratio" counter is
//    upload time over memcpy time.
#include "d3dUtil.h"

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace
{

struct Context
{
    ComPtr<ID3D12Device> Device;
    ComPtr<ID3D12CommandQueue> Queue;
    ComPtr<ID3D12CommandAllocator> Allocator;
    ComPtr<ID3D12GraphicsCommandList> List;
    ComPtr<ID3D12Fence> Fence;
    UINT64 FenceValue = 0;
    HANDLE Event = nullptr;

    bool Create()
    {
        if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device))))
        {
            ComPtr<IDXGIFactory4> factory;
            ComPtr<IDXGIAdapter> warp;
            if (FAILED(CreateDXGIFactory1(IID_PPV_ARGS(&factory))) ||
                FAILED(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp))) ||
                FAILED(
                    D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device))))
                return false;
        }
        D3D12_COMMAND_QUEUE_DESC queueDesc = {};
        Event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
        return SUCCEEDED(Device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&Queue))) &&
               SUCCEEDED(Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                        IID_PPV_ARGS(&Allocator))) &&
               SUCCEEDED(Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                   Allocator.Get(), nullptr,
                                                   IID_PPV_ARGS(&List))) &&
               SUCCEEDED(List->Close()) &&
               SUCCEEDED(Device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&Fence)));
    }

    ~Context()
    {
        if (Event)
            CloseHandle(Event);
    }

    void ExecuteAndWait()
    {
        List->Close();
        ID3D12CommandList* lists[] = {List.Get()};
        Queue->ExecuteCommandLists(1, lists);
        Queue->Signal(Fence.Get(), ++FenceValue);
        if (Fence->GetCompletedValue() < FenceValue)
        {
            Fence->SetEventOnCompletion(FenceValue, Event);
            WaitForSingleObject(Event, INFINITE);
        }
    }
};

Context& Shared()
{
    static Context context;
    static const bool created = context.Create();
    (void)created;
    return context;
}

void SubmissionRoundTrip(benchmark::State& state)
{
    Context& c = Shared();
    if (!c.Device)
        return state.SkipWithError("no Direct3D 12 device");
    for (auto _ : state)
    {
        c.Allocator->Reset();
        c.List->Reset(c.Allocator.Get(), nullptr);
        c.ExecuteAndWait();
    }
}
BENCHMARK(SubmissionRoundTrip)->Unit(benchmark::kMicrosecond);

void StaticBufferUpload(benchmark::State& state)
{
    Context& c = Shared();
    if (!c.Device)
        return state.SkipWithError("no Direct3D 12 device");
    const size_t size = size_t(state.range(0));
    std::vector<uint8_t> source(size, 0x5A);
    std::vector<uint8_t> copy(size);

    double uploadSeconds = 0;
    double memcpySeconds = 0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(copy.data(), source.data(), size);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        const auto copied = std::chrono::steady_clock::now();

        c.Allocator->Reset();
        c.List->Reset(c.Allocator.Get(), nullptr);
        ComPtr<ID3D12Resource> staging;
        ComPtr<ID3D12Resource> buffer =
            CreateStaticBuffer(c.Device.Get(), c.List.Get(), source.data(), size, staging);
        c.ExecuteAndWait();
        const auto uploaded = std::chrono::steady_clock::now();

        const double upload = std::chrono::duration<double>(uploaded - copied).count();
        memcpySeconds += std::chrono::duration<double>(copied - start).count();
        uploadSeconds += upload;
        state.SetIterationTime(upload);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["memcpy_GBps"] = double(size) * double(state.iterations()) / memcpySeconds / 1e9;
    state.counters["ratio"] = uploadSeconds / memcpySeconds;
}
BENCHMARK(StaticBufferUpload)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
