// The sink's thread: frames reach the sink whole, packed and in order, the
// last one before Flush returns, and a refusal stops the writing.
#include "SinkThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace
{

// Slow, so that the queue fills; refuses frame `refused`.
class RecordingSink final : public FrameSink
{
public:
    explicit RecordingSink(int refused = -1) : mRefused(refused) {}

    bool Write(int number, const uint8_t* rgba, size_t rowPitch) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (number == mRefused)
            return false;
        Numbers.push_back(number);
        Frames.emplace_back(rgba, rgba + 2 * rowPitch);
        return true;
    }
    bool Finish() override { return true; }

    std::vector<int> Numbers;
    std::vector<std::vector<uint8_t>> Frames; // two rows each
private:
    int mRefused;
};

TEST(SinkThread, FramesArriveWholeAndInOrder)
{
    RecordingSink sink;
    SinkThread thread(sink, 2, 3, 2);
    for (int n = 1; n <= 10; ++n)
    {
        // Rows of 3 bytes, 4 apart: the fourth byte is padding. The same
        // memory each time, as a readback slot is.
        const uint8_t frame[8] = {uint8_t(n), 1, 2, 99, uint8_t(n), 4, 5, 99};
        ASSERT_TRUE(thread.Write(n, frame, 4));
    }
    ASSERT_TRUE(thread.Flush());
    ASSERT_EQ(sink.Numbers.size(), 10u);
    for (int n = 1; n <= 10; ++n)
    {
        EXPECT_EQ(sink.Numbers[n - 1], n);
        EXPECT_EQ(sink.Frames[n - 1], (std::vector<uint8_t>{uint8_t(n), 1, 2, uint8_t(n), 4, 5}));
    }
}

TEST(SinkThread, ARefusalStopsTheWriting)
{
    RecordingSink sink(3);
    SinkThread thread(sink, 2, 1, 2);
    const uint8_t pixels[2] = {};
    int accepted = 0;
    while (accepted < 100 && thread.Write(accepted + 1, pixels, 1))
        ++accepted;
    EXPECT_LT(accepted, 100);
    EXPECT_FALSE(thread.Flush());
    EXPECT_EQ(sink.Numbers, (std::vector<int>{1, 2}));
}

} // namespace
