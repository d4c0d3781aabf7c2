#include "d3dUtil.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{

// Wine words the system's texts its own way ("Call failed." for E_FAIL, where
// Windows says "Unspecified error") and lacks some. There the rows that expect
// a system text hold it to be one: neither the fallback nor empty, and
// without its line break.
bool RunningOnWine()
{
#ifdef _WIN32
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

std::wstring SystemText(HRESULT code)
{
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(code), 0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r'))
        --length;
    return std::wstring(text, length);
}

struct CodeText
{
    uint32_t Code;
    const wchar_t* Text;
    bool IsSystemText = false;
};

void PrintTo(const CodeText& value, std::ostream* os)
{
    *os << "0x" << std::hex << std::uppercase << value.Code;
}

class ResultCodeTextTest : public ::testing::TestWithParam<CodeText>
{
};

TEST_P(ResultCodeTextTest, GivesTheSystemWordingOrTheFallback)
{
    const HRESULT code = HRESULT(GetParam().Code);
    if (GetParam().IsSystemText && RunningOnWine())
    {
        if (SystemText(code).empty())
            GTEST_SKIP() << "Wine has no text for this code (E_POINTER in Wine 8)";
        const std::wstring text = ResultCodeText(code);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find(L"Unknown error"), std::wstring::npos) << text;
        EXPECT_EQ(text.find_last_of(L"\r\n"), std::wstring::npos) << text;
        return;
    }
    EXPECT_EQ(ResultCodeText(code), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ResultCodeTextTest,
    ::testing::Values(
        // System texts lose their trailing CR LF.
        CodeText{0x80004005, L"Unspecified error", true},
        CodeText{0x80070057, L"The parameter is incorrect.", true},
        CodeText{0x8007000E,
                 L"Not enough memory resources are available to complete this operation.", true},
        CodeText{0x80004001, L"Not implemented", true},
        CodeText{0x80004003, L"Invalid pointer", true},
        CodeText{0x80070002, L"The system cannot find the file specified.", true},
        CodeText{0x80070003, L"The system cannot find the path specified.", true},
        CodeText{0x80070005, L"Access is denied.", true},
        CodeText{0x80070026, L"Reached the end of the file.", true},
        // No system text: the IDispatch range, excluding its first code...
        CodeText{0x80040205, L"IDispatch error #5"},
        CodeText{0x8004FFFF, L"IDispatch error #65023"},
        CodeText{0x80040200, L"Unknown error 0x80040200"},
        // ...and everything else, in upper-case hexadecimal.
        CodeText{0x887A0005, L"Unknown error 0x887A0005"},
        CodeText{0x887E0001, L"Unknown error 0x887E0001"},
        // (Codes without a facility are Win32 error numbers, most of which
        // have a text; customer codes have none.)
        CodeText{0x20000042, L"Unknown error 0x20000042"}));

TEST(DxException, DescribeJoinsExpressionFileLineAndSystemText)
{
    DxException e(HRESULT(0x80004005), L"mCommandList->Close()", L"/src/Common/d3dApp.cpp", 447);
    const std::wstring unspecified = RunningOnWine() ? SystemText(E_FAIL) : L"Unspecified error";
    EXPECT_EQ(e.Describe(),
              L"mCommandList->Close() failed in /src/Common/d3dApp.cpp; line 447; error: " +
                  unspecified);

    DxException negative(HRESULT(0x887A0005), L"hr", L"f", -12);
    EXPECT_EQ(negative.Describe(), L"hr failed in f; line -12; error: Unknown error 0x887A0005");

    // The exception is a copyable value.
    DxException copy = e;
    EXPECT_EQ(copy.Describe(), e.Describe());
}

TEST(WidenAnsi, ConvertsUtf8AndLongPathsCompletely)
{
    EXPECT_EQ(WidenAnsi("Textures/caf\xC3\xA9.dds"), L"Textures/caf\u00E9.dds");
    const std::string path511(511, 'p');
    EXPECT_EQ(WidenAnsi(path511), std::wstring(511, L'p'));
    // Longer than the fixed buffer: still converted whole.
    const std::string path700(700, 'q');
    EXPECT_EQ(WidenAnsi(path700), std::wstring(700, L'q'));
}

HRESULT Returns(HRESULT value)
{
    return value;
}

TEST(CheckHr, ThrowsWithTheExactExpressionFileAndLine)
{
    int evaluations = 0;
    auto call = [&](HRESULT value)
    {
        ++evaluations;
        return value;
    };
    EXPECT_NO_THROW(CheckHr(call(S_OK)));
    EXPECT_NO_THROW(CheckHr(call(S_FALSE)));
    EXPECT_EQ(evaluations, 2);

    int line = 0;
    try
    {
        // clang-format off
        line = __LINE__; CheckHr(Returns(
            E_INVALIDARG));
        // clang-format on
        FAIL() << "no exception";
    }
    catch (const DxException& e)
    {
        EXPECT_EQ(e.Result, E_INVALIDARG);
        EXPECT_EQ(e.Expression, L"Returns( E_INVALIDARG)");
        EXPECT_EQ(e.SourceFile, WidenAnsi(__FILE__));
        EXPECT_EQ(e.SourceLine, line);
    }
}

} // namespace
