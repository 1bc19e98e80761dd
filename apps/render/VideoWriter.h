#pragma once

#include <tolu/gl/Image.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/types.h>

namespace SimGLRender {

/// Encodes frames into a video file through the ffmpeg program, found on PATH, which reads
/// them raw on a pipe: H.264 (libx264) where ffmpeg has it, MPEG-4 otherwise; odd sizes are
/// padded by a pixel to the even sizes the encoders need.
class VideoWriter {
public:
    /// Starts ffmpeg for `width` x `height` frames at `fps` frames per second, writing (and
    /// overwriting) `path`. Throws Tolu::Error when ffmpeg is not installed or cannot start.
    VideoWriter(const std::string& path, int width, int height, double fps);
    /// Closes the pipe and waits for ffmpeg when `finish` was not called (after an error).
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    /// Sends one frame (top row first, as Image holds it). Throws Tolu::Error for an image
    /// of another size, and, with ffmpeg's last message, when ffmpeg stopped early.
    void write(const Tolu::GL::Image& image);
    /// Ends the video and waits for ffmpeg. Throws Tolu::Error, with ffmpeg's last message,
    /// when it failed.
    void finish();

private:
    struct CloseFile {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    [[noreturn]] void fail(const std::string& what, int status);
    int wait() noexcept;

    std::string path;
    int width;
    int height;
    pid_t pid = -1;
    int pipe = -1;                             ///< ffmpeg's standard input
    std::unique_ptr<std::FILE, CloseFile> log; ///< ffmpeg's standard error
    struct sigaction oldPipeAction {};
};

} // namespace SimGLRender
