// Drags with the left button on a wlroots compositor, through a virtual
// pointer, as the tests' counterpart of xdotool's mousedown/mousemove/mouseup:
//   wayland_drag FROM_X FROM_Y TO_X TO_Y OUTPUT_WIDTH OUTPUT_HEIGHT
// Like a virtual keyboard, a new pointer reaches a client only once the
// client has bound it: the drag starts after a second and a half.
#include "virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{

zwlr_virtual_pointer_manager_v1* gManager = nullptr;

void Announce(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        gManager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void Remove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener gRegistryListener = {Announce, Remove};

uint32_t Milliseconds()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 7)
    {
        std::fprintf(stderr, "usage: wayland_drag FROM_X FROM_Y TO_X TO_Y WIDTH HEIGHT\n");
        return 2;
    }
    int value[6];
    for (int i = 0; i < 6; ++i)
        value[i] = std::atoi(argv[i + 1]);
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
    {
        std::fprintf(stderr, "wayland_drag: no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &gRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (!gManager)
    {
        std::fprintf(stderr, "wayland_drag: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(gManager, nullptr);
    wl_display_roundtrip(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    const auto moveTo = [&](int x, int y)
    {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, Milliseconds(), uint32_t(x), uint32_t(y),
                                                uint32_t(value[4]), uint32_t(value[5]));
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_flush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    const auto button = [&](uint32_t state)
    {
        zwlr_virtual_pointer_v1_button(pointer, Milliseconds(), BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_flush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    moveTo(value[0], value[1]);
    button(WL_POINTER_BUTTON_STATE_PRESSED);
    for (int step = 1; step <= 4; ++step)
        moveTo(value[0] + (value[2] - value[0]) * step / 4,
               value[1] + (value[3] - value[1]) * step / 4);
    button(WL_POINTER_BUTTON_STATE_RELEASED);
    wl_display_roundtrip(display);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_disconnect(display);
    return 0;
}
