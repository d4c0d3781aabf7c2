// The sink's writes on a thread of their own, so that the program draws the
// next frame while ffmpeg's pipe or the PNG compression takes this one. A
// few frames wait in a bounded queue, copied out of the readback memory;
// they reach the sink in the order they were queued.
#pragma once

#include "FrameSink.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class SinkThread
{
public:
    // Frames of `height` rows of `rowBytes` bytes; at most `depth` of them
    // wait for the sink.
    SinkThread(FrameSink& sink, int height, size_t rowBytes, size_t depth);
    // Drops the frames not yet written (a run that failed) and stops.
    ~SinkThread();
    SinkThread(const SinkThread&) = delete;
    SinkThread& operator=(const SinkThread&) = delete;

    // Copies the frame into the queue, waiting while the queue is full.
    // False once the sink has refused a frame: nothing more is written.
    bool Write(int number, const uint8_t* rgba, size_t rowPitch);
    // Waits until every queued frame has been written; false where the sink
    // refused one (its reason is in the sink's Error()).
    bool Flush();

private:
    struct Frame
    {
        int Number = 0;
        std::vector<uint8_t> Rows;
    };

    void Run();

    FrameSink& mSink;
    const int mHeight;
    const size_t mRowBytes;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<Frame> mQueued;
    std::vector<std::vector<uint8_t>> mFree; // buffers to copy frames into
    bool mWriting = false;
    bool mFailed = false;
    bool mStopping = false;
    std::thread mThread; // last: it starts once the rest is built
};
