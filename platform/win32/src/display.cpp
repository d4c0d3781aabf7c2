#include "display.h"

#include <win32_support.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>

namespace win32::display
{
namespace
{
bool gVideoReady = false;
Uint32 gButtons = 0; // mouse buttons down, as SDL button masks

bool IsHeadlessDriver(const char* name)
{
    return name && (SDL_strcmp(name, "offscreen") == 0 || SDL_strcmp(name, "dummy") == 0);
}

bool EnsureVideo()
{
    if (gVideoReady)
        return true;
    // Without a display server there is no window to show. Look before asking
    // the window system, which would otherwise settle for an invisible
    // off-screen driver. A driver named explicitly by the user is honoured.
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (!requested && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY"))
    {
        OutputDebugStringA("no display: neither DISPLAY nor WAYLAND_DISPLAY is set\n");
        return false;
    }
    // The program ends through its own messages, not through signals, and a
    // window that covers the desktop must not minimise when it loses focus.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // A click that activates the window is still a click, as on the real
    // platform.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        const std::string reason = std::string("no display: ") + SDL_GetError() + "\n";
        OutputDebugStringA(reason.c_str());
        return false;
    }
    if (!requested && IsHeadlessDriver(SDL_GetCurrentVideoDriver()))
    {
        OutputDebugStringA("no display: no window system could be reached\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    gVideoReady = true;
    return true;
}

WindowRecord* FromNativeId(Uint32 id)
{
    SDL_Window* native = SDL_GetWindowFromID(id);
    if (!native)
        return nullptr;
    return FindWindowRecord(HWND(intptr_t(SDL_GetWindowData(native, "hwnd"))));
}

void ClientSize(const WindowRecord& window, int& width, int& height)
{
    // The drawable size in pixels, which is what a swap chain renders.
    SDL_Vulkan_GetDrawableSize(window.Native, &width, &height);
}

WPARAM SizeKind(const WindowRecord& window, bool shownMaximized)
{
    const Uint32 flags = SDL_GetWindowFlags(window.Native);
    if (flags & SDL_WINDOW_MINIMIZED)
        return SIZE_MINIMIZED;
    if ((flags & SDL_WINDOW_MAXIMIZED) || shownMaximized)
        return SIZE_MAXIMIZED;
    return SIZE_RESTORED;
}

// Reports the window's size if it differs from the last report. Sent at once
// inside window calls (as the real platform does), posted from the event pump.
void ReportSize(WindowRecord& window, WPARAM kind, bool send)
{
    int width = 0, height = 0;
    if (kind != SIZE_MINIMIZED)
        ClientSize(window, width, height);
    if (kind == window.ReportedSizeKind && width == window.ReportedWidth &&
        height == window.ReportedHeight)
        return;
    window.ReportedSizeKind = kind;
    window.ReportedWidth = width;
    window.ReportedHeight = height;
    const LPARAM size = MAKELPARAM(width, height);
    if (send)
        SendMessageW(window.Handle, WM_SIZE, kind, size);
    else
        PostMessageW(window.Handle, WM_SIZE, kind, size);
}

void ReportActivation(WindowRecord& window, bool active, bool send)
{
    if (window.ReportedActive == active)
        return;
    window.ReportedActive = active;
    const WPARAM state = active ? WA_ACTIVE : WA_INACTIVE;
    if (send)
        SendMessageW(window.Handle, WM_ACTIVATE, state, 0);
    else
        PostMessageW(window.Handle, WM_ACTIVATE, state, 0);
}

UINT VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return UINT('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return UINT('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return UINT(VK_F1 + (key - SDLK_F1));
    switch (key)
    {
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    default:
        return 0;
    }
}

Uint32 ButtonMask(Uint8 button)
{
    return button >= 1 && button <= 32 ? SDL_BUTTON(button) : 0;
}

// The key-state flags of a mouse message.
WPARAM MouseFlags(Uint32 buttons)
{
    WPARAM flags = 0;
    if (buttons & SDL_BUTTON_LMASK)
        flags |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK)
        flags |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK)
        flags |= MK_MBUTTON;
    const SDL_Keymod mods = SDL_GetModState();
    if (mods & KMOD_SHIFT)
        flags |= MK_SHIFT;
    if (mods & KMOD_CTRL)
        flags |= MK_CONTROL;
    return flags;
}

LPARAM Point(int x, int y)
{
    // Coordinates are packed as 16-bit values; receivers read them signed.
    return MAKELPARAM(WORD(int16_t(x)), WORD(int16_t(y)));
}

void TranslateWindowEvent(const SDL_WindowEvent& event)
{
    WindowRecord* window = FromNativeId(event.windowID);
    if (!window)
        return;
    switch (event.event)
    {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        ReportActivation(*window, true, false);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        ReportActivation(*window, false, false);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        ReportSize(*window, SIZE_MINIMIZED, false);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        ReportSize(*window, SIZE_MAXIMIZED, false);
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        ReportSize(*window, SizeKind(*window, window->ReportedSizeKind == SIZE_MAXIMIZED), false);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        PostMessageW(window->Handle, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void TranslateKey(const SDL_KeyboardEvent& event)
{
    WindowRecord* window = FromNativeId(event.windowID);
    const UINT key = VirtualKey(event.keysym.sym);
    if (!window || key == 0)
        return;
    const bool down = event.type == SDL_KEYDOWN;
    // With Alt held (or for Alt itself) the system variants are sent.
    const bool system = (event.keysym.mod & KMOD_ALT) || key == VK_MENU;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    // lParam: repeat count 1, scan code, previous state (bit 30), transition (bit 31).
    uint32_t bits = 1u | (uint32_t(event.keysym.scancode & 0xFF) << 16);
    if (!down)
        bits |= (1u << 30) | (1u << 31);
    else if (event.repeat)
        bits |= 1u << 30;
    PostMessageW(window->Handle, message, key, LPARAM(bits));
}

void TranslateButton(const SDL_MouseButtonEvent& event)
{
    WindowRecord* window = FromNativeId(event.windowID);
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    if (down)
        gButtons |= ButtonMask(event.button);
    else
        gButtons &= ~ButtonMask(event.button);
    if (!window)
        return;
    UINT message = 0;
    switch (event.button)
    {
    case SDL_BUTTON_LEFT:
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case SDL_BUTTON_RIGHT:
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    case SDL_BUTTON_MIDDLE:
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    default:
        return;
    }
    PostMessageW(window->Handle, message, MouseFlags(gButtons), Point(event.x, event.y));
}

void TranslateMotion(const SDL_MouseMotionEvent& event)
{
    WindowRecord* window = FromNativeId(event.windowID);
    if (!window)
        return;
    PostMessageW(window->Handle, WM_MOUSEMOVE, MouseFlags(event.state), Point(event.x, event.y));
}
} // namespace

bool CreateNativeWindow(WindowRecord& window, int width, int height)
{
    if (!EnsureVideo())
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_VULKAN | SDL_WINDOW_ALLOW_HIGHDPI;
    // A popup without caption or frame is a borderless window; a sizing frame
    // makes it resizable.
    if ((window.Style & WS_POPUP) || !(window.Style & WS_CAPTION))
        flags |= SDL_WINDOW_BORDERLESS;
    if (window.Style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    width = std::max(width, 1);
    height = std::max(height, 1);
    const std::string title = Utf8FromWide(window.Text);
    window.Native = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                     SDL_WINDOWPOS_UNDEFINED, width, height, flags);
    if (!window.Native)
    {
        // Without a Vulkan driver for the surface the window can still be
        // shown; the swap chain then presents nowhere.
        window.Native =
            SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                             height, flags & ~Uint32(SDL_WINDOW_VULKAN));
    }
    if (!window.Native)
    {
        const std::string reason = std::string("window creation failed: ") + SDL_GetError() + "\n";
        OutputDebugStringA(reason.c_str());
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    SDL_SetWindowData(window.Native, "hwnd", reinterpret_cast<void*>(intptr_t(window.Handle)));
    if (window.MinTrackSize.x > 0 || window.MinTrackSize.y > 0)
        SDL_SetWindowMinimumSize(window.Native, std::max(1, int(window.MinTrackSize.x)),
                                 std::max(1, int(window.MinTrackSize.y)));
    return true;
}

void DestroyNativeWindow(WindowRecord& window)
{
    if (window.Native)
    {
        SDL_DestroyWindow(window.Native);
        window.Native = nullptr;
    }
}

bool Show(WindowRecord& window, int command)
{
    const bool wasVisible = (SDL_GetWindowFlags(window.Native) & SDL_WINDOW_SHOWN) != 0;
    switch (command)
    {
    case SW_HIDE:
        SDL_HideWindow(window.Native);
        SendMessageW(window.Handle, WM_SHOWWINDOW, FALSE, 0);
        return wasVisible;

    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        SDL_ShowWindow(window.Native);
        SDL_MinimizeWindow(window.Native);
        SendMessageW(window.Handle, WM_SHOWWINDOW, TRUE, 0);
        ReportSize(window, SIZE_MINIMIZED, true);
        return wasVisible;

    case SW_SHOWMAXIMIZED:
    {
        // Maximised over the desktop. A borderless window is placed on the
        // usable bounds of its display itself, so this works without a window
        // manager too (as under Xvfb).
        int display = SDL_GetWindowDisplayIndex(window.Native);
        SDL_Rect bounds{};
        if (display < 0 || SDL_GetDisplayUsableBounds(display, &bounds) != 0 || bounds.w <= 0)
            SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds);
        if (bounds.w > 0 && bounds.h > 0)
        {
            SDL_SetWindowPosition(window.Native, bounds.x, bounds.y);
            SDL_SetWindowSize(window.Native, bounds.w, bounds.h);
        }
        SDL_ShowWindow(window.Native);
        SDL_MaximizeWindow(window.Native);
        SDL_RaiseWindow(window.Native);
        SendMessageW(window.Handle, WM_SHOWWINDOW, TRUE, 0);
        ReportActivation(window, true, true);
        ReportSize(window, SIZE_MAXIMIZED, true);
        return wasVisible;
    }

    default:
        SDL_ShowWindow(window.Native);
        if (command == SW_RESTORE)
            SDL_RestoreWindow(window.Native);
        SDL_RaiseWindow(window.Native);
        SendMessageW(window.Handle, WM_SHOWWINDOW, TRUE, 0);
        ReportActivation(window, true, true);
        ReportSize(window, SIZE_RESTORED, true);
        return wasVisible;
    }
}

void SetTitle(WindowRecord& window)
{
    if (window.Native)
        SDL_SetWindowTitle(window.Native, Utf8FromWide(window.Text).c_str());
}

void PumpEvents()
{
    if (!gVideoReady)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKey(event.key);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            TranslateButton(event.button);
            break;
        case SDL_MOUSEMOTION:
            TranslateMotion(event.motion);
            break;
        default:
            break; // the window's WM_CLOSE, not SDL_QUIT, ends the program
        }
    }
}

void CaptureMouse(WindowRecord* window)
{
    if (gVideoReady)
        SDL_CaptureMouse(window && window->Native ? SDL_TRUE : SDL_FALSE);
}

} // namespace win32::display
