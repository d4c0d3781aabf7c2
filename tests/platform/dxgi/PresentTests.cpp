// What a swap chain on the software adapter shows in a real window, under a
// virtual X display: the back buffer's colours, in either channel order, and
// whether they went through memory shared with the X server. CTest runs the
// program once on a server with MIT-SHM (SHARED_MEMORY_EXPECTED=1) and once
// on one without it, as a remote server is (=0), where the driver's own
// presentation is used.
#include "GpuTest.h"
#include "XTools.h"

#include <vulkan_runtime/validation.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

using Microsoft::WRL::ComPtr;

namespace
{

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

// System V segments this process created that someone still has attached.
int SharedSegmentsOfThisProcess()
{
    std::ifstream table("/proc/sysvipc/shm");
    std::string line;
    std::getline(table, line); // the header
    int count = 0;
    while (std::getline(table, line))
    {
        std::istringstream fields(line);
        long key, id, permissions, size, creator;
        fields >> key >> id >> permissions >> size >> creator;
        count += creator == getpid();
    }
    return count;
}

// The colour of the pixel at (x, y) of the window named `name`, as
// "#RRGGBB".
std::string WindowPixel(const std::string& name, int x, int y)
{
    const std::string text = RunCommand("import -window \"$(xdotool search --name '" + name +
                                        "' | head -n1)\" -crop 1x1+" + std::to_string(x) + "+" +
                                        std::to_string(y) + " -depth 8 txt:- 2>/dev/null");
    const size_t hash = text.find('#', text.find('\n'));
    return hash == std::string::npos ? text : text.substr(hash, 7);
}

TEST(WindowPresents, TheBackBufferShowsInItsColoursThroughSharedMemoryWhereTheServerHasIt)
{
    if (!std::getenv("DISPLAY") || !std::getenv("SHARED_MEMORY_EXPECTED"))
        GTEST_SKIP() << "needs an X display (run through ctest, which starts Xvfb)";
    const bool sharedExpected = std::atoi(std::getenv("SHARED_MEMORY_EXPECTED")) != 0;

    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.lpszClassName = L"present tests";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND window = CreateWindowExW(0, L"present tests", L"present tests", WS_POPUP, 0, 0, 64, 48, 0,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    ShowWindow(window, SW_SHOW);

    ComPtr<IDXGIFactory4> factory;
    ASSERT_HRESULT_SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(&factory)));
    ComPtr<IDXGIAdapter> warp;
    ASSERT_HRESULT_SUCCEEDED(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp)));
    ComPtr<ID3D12Device> device;
    ASSERT_HRESULT_SUCCEEDED(
        D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)));
    D3D12_COMMAND_QUEUE_DESC queueDesc{};
    queueDesc.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
    ComPtr<ID3D12CommandQueue> queue;
    ASSERT_HRESULT_SUCCEEDED(device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&queue)));
    ComPtr<ID3D12CommandAllocator> allocator;
    ASSERT_HRESULT_SUCCEEDED(
        device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator)));
    D3D12_DESCRIPTOR_HEAP_DESC heapDesc{};
    heapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_RTV;
    heapDesc.NumDescriptors = 1;
    ComPtr<ID3D12DescriptorHeap> heap;
    ASSERT_HRESULT_SUCCEEDED(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&heap)));

    // Orange: red, green and blue all differ, so any exchange of channels
    // shows.
    const FLOAT orange[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM})
    {
        SCOPED_TRACE(format == DXGI_FORMAT_R8G8B8A8_UNORM ? "R8G8B8A8" : "B8G8R8A8");
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc.Width = 64;
        desc.BufferDesc.Height = 48;
        desc.BufferDesc.Format = format;
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 2;
        desc.OutputWindow = window;
        desc.Windowed = TRUE;
        desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
        ComPtr<IDXGISwapChain> swapChain;
        ASSERT_HRESULT_SUCCEEDED(factory->CreateSwapChain(queue.Get(), &desc, &swapChain));

        // Both buffers orange, presented until the window shows them: what
        // is shown before the server maps the window is lost.
        ComPtr<ID3D12GraphicsCommandList> list;
        ASSERT_HRESULT_SUCCEEDED(allocator->Reset());
        ASSERT_HRESULT_SUCCEEDED(device->CreateCommandList(
            0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator.Get(), nullptr, IID_PPV_ARGS(&list)));
        for (UINT i = 0; i < desc.BufferCount; ++i)
        {
            ComPtr<ID3D12Resource> buffer;
            ASSERT_HRESULT_SUCCEEDED(swapChain->GetBuffer(i, IID_PPV_ARGS(&buffer)));
            const D3D12_CPU_DESCRIPTOR_HANDLE view = heap->GetCPUDescriptorHandleForHeapStart();
            device->CreateRenderTargetView(buffer.Get(), nullptr, view);
            const auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(
                buffer.Get(), D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
            list->ResourceBarrier(1, &toTarget);
            list->ClearRenderTargetView(view, orange, 0, nullptr);
            const auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(
                buffer.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
            list->ResourceBarrier(1, &toPresent);
        }
        ASSERT_HRESULT_SUCCEEDED(list->Close());
        ID3D12CommandList* lists[] = {list.Get()};
        queue->ExecuteCommandLists(1, lists);

        std::string pixel;
        for (int i = 0; i < 50 && pixel != "#FF8000"; ++i)
        {
            ASSERT_HRESULT_SUCCEEDED(swapChain->Present(0, 0));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pixel = WindowPixel("present tests", 10, 10);
        }
        EXPECT_EQ(pixel, "#FF8000");
        EXPECT_EQ(SharedSegmentsOfThisProcess() > 0, sharedExpected);
        list.Reset();
        swapChain.Reset(); // waits for what it presented
        // The server lets go of the segments as it reads the swap chain's
        // last requests.
        int left = SharedSegmentsOfThisProcess();
        for (int i = 0; i < 50 && left > 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            left = SharedSegmentsOfThisProcess();
        }
        EXPECT_EQ(left, 0) << "a segment outlived its swap chain";
    }
    DestroyWindow(window);
    for (const std::string& message : vkrt::ValidationMessages())
        ADD_FAILURE() << "validation message: " << message;
}

} // namespace
