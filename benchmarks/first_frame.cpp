// Time from a program's start to its first frame on screen, measured from
// outside: it starts the program itself, then polls the X display for the
// program's window (by _NET_WM_PID) and reads the window's pixels back until
// they are not all black. Each poll costs about a millisecond, so the poller
// takes little of the CPU the program is starting on, and it sees the frame
// within a few milliseconds of its appearing.
//   cd build/run && xvfb-run -a -s '-screen 0 800x600x24' ../benchmarks/first_frame ./CityDemo
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

extern char** environ;

namespace
{

double Milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

std::optional<unsigned long> PidOf(Display* display, Window window, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &value) != Success ||
        !value)
        return std::nullopt;
    std::optional<unsigned long> pid;
    if (type == XA_CARDINAL && format == 32 && count == 1)
        pid = *reinterpret_cast<unsigned long*>(value);
    XFree(value);
    return pid;
}

// The program's viewable top-level window, if it has one yet.
std::optional<Window> FindWindow(Display* display, pid_t pid, Atom pidAtom)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i)
    {
        XWindowAttributes attributes{};
        if (PidOf(display, children[i], pidAtom) == static_cast<unsigned long>(pid) &&
            XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = children[i];
    }
    XFree(children);
    return found;
}

// Whether the window shows anything but black: the mean of its pixels' grey
// levels over 1 % of full scale, as a screenshot tool would judge it. The
// pixels come through shared memory, and every fourth pixel of every fourth
// row is weighed, so a poll costs the program little of the CPU.
class FrameProbe
{
public:
    FrameProbe(Display* display, Window window) : mDisplay(display), mWindow(window) {}
    ~FrameProbe() { Release(); }

    bool ShowsAFrame()
    {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(mDisplay, mWindow, &attributes) || !Fit(attributes))
            return false;
        if (!XShmGetImage(mDisplay, mWindow, mImage, 0, 0, AllPlanes))
            return false;
        double sum = 0.0;
        int pixels = 0;
        for (int y = 0; y < mImage->height; y += 4)
            for (int x = 0; x < mImage->width; x += 4, ++pixels)
            {
                const unsigned long pixel = XGetPixel(mImage, x, y);
                sum += double((pixel >> 16) & 0xff) * 0.2126 +
                       double((pixel >> 8) & 0xff) * 0.7152 + double(pixel & 0xff) * 0.0722;
            }
        return pixels > 0 && sum / pixels / 255.0 > 0.01;
    }

private:
    // A shared image of the window's size and depth.
    bool Fit(const XWindowAttributes& attributes)
    {
        if (mImage && mImage->width == attributes.width && mImage->height == attributes.height)
            return true;
        Release();
        mImage = XShmCreateImage(mDisplay, attributes.visual, unsigned(attributes.depth), ZPixmap,
                                 nullptr, &mSegment, unsigned(attributes.width),
                                 unsigned(attributes.height));
        if (!mImage)
            return false;
        mSegment.shmid = shmget(
            IPC_PRIVATE, size_t(mImage->bytes_per_line) * size_t(mImage->height), IPC_CREAT | 0600);
        mSegment.shmaddr = mImage->data = static_cast<char*>(shmat(mSegment.shmid, nullptr, 0));
        mSegment.readOnly = False;
        shmctl(mSegment.shmid, IPC_RMID, nullptr); // gone once both sides detach
        if (mSegment.shmaddr == reinterpret_cast<char*>(-1) || !XShmAttach(mDisplay, &mSegment))
        {
            mImage->data = nullptr;
            XDestroyImage(mImage);
            mImage = nullptr;
            return false;
        }
        mAttached = true;
        return true;
    }

    void Release()
    {
        if (mAttached)
        {
            XShmDetach(mDisplay, &mSegment);
            shmdt(mSegment.shmaddr);
            mAttached = false;
        }
        if (mImage)
        {
            mImage->data = nullptr;
            XDestroyImage(mImage);
            mImage = nullptr;
        }
    }

    Display* mDisplay;
    Window mWindow;
    XImage* mImage = nullptr;
    XShmSegmentInfo mSegment{};
    bool mAttached = false;
};

// A window can go between the poll that finds it and the one that reads it.
int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: first_frame PROGRAM [ARGUMENT ...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display)
    {
        std::fprintf(stderr, "first_frame: no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);

    const double start = Milliseconds();
    pid_t pid = 0;
    if (int error = posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ))
    {
        std::fprintf(stderr, "first_frame: cannot start %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }

    const timespec pause = {0, 5'000'000};
    std::optional<double> shown;
    std::optional<FrameProbe> probe;
    while (!shown && Milliseconds() - start < 30'000.0 && waitpid(pid, nullptr, WNOHANG) == 0)
    {
        if (!probe)
            if (auto window = FindWindow(display, pid, pidAtom))
                probe.emplace(display, *window);
        if (probe && probe->ShowsAFrame())
            shown = Milliseconds() - start;
        else
            nanosleep(&pause, nullptr);
    }
    probe.reset();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    if (!shown)
    {
        std::fprintf(stderr, "first_frame: no frame was seen\n");
        return 1;
    }
    std::printf("first frame after %.0f ms\n", *shown);
    return 0;
}
