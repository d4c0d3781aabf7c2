#include <win32_support.h>

#include <gtest/gtest.h>

namespace
{

TEST(MultiByteToWideChar, ConvertsUtf8IncludingTheTerminator)
{
    wchar_t buffer[16];
    // "Aé€😀": 1, 2, 3 and 4 bytes.
    const char* text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, 16), 5);
    EXPECT_EQ(std::wstring(buffer), L"A\u00E9\u20AC\U0001F600");
    // Without -1 the terminator is not part of the input.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, buffer, 16), 2);
    // A zero-sized output asks for the size.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 5);
}

TEST(MultiByteToWideChar, RefusesBadArgumentsAndShortBuffers)
{
    wchar_t buffer[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", -1, buffer, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, buffer, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, buffer, 4), 0);
}

TEST(MultiByteToWideChar, ReplacesMalformedSequences)
{
    wchar_t buffer[8];
    // A lone continuation byte, an overlong '/', and a truncated sequence.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0,
                                  "\x80"
                                  "\xC0\xAF"
                                  "\xE2\x82",
                                  5, buffer, 8),
              5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(buffer[i], L'\uFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\x80", 1, buffer, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(FormatMessageW, AllocatesTheSystemTextWithItsLineBreak)
{
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    LPWSTR text = nullptr;
    const DWORD length =
        FormatMessageW(flags, nullptr, 0x80070002, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::wstring(text), L"The system cannot find the file specified.\r\n");
    EXPECT_EQ(length, 44u);
    EXPECT_EQ(LocalFree(text), nullptr);

    // Plain Win32 codes have the same texts as their HRESULT form.
    wchar_t buffer[64];
    EXPECT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer,
                             64, nullptr),
              0u);
    EXPECT_STREQ(buffer, L"Access is denied.\r\n");
}

TEST(FormatMessageW, GivesNoTextForUnknownCodes)
{
    LPWSTR text = nullptr;
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             0x887A0005, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr),
              0u);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));

    wchar_t small[4];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x80004005, 0, small, 4, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Utf8FromWide, RoundTripsAndReplacesInvalidCodePoints)
{
    EXPECT_EQ(win32::Utf8FromWide(L"caf\u00E9 \U0001F600"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(win32::WideFromUtf8("caf\xC3\xA9"), L"caf\u00E9");
    const wchar_t invalid[] = {wchar_t(0xD800), wchar_t(0x110000), 0};
    EXPECT_EQ(win32::Utf8FromWide(invalid), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
