// The test services of the Linux Win32 stand-in, on real Windows: a time
// source the test controls and an empty message queue. The program's code
// calls the system's QueryPerformanceCounter, QueryPerformanceFrequency and
// Sleep through this executable's import table; while a source is installed
// those three entries lead to it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace win32
{

class TimeSource
{
public:
    virtual ~TimeSource() = default;
    virtual int64_t Counter() = 0;
    virtual int64_t Frequency() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

namespace detail
{

inline TimeSource*& InstalledSource()
{
    static TimeSource* source = nullptr;
    return source;
}

inline BOOL WINAPI SourceCounter(LARGE_INTEGER* value)
{
    value->QuadPart = InstalledSource()->Counter();
    return TRUE;
}

inline BOOL WINAPI SourceFrequency(LARGE_INTEGER* value)
{
    value->QuadPart = InstalledSource()->Frequency();
    return TRUE;
}

inline void WINAPI SourceSleep(DWORD milliseconds)
{
    InstalledSource()->Sleep(milliseconds);
}

// The import table slot of `function` from kernel32 in this executable.
inline void** KernelImportSlot(const char* function)
{
    auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module)
    {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

// Points the import of `function` at `target` and returns what it held.
inline void* RedirectImport(const char* function, void* target)
{
    void** slot = KernelImportSlot(function);
    if (!slot)
    {
        std::fprintf(stderr, "win32_support: %s is not imported from kernel32\n", function);
        std::abort();
    }
    DWORD protection = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
    void* previous = *slot;
    *slot = target;
    VirtualProtect(slot, sizeof(void*), protection, &protection);
    return previous;
}

struct SavedImports
{
    void* Counter = nullptr;
    void* Frequency = nullptr;
    void* Sleep = nullptr;
};

inline SavedImports& Saved()
{
    static SavedImports saved;
    return saved;
}

} // namespace detail

// Installs `source` (not owned); nullptr restores the system's clock.
inline void SetTimeSource(TimeSource* source)
{
    detail::SavedImports& saved = detail::Saved();
    if (source && !detail::InstalledSource())
    {
        saved.Counter = detail::RedirectImport("QueryPerformanceCounter",
                                               reinterpret_cast<void*>(&detail::SourceCounter));
        saved.Frequency = detail::RedirectImport("QueryPerformanceFrequency",
                                                 reinterpret_cast<void*>(&detail::SourceFrequency));
        saved.Sleep =
            detail::RedirectImport("Sleep", reinterpret_cast<void*>(&detail::SourceSleep));
    }
    else if (!source && detail::InstalledSource())
    {
        detail::RedirectImport("QueryPerformanceCounter", saved.Counter);
        detail::RedirectImport("QueryPerformanceFrequency", saved.Frequency);
        detail::RedirectImport("Sleep", saved.Sleep);
    }
    detail::InstalledSource() = source;
}

// Drops every posted message and a pending quit request: retrieving the
// quit message clears the request.
inline void ResetMessageQueue()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
    }
}

} // namespace win32
