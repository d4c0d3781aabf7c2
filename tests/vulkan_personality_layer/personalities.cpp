// The table of personalities. Each figure carries, in brackets, the key of
// the public device report or driver source it comes from, in the team's
// notes on real devices; "unsourced" marks a figure chosen without one.
#include "personalities.h"

#include <algorithm>
#include <cstring>

namespace city_personality
{
namespace
{

constexpr VkMemoryPropertyFlags DL = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
constexpr VkMemoryPropertyFlags HV = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT;
constexpr VkMemoryPropertyFlags HC = VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
constexpr VkMemoryPropertyFlags HCACHED = VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
constexpr VkMemoryPropertyFlags AMD_UNCACHED =
    VK_MEMORY_PROPERTY_DEVICE_COHERENT_BIT_AMD | VK_MEMORY_PROPERTY_DEVICE_UNCACHED_BIT_AMD;
constexpr VkMemoryHeapFlags LOCAL = VK_MEMORY_HEAP_DEVICE_LOCAL_BIT;
constexpr VkDeviceSize MiB = VkDeviceSize(1) << 20;
constexpr VkDeviceSize GiB = VkDeviceSize(1) << 30;

// Mesa's window-system code on a 24-bit X visual, every Mesa driver alike.
const std::vector<VkFormat> MesaX11Formats = {VK_FORMAT_B8G8R8A8_SRGB, VK_FORMAT_B8G8R8A8_UNORM};
const std::vector<VkPresentModeKHR> MesaX11Modes = {
    VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_FIFO_KHR,
    VK_PRESENT_MODE_FIFO_RELAXED_KHR};

const Personality Personalities[] = {
    {
        // A discrete RDNA2 card on RADV; the closest full report is an RX 6600.
        .Name = "amd-like",
        .ApiVersion = VK_MAKE_API_VERSION(0, 1, 3, 255),    // [P-RX6600]
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, // [D-POL]
        .VendorId = 0x1002,                                 // [P-RX6600]
        .DeviceId = 0x73FF,                                 // unsourced
        .DeviceName = "AMD Radeon RX 6600 (RADV NAVI23)",   // pattern of [I-VKD3D1432]
        .DriverId = VK_DRIVER_ID_MESA_RADV,                 // [P-RX6600]
        .DriverName = "radv",                               // [P-RX6600]
        .MinUniformBufferOffsetAlignment = 4,               // [P-RX6600]
        .NonCoherentAtomSize = 64,                          // [P-RX6600]
        .MaxBoundDescriptorSets = 32,                       // [P-RX6600]

        // RADV has no 24-bit depth formats [P-RX6600] [M-RADV-FMT].
        .RemovedFormats = {VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_X8_D24_UNORM_PACK32},
        // Without resizable BAR: only 256 MiB of VRAM is CPU-visible
        // [M-RADV-PD] [D-POL]; sizes of an 8 GiB RDNA card [I-MEMTEST1].
        .Heaps = {{8 * GiB - 256 * MiB, LOCAL}, {156 * GiB / 10, 0}, {256 * MiB, LOCAL}},
        .Types =
            {
                {DL, 0},
                {DL, 0},                               // 32-bit address copy
                {HV | HC, 1},                          // GTT, write-combined
                {DL | HV | HC, 2},                     // the BAR
                {DL | HV | HC, 2},                     // 32-bit address copy
                {HV | HC | HCACHED, 1},                // GTT, cached
                {HV | HC | HCACHED, 1},                // 32-bit address copy
                {DL | AMD_UNCACHED, 0},                // L2-uncached copies [M-RADV-PD] [D-REN]
                {HV | HC | AMD_UNCACHED, 1},           // [I-BOTTLES281]
                {DL | HV | HC | AMD_UNCACHED, 2},      //
                {HV | HC | HCACHED | AMD_UNCACHED, 1}, // [I-BOTTLES281]
            },
        .Present = Presentation::Graphics,
        .SurfaceFormats = MesaX11Formats, // [D-POL] [D-REN] [M-WSI-X11]
        .PresentModes = MesaX11Modes,     // [D-POL] [D-REN]
        .MinImageCount = 3,               // [D-POL]
        .MaxImageCount = 0,
    },
    {
        // An RTX 3080's identity [I-BENCHBOT20] on a current driver; the rest
        // from Turing and Pascal reports on Linux.
        .Name = "nvidia-like",
        .ApiVersion = VK_MAKE_API_VERSION(0, 1, 3, 250),    // 525 driver [P-RTX2060]
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, // [I-BENCHBOT20]
        .VendorId = 0x10DE,                                 // [I-BENCHBOT20]
        .DeviceId = 0x2206,                                 // [I-BENCHBOT20]
        .DeviceName = "NVIDIA GeForce RTX 3080",            // [I-BENCHBOT20]
        .DriverId = VK_DRIVER_ID_NVIDIA_PROPRIETARY,        // [P-RTX2060]
        .DriverName = "NVIDIA",                             // [P-RTX2060]
        .MinUniformBufferOffsetAlignment = 64,              // [P-RTX2060] [P-RTX2070]
        .NonCoherentAtomSize = 64,                          // [P-RTX2060] [D-1080]
        .MaxBoundDescriptorSets = 32,                       // [P-RTX2060] [D-1080]

        // Driver order of an 8 GiB card without resizable BAR [D-1080], the
        // same shape as [I-IREE5268] [I-LUTRIS4246].
        .Heaps = {{8589934592, LOCAL}, {12520691712, 0}, {257949696, LOCAL}},
        .Types =
            {
                {0, 1},
                {0, 1},
                {0, 1},
                {0, 1},
                {0, 1},
                {0, 1},
                {0, 1},
                {DL, 0},
                {HV | HC, 1},
                {HV | HC | HCACHED, 1},
                {DL | HV | HC, 2},
            },
        .Present = Presentation::Graphics,
        .SurfaceFormats = {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_B8G8R8A8_SRGB}, // [D-1080]
        .PresentModes = {VK_PRESENT_MODE_FIFO_KHR, VK_PRESENT_MODE_FIFO_RELAXED_KHR,
                         VK_PRESENT_MODE_IMMEDIATE_KHR}, // [D-1080] [D-2080TI]
        .MinImageCount = 2,                              // [D-1080]
        .MaxImageCount = 8,                              // [D-1080]
    },
    {
        // An integrated Alder Lake GPU on ANV.
        .Name = "intel-like",
        .ApiVersion = VK_MAKE_API_VERSION(0, 1, 3, 255),      // [D-ADL]
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU, // [D-ADL]
        .VendorId = 0x8086,                                   // [D-ADL]
        .DeviceId = 0x46A6,                                   // [D-ADL]
        .DeviceName = "Intel(R) Graphics (ADL GT2)",          // [D-ADL]
        .DriverId = VK_DRIVER_ID_INTEL_OPEN_SOURCE_MESA,      // [P-UHD620]
        .DriverName = "Intel open-source Mesa driver",        // [P-UHD620]
        .MinUniformBufferOffsetAlignment = 64,                // [P-UHD620] [D-ADL]
        .NonCoherentAtomSize = 64,                            // [P-UHD620] [D-ADL]
        .MaxBoundDescriptorSets = 8, // [D-ADL]; 32 in [P-UHD620]: the stricter

        // Unified memory [D-ADL]. ANV's three types [D-ADL] [M-ANV-I915],
        // after a cached type that is not coherent (unsourced), so that a
        // missing flush shows.
        .Heaps = {{12274556928, LOCAL}},
        .Types = {{DL | HV | HCACHED, 0}, {DL, 0}, {DL | HV | HC, 0}, {DL | HV | HC | HCACHED, 0}},
        .Present = Presentation::Graphics,
        .SurfaceFormats = MesaX11Formats, // [D-ADL]
        .PresentModes = MesaX11Modes,     // [D-ADL]
        .MinImageCount = 3,               // [D-ADL]
        .MaxImageCount = 0,
    },
    {
        // lavapipe as it is, but a GPU: the runtime takes it as the hardware
        // adapter and presents through the driver, as on any GPU.
        .Name = "discrete",
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU,
        .DeviceName = "City test GPU",
        .Present = Presentation::Graphics,
    },
    {
        .Name = "fifo-only",
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU,
        .DeviceName = "City test GPU (FIFO only)",
        .Present = Presentation::Graphics,
        .PresentModes = {VK_PRESENT_MODE_FIFO_KHR},
    },
    {
        .Name = "present-only-family",
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU,
        .DeviceName = "City test GPU (present-only queue family)",
        .Present = Presentation::PresentOnlyFamily,
    },
    {
        .Name = "no-present",
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU,
        .DeviceName = "City test GPU (cannot present)",
        .Present = Presentation::None,
    },
    {
        .Name = "no-bc",
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU,
        .DeviceName = "City test GPU (no BC)",
        .NoTextureCompressionBC = true,
        .Present = Presentation::Graphics,
    },
    {
        // A Raspberry Pi 4 on V3DV; almost all from the driver's source.
        // Vulkan 1.2: between the observed 1.1.199 [I-LE5884] and current
        // Mesa's 1.3 [M-V3DV-DEV], in the form Mesa builds it.
        .Name = "pi-like",
        .ApiVersion = VK_MAKE_API_VERSION(0, 1, 2, VK_HEADER_VERSION),
        .DeviceType = VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU, // [M-V3DV-DEV] [I-CLVK537]
        .VendorId = 0x14E4,                                   // [M-V3DV-DEV] [I-CLVK537]
        .DeviceId = 0xBE485FD3,                               // [M-V3DV-DEV] [I-PIXELS139]
        .DeviceName = "V3D 4.2",                              // [I-CLVK537]
        .DriverId = VK_DRIVER_ID_MESA_V3DV,                   // [M-V3DV-DEV]
        .DriverName = "V3DV Mesa",                            // [M-V3DV-DEV]
        .MinUniformBufferOffsetAlignment = 32,                // [M-V3DV-DEV]
        .NonCoherentAtomSize = 256,                           // [M-V3DV-DEV] [M-V3D-LIM]
        .MaxBoundDescriptorSets = 16,                         // [M-V3DV-LIM]
        .NoTextureCompressionBC = true,                       // [M-V3DV-DEV] [I-PIXELS139]
        .HiddenExtensions = {"VK_KHR_push_descriptor"},       // [M-V3DV-DEV] [M-FEAT]
        .RemovedFormats = {VK_FORMAT_D32_SFLOAT_S8_UINT},     // [M-V3DVX-FMT] [I-PIXELS139]
        .Heaps = {{4 * GiB, LOCAL}},                          // an 8 GB board [M-V3DV-DEV]
        .Types = {{DL | HV | HC, 0}},                         // [M-V3DV-DEV]
        .Present = Presentation::Graphics,
        .SurfaceFormats = MesaX11Formats, // [M-WSI-X11]
        .PresentModes = MesaX11Modes,     // [M-WSI-X11]
        .MinImageCount = 3,               // [M-WSI-X11]
        .MaxImageCount = 0,
    },
};

bool IsBlockCompressed(VkFormat format)
{
    return format >= VK_FORMAT_BC1_RGB_UNORM_BLOCK && format <= VK_FORMAT_BC7_SRGB_BLOCK;
}

} // namespace

const Personality* FindPersonality(const char* name)
{
    for (const Personality& personality : Personalities)
    {
        if (std::strcmp(personality.Name, name) == 0)
            return &personality;
    }
    return nullptr;
}

bool IsRemoved(const Personality& personality, VkFormat format)
{
    const std::vector<VkFormat>& removed = personality.RemovedFormats;
    return (personality.NoTextureCompressionBC && IsBlockCompressed(format)) ||
           std::find(removed.begin(), removed.end(), format) != removed.end();
}

} // namespace city_personality
