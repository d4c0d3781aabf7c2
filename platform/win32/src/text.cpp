// Text conversion and the system's message texts.
#include <win32_support.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>

namespace win32
{
namespace
{
constexpr char32_t Replacement = 0xFFFD;

// Decodes UTF-8; each byte that does not start a well-formed sequence
// (overlong forms and surrogates included) becomes U+FFFD.
template <class Sink> bool DecodeUtf8(std::string_view bytes, Sink&& emit)
{
    bool clean = true;
    size_t i = 0;
    while (i < bytes.size())
    {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        bool valid = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k)
        {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= Smallest[length] && code <= 0x10FFFF &&
                !(code >= 0xD800 && code <= 0xDFFF);
        if (valid)
        {
            emit(code);
            i += length;
        }
        else
        {
            emit(Replacement);
            clean = false;
            ++i;
        }
    }
    return clean;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = Replacement;
    if (code < 0x80)
    {
        out += char(code);
    }
    else if (code < 0x800)
    {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
    else
    {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The system texts of the Win32 error codes the program can meet, worded as
// the real platform words them (with its trailing CR LF).
std::optional<std::wstring_view> Win32ErrorText(DWORD code)
{
    switch (code)
    {
    case ERROR_SUCCESS:
        return L"The operation completed successfully.\r\n";
    case ERROR_INVALID_FUNCTION:
        return L"Incorrect function.\r\n";
    case ERROR_FILE_NOT_FOUND:
        return L"The system cannot find the file specified.\r\n";
    case ERROR_PATH_NOT_FOUND:
        return L"The system cannot find the path specified.\r\n";
    case ERROR_TOO_MANY_OPEN_FILES:
        return L"The system cannot open the file.\r\n";
    case ERROR_ACCESS_DENIED:
        return L"Access is denied.\r\n";
    case ERROR_INVALID_HANDLE:
        return L"The handle is invalid.\r\n";
    case ERROR_NOT_ENOUGH_MEMORY:
        return L"Not enough memory resources are available to process this command.\r\n";
    case ERROR_INVALID_DATA:
        return L"The data is invalid.\r\n";
    case ERROR_OUTOFMEMORY:
        return L"Not enough memory resources are available to complete this operation.\r\n";
    case ERROR_CRC:
        return L"Data error (cyclic redundancy check).\r\n";
    case ERROR_BAD_LENGTH:
        return L"The program issued a command but the command length is incorrect.\r\n";
    case ERROR_READ_FAULT:
        return L"The system cannot read from the specified device.\r\n";
    case ERROR_GEN_FAILURE:
        return L"A device attached to the system is not functioning.\r\n";
    case ERROR_SHARING_VIOLATION:
        return L"The process cannot access the file because it is being used by another "
               L"process.\r\n";
    case ERROR_HANDLE_EOF:
        return L"Reached the end of the file.\r\n";
    case ERROR_NOT_SUPPORTED:
        return L"The request is not supported.\r\n";
    case ERROR_FILE_EXISTS:
        return L"The file exists.\r\n";
    case ERROR_INVALID_PARAMETER:
        return L"The parameter is incorrect.\r\n";
    case ERROR_DISK_FULL:
        return L"There is not enough space on the disk.\r\n";
    case ERROR_CALL_NOT_IMPLEMENTED:
        return L"This function is not supported on this system.\r\n";
    case ERROR_INSUFFICIENT_BUFFER:
        return L"The data area passed to a system call is too small.\r\n";
    case ERROR_INVALID_NAME:
        return L"The filename, directory name, or volume label syntax is incorrect.\r\n";
    case ERROR_FILENAME_EXCED_RANGE:
        return L"The filename or extension is too long.\r\n";
    case ERROR_DIRECTORY:
        return L"The directory name is invalid.\r\n";
    case ERROR_CANT_RESOLVE_FILENAME:
        return L"The name of the file cannot be resolved by the system.\r\n";
    default:
        return std::nullopt;
    }
}

// Texts of the COM result codes, and of Win32 errors wrapped as HRESULTs.
std::optional<std::wstring_view> SystemMessageText(DWORD code)
{
    switch (code)
    {
    case 0x80004001:
        return L"Not implemented\r\n"; // E_NOTIMPL
    case 0x80004002:
        return L"No such interface supported\r\n"; // E_NOINTERFACE
    case 0x80004003:
        return L"Invalid pointer\r\n"; // E_POINTER
    case 0x80004004:
        return L"Operation aborted\r\n"; // E_ABORT
    case 0x80004005:
        return L"Unspecified error\r\n"; // E_FAIL
    case 0x8000FFFF:
        return L"Catastrophic failure\r\n"; // E_UNEXPECTED
    default:
        break;
    }
    if ((code & 0xFFFF0000u) == 0x80070000u)
        return Win32ErrorText(code & 0xFFFFu);
    return Win32ErrorText(code);
}
} // namespace

std::string Utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        AppendUtf8(out, char32_t(*text));
    return out;
}

std::string Utf8FromWide(const std::wstring& text)
{
    return Utf8FromWide(text.c_str());
}

std::wstring WideFromUtf8(const std::string& text)
{
    std::wstring out;
    DecodeUtf8(text, [&](char32_t code) { out += wchar_t(code); });
    return out;
}

} // namespace win32

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar)
{
    // The ANSI and OEM code pages of this platform are UTF-8.
    const bool knownPage = CodePage == CP_ACP || CodePage == CP_OEMCP ||
                           CodePage == CP_THREAD_ACP || CodePage == CP_UTF8;
    if (!knownPage || !lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) || (dwFlags & ~DWORD(MB_ERR_INVALID_CHARS)) != 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A length of -1 converts the terminating zero too.
    size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);

    size_t written = 0;
    bool overflow = false;
    bool clean = win32::DecodeUtf8({lpMultiByteStr, length},
                                   [&](char32_t code)
                                   {
                                       if (cchWideChar != 0)
                                       {
                                           if (written < size_t(cchWideChar))
                                               lpWideCharStr[written] = wchar_t(code);
                                           else
                                               overflow = true;
                                       }
                                       ++written;
                                   });
    if (!clean && (dwFlags & MB_ERR_INVALID_CHARS))
    {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (overflow)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return int(written);
}

extern "C" DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId,
                                       DWORD dwLanguageId, LPWSTR lpBuffer, DWORD nSize,
                                       va_list* Arguments)
{
    (void)lpSource;
    (void)Arguments;
    // Only texts from the system table are served; message-table modules and
    // format strings are not part of this stand-in.
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) ||
        (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) || !lpBuffer)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WORD primary = dwLanguageId & 0x3FF;
    if (primary != LANG_NEUTRAL && primary != LANG_ENGLISH)
    {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    std::optional<std::wstring_view> text = win32::SystemMessageText(dwMessageId);
    if (!text)
    {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }

    const size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    wchar_t* target = lpBuffer;
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER)
    {
        // lpBuffer is then the address of the pointer that receives the text.
        target = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, bytes));
        if (!target)
        {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *reinterpret_cast<LPWSTR*>(lpBuffer) = target;
    }
    else if (nSize < text->size() + 1)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text->copy(target, text->size());
    target[text->size()] = L'\0';
    return DWORD(text->size());
}

extern "C" HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    // Like the real allocator, a zero-byte request still yields a block.
    void* block = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes ? uBytes : 1)
                                           : std::malloc(uBytes ? uBytes : 1);
    if (!block)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem)
{
    std::free(hMem);
    return nullptr;
}
