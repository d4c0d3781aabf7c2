#include "SinkThread.h"

#include <cstring>

SinkThread::SinkThread(FrameSink& sink, int height, size_t rowBytes, size_t depth)
    : mSink(sink), mHeight(height), mRowBytes(rowBytes),
      mFree(depth, std::vector<uint8_t>(size_t(height) * rowBytes))
{
    mThread = std::thread([this] { Run(); });
}

SinkThread::~SinkThread()
{
    {
        std::lock_guard lock(mMutex);
        mStopping = true;
    }
    mChanged.notify_all();
    mThread.join();
}

bool SinkThread::Write(int number, const uint8_t* rgba, size_t rowPitch)
{
    std::vector<uint8_t> rows;
    {
        std::unique_lock lock(mMutex);
        mChanged.wait(lock, [this] { return mFailed || !mFree.empty(); });
        if (mFailed)
            return false;
        rows = std::move(mFree.back());
        mFree.pop_back();
    }
    // Rows packed: the readback's row pitch is the GPU's alignment, not the
    // sink's.
    for (int row = 0; row < mHeight; ++row)
        std::memcpy(rows.data() + size_t(row) * mRowBytes, rgba + size_t(row) * rowPitch,
                    mRowBytes);
    {
        std::lock_guard lock(mMutex);
        mQueued.push_back({number, std::move(rows)});
    }
    mChanged.notify_all();
    return true;
}

bool SinkThread::Flush()
{
    std::unique_lock lock(mMutex);
    mChanged.wait(lock, [this] { return mQueued.empty() && !mWriting; });
    return !mFailed;
}

void SinkThread::Run()
{
    std::unique_lock lock(mMutex);
    for (;;)
    {
        mChanged.wait(lock, [this] { return mStopping || !mQueued.empty(); });
        if (mStopping)
            return;
        Frame frame = std::move(mQueued.front());
        mQueued.pop_front();
        mWriting = true;
        bool failed = mFailed;
        lock.unlock();
        // Once the sink has refused a frame, the frames still queued are
        // dropped: its output is lost already.
        if (!failed && !mSink.Write(frame.Number, frame.Rows.data(), mRowBytes))
            failed = true;
        lock.lock();
        mWriting = false;
        mFailed = failed;
        mFree.push_back(std::move(frame.Rows));
        mChanged.notify_all();
    }
}
