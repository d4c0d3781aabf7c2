// The capture's command line: what it accepts, and the message for what it
// does not.
#include "CaptureOptions.h"

#include <gtest/gtest.h>

namespace
{

CaptureOptions Parse(const std::vector<std::string>& arguments)
{
    CaptureOptions options;
    std::string error;
    EXPECT_TRUE(ParseCaptureOptions(arguments, &options, &error)) << error;
    return options;
}

TEST(CaptureOptions, ValuesReachTheirFields)
{
    // The defaults are the ones --help names.
    const CaptureOptions defaults = Parse({});
    const std::string help = CaptureHelp();
    for (const std::string& named : {"(default " + std::to_string(defaults.Width) + "x" +
                                         std::to_string(defaults.Height) + ")",
                                     "(default " + defaults.Output + ")",
                                     "(default " + std::to_string(int(defaults.From)) + " to " +
                                         std::to_string(int(defaults.To)) + ")",
                                     "--fps " + std::to_string(defaults.Fps)})
        EXPECT_NE(help.find(named), std::string::npos) << named;

    const CaptureOptions set = Parse({"--size", "320x180", "--fps", "30", "--msaa", "--from", "10",
                                      "--to", "12.5", "-o", "out.mp4"});
    EXPECT_EQ(set.Width, 320);
    EXPECT_EQ(set.Height, 180);
    EXPECT_EQ(set.Fps, 30);
    EXPECT_TRUE(set.Msaa);
    EXPECT_EQ(set.From, 10.0);
    EXPECT_EQ(set.To, 12.5);
    EXPECT_EQ(set.Output, "out.mp4");

    const CaptureOptions bench = Parse({"--bench", "--csv", "figures.csv"});
    EXPECT_TRUE(bench.Bench);
    EXPECT_EQ(bench.CsvPath, "figures.csv");
    EXPECT_EQ(Parse({"--png", "frames"}).PngDir, "frames");
    EXPECT_TRUE(Parse({"--help"}).Help);
}

TEST(CaptureOptions, BadLinesAreRefusedWithTheReason)
{
    const struct
    {
        std::vector<std::string> Arguments;
        const char* Message;
    } cases[] = {
        {{"--speed"}, "unknown option '--speed'"},
        {{"--size"}, "--size needs a value"},
        {{"--size", "1280"}, "--size takes WIDTHxHEIGHT"},
        {{"--size", "8x8"}, "--size takes WIDTHxHEIGHT"},
        {{"--size", "1280x720x3"}, "--size takes WIDTHxHEIGHT"},
        {{"--fps", "24"}, "--fps takes 60 or 30"},
        {{"--from", "-1"}, "--from takes seconds"},
        {{"--to", "ten"}, "--to takes seconds"},
        {{"--from", "20", "--to", "10"}, "--from comes after --to"},
        {{"--to", "111"}, "the demo ends at 110 s"},
        {{"--csv", "x.csv"}, "--csv goes with --bench"},
        {{"--bench", "--png", "dir"}, "does not go with --png"},
    };
    for (const auto& c : cases)
    {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(ParseCaptureOptions(c.Arguments, &options, &error)) << c.Message;
        EXPECT_NE(error.find(c.Message), std::string::npos) << error;
    }
}

} // namespace
