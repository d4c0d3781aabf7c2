#include "FrameSink.h"

#include "Png.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

namespace
{

std::string Seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// The video: raw frames into ffmpeg's standard input, H.264 and AAC out. A
// separate process keeps the encoders, and their licences, out of the
// program, and Debian's ffmpeg program is the interface of its libraries
// that changes least between releases.
class VideoSink final : public FrameSink
{
public:
    bool Open(const CaptureOptions& options, std::string* error)
    {
        mWidth = options.Width;
        mHeight = options.Height;
        mOutput = options.Output;
        struct stat target
        {
        };
        if (stat(mOutput.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        {
            *error = "cannot write '" + mOutput + "': it is a folder";
            return false;
        }
        // The video is written beside the output under a hidden name, and
        // takes the output's name only once complete: an earlier capture
        // there survives a failed or interrupted one. The name keeps the
        // output's extension, from which ffmpeg takes the container. Made
        // now, it also shows that the folder is writable before minutes of
        // drawing start.
        mTemporary = TemporaryNameFor(mOutput);
        const int made = open(mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (made < 0)
        {
            *error = "cannot write '" + mOutput + "': " + std::strerror(errno);
            mTemporary.clear();
            return false;
        }
        close(made);

        std::vector<std::string> args = {
            "ffmpeg",      "-hide_banner",
            "-loglevel",   "error",
            "-nostdin",    "-y",
            "-f",          "rawvideo",
            "-pix_fmt",    "rgba",
            "-video_size", std::to_string(options.Width) + "x" + std::to_string(options.Height),
            "-framerate",  std::to_string(options.Fps),
            "-i",          "pipe:0"};
        // The music from the demo's start, or from the first kept frame, and
        // no longer than the frames (a capture stopped early).
        const bool music = access("2.mp3", R_OK) == 0;
        if (music)
        {
            args.insert(args.end(),
                        {"-ss", Seconds(options.From), "-t", Seconds(options.To - options.From),
                         "-i", "2.mp3", "-map", "0:v", "-map", "1:a", "-c:a", "aac", "-b:a", "192k",
                         "-shortest"});
        }
        else
        {
            std::fputs("CityCapture: no 2.mp3 here: the video has no sound\n", stderr);
        }
        // The encoder's 4:2:0 pictures have even sides: an odd side gets one
        // black row or column more.
        const int evenWidth = (options.Width + 1) & ~1, evenHeight = (options.Height + 1) & ~1;
        if (evenWidth != options.Width || evenHeight != options.Height)
        {
            const std::string even = std::to_string(evenWidth) + "x" + std::to_string(evenHeight);
            std::fprintf(stderr,
                         "CityCapture: the video is %s: its encoder takes only even sides, so a "
                         "black edge pads the %dx%d picture\n",
                         even.c_str(), options.Width, options.Height);
            args.insert(args.end(), {"-vf", "pad=" + std::to_string(evenWidth) + ":" +
                                                std::to_string(evenHeight)});
        }
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt",
                                 "yuv420p", "-movflags", "+faststart", mTemporary});

        int pipeEnds[2];
        if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        {
            *error = std::string("cannot make a pipe: ") + std::strerror(errno);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
        // A process group of its own: a Ctrl-C at the terminal reaches this
        // program, which ends the video, and not the encoder, which would
        // end it half-written.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned =
            posix_spawnp(&mPid, "ffmpeg", &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[0]);
        if (spawned != 0)
        {
            mPid = -1;
            close(pipeEnds[1]);
            *error = spawned == ENOENT
                         ? "ffmpeg is not installed (Debian: apt install ffmpeg)"
                         : std::string("cannot start ffmpeg: ") + std::strerror(spawned);
            return false;
        }
        mPipe = pipeEnds[1];
        return true;
    }

    // A video not finished (a failed run) goes, with its encoder.
    ~VideoSink() override
    {
        if (mPipe >= 0)
            close(mPipe);
        if (mPid > 0)
            waitpid(mPid, nullptr, 0);
        if (!mTemporary.empty())
            unlink(mTemporary.c_str());
    }

    bool Write(int, const uint8_t* rgba, size_t rowPitch) override
    {
        const size_t rowBytes = size_t(mWidth) * 4;
        for (int row = 0; row < mHeight; ++row)
        {
            if (!WriteAll(rgba + size_t(row) * rowPitch, rowBytes))
            {
                mError = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
                return false;
            }
        }
        return true;
    }

    bool Finish() override
    {
        close(mPipe);
        mPipe = -1;
        int status = 0;
        while (waitpid(mPid, &status, 0) < 0 && errno == EINTR)
        {
        }
        mPid = -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            mError = "ffmpeg failed (its message is above)";
            return false;
        }
        if (rename(mTemporary.c_str(), mOutput.c_str()) != 0)
        {
            mError = "the video is complete in '" + mTemporary + "', but cannot be named '" +
                     mOutput + "': " + std::strerror(errno);
            mTemporary.clear(); // kept
            return false;
        }
        mTemporary.clear();
        return true;
    }

private:
    bool WriteAll(const uint8_t* bytes, size_t size)
    {
        while (size > 0)
        {
            const ssize_t written = write(mPipe, bytes, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            bytes += written;
            size -= size_t(written);
        }
        return true;
    }

    // ".city.1234.mp4" beside "city.mp4".
    static std::string TemporaryNameFor(const std::string& output)
    {
        const size_t slash = output.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : output.substr(0, slash + 1);
        const std::string name = output.substr(folder.size());
        const size_t dot = name.rfind('.');
        const std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
        return folder + "." + name.substr(0, name.size() - extension.size()) + "." +
               std::to_string(getpid()) + extension;
    }

    int mWidth = 0;
    int mHeight = 0;
    int mPipe = -1;
    pid_t mPid = -1;
    std::string mOutput;
    std::string mTemporary; // the video being written; empty once it has its name
};

// Numbered PNG files: DIR/frame-000600.png is the frame drawn at 10 s.
class PngSink final : public FrameSink
{
public:
    bool Open(const CaptureOptions& options, std::string* error)
    {
        mDirectory = options.PngDir;
        mImage.Width = options.Width;
        mImage.Height = options.Height;
        mImage.Pixels.resize(size_t(options.Width) * options.Height * 3);
        if (mkdir(mDirectory.c_str(), 0777) != 0 && errno != EEXIST)
        {
            *error = "cannot make '" + mDirectory + "': " + std::strerror(errno);
            return false;
        }
        if (access(mDirectory.c_str(), W_OK) != 0)
        {
            *error = "cannot write into '" + mDirectory + "': " + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool Write(int number, const uint8_t* rgba, size_t rowPitch) override
    {
        // The back buffer's alpha is not part of the picture.
        uint8_t* out = mImage.Pixels.data();
        for (int row = 0; row < mImage.Height; ++row)
        {
            const uint8_t* in = rgba + size_t(row) * rowPitch;
            for (int x = 0; x < mImage.Width; ++x, in += 4, out += 3)
            {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
        return WritePng(mDirectory + "/" + FrameFileName(number), mImage, &mError);
    }

    bool Finish() override { return true; }

private:
    std::string mDirectory;
    RgbImage mImage;
};

class NullSink final : public FrameSink
{
public:
    bool Write(int, const uint8_t*, size_t) override { return true; }
    bool Finish() override { return true; }
};

} // namespace

std::string FrameFileName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", number);
    return name;
}

std::unique_ptr<FrameSink> OpenFrameSink(const CaptureOptions& options, std::string* error)
{
    if (options.Bench)
        return std::make_unique<NullSink>();
    if (!options.PngDir.empty())
    {
        auto sink = std::make_unique<PngSink>();
        return sink->Open(options, error) ? std::move(sink) : nullptr;
    }
    auto sink = std::make_unique<VideoSink>();
    return sink->Open(options, error) ? std::move(sink) : nullptr;
}
