#include "d3dUtil.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{

struct CodeText
{
    uint32_t Code;
    const wchar_t* Text;
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
    EXPECT_EQ(ResultCodeText(HRESULT(GetParam().Code)), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ResultCodeTextTest,
    ::testing::Values(
        // System texts lose their trailing CR LF.
        CodeText{0x80004005, L"Unspecified error"},
        CodeText{0x80070057, L"The parameter is incorrect."},
        CodeText{0x8007000E,
                 L"Not enough memory resources are available to complete this operation."},
        CodeText{0x80004001, L"Not implemented"}, CodeText{0x80004003, L"Invalid pointer"},
        CodeText{0x80070002, L"The system cannot find the file specified."},
        CodeText{0x80070003, L"The system cannot find the path specified."},
        CodeText{0x80070005, L"Access is denied."},
        CodeText{0x80070026, L"Reached the end of the file."},
        // No system text: the IDispatch range, excluding its first code...
        CodeText{0x80040205, L"IDispatch error #5"},
        CodeText{0x8004FFFF, L"IDispatch error #65023"},
        CodeText{0x80040200, L"Unknown error 0x80040200"},
        // ...and everything else, in upper-case hexadecimal.
        CodeText{0x887A0005, L"Unknown error 0x887A0005"},
        CodeText{0x887E0001, L"Unknown error 0x887E0001"},
        CodeText{0x00000042, L"Unknown error 0x42"}));

TEST(DxException, DescribeJoinsExpressionFileLineAndSystemText)
{
    DxException e(HRESULT(0x80004005), L"mCommandList->Close()", L"/src/Common/d3dApp.cpp", 447);
    EXPECT_EQ(e.Describe(),
              L"mCommandList->Close() failed in /src/Common/d3dApp.cpp; line 447; error: "
              L"Unspecified error");

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
