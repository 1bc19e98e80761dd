#include "VideoWriter.h"

#include <tolu/util/Error.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace SimGLRender {

namespace {

const std::string missing = "ffmpeg is not installed (no ffmpeg on PATH); it is needed for "
                            "--video (install ffmpeg, or write --frames DIR)";

// Runs `argv` with `in` as standard input (or none), `out` as standard output and `err` as
// standard error (-1: inherit), the default action for SIGPIPE restored, so that ffmpeg
// never inherits the writer's ignoring of it. Returns the process id or the spawn error.
std::pair<pid_t, int> spawn(const std::vector<std::string>& args, int in, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) {
        posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    }
    if (out >= 0) {
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    }
    if (err >= 0) {
        posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return {pid, error};
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

// Whether this ffmpeg can encode H.264; throws the not-installed message when there is none.
bool hasX264() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw Tolu::Error("--video: cannot make a pipe: " + std::string(std::strerror(errno)));
    }
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const auto [pid, error] = spawn({"ffmpeg", "-hide_banner", "-encoders"}, -1, fds[1], devNull);
    ::close(fds[1]);
    if (devNull >= 0) {
        ::close(devNull);
    }
    std::string listing;
    if (error == 0) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                break;
            }
            listing.append(buffer, std::size_t(n));
        }
        (void)waitFor(pid);
    }
    ::close(fds[0]);
    if (error == ENOENT) {
        throw Tolu::Error(missing);
    }
    if (error != 0) {
        throw Tolu::Error("--video: cannot run ffmpeg: " + std::string(std::strerror(error)));
    }
    return listing.find(" libx264 ") != std::string::npos;
}

std::string lastLine(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    const auto newline = text.find_last_of("\r\n");
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

} // namespace

VideoWriter::VideoWriter(const std::string& path, int width, int height, double fps)
    : path(path), width(width), height(height), log(std::tmpfile()) {
    if (!log) {
        throw Tolu::Error("--video: cannot make a file for ffmpeg's messages: " +
                          std::string(std::strerror(errno)));
    }
    const bool x264 = hasX264();
    std::ostringstream rate;
    rate.precision(17);
    rate << fps;
    const std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        // Frames come as Image holds them: RGBA, rows top to bottom, which is up.
        "-f", "rawvideo", "-pix_fmt", "rgba", "-s",
        std::to_string(width) + "x" + std::to_string(height), "-r", rate.str(), "-i", "-",
        // 4:2:0 chroma wants even sizes; most players want 4:2:0.
        "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p", "-c:v",
        x264 ? "libx264" : "mpeg4", "-q:v", "3", path};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw Tolu::Error("--video: cannot make a pipe: " + std::string(std::strerror(errno)));
    }
    const auto [child, error] = spawn(args, fds[0], -1, fileno(log.get()));
    ::close(fds[0]);
    if (error != 0) {
        ::close(fds[1]);
        throw Tolu::Error(error == ENOENT
                              ? missing
                              : "--video: cannot run ffmpeg: " + std::string(std::strerror(error)));
    }
    pid = child;
    pipe = fds[1];
    // A write to an ffmpeg that has stopped must come back as EPIPE, not end the program.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipeAction);
}

VideoWriter::~VideoWriter() {
    if (pid > 0) {
        (void)wait();
    }
    sigaction(SIGPIPE, &oldPipeAction, nullptr);
}

void VideoWriter::write(const Tolu::GL::Image& image) {
    if (image.width != width || image.height != height) {
        throw Tolu::Error("--video: a frame of " + std::to_string(image.width) + "x" +
                          std::to_string(image.height) + " in a video of " + std::to_string(width) +
                          "x" + std::to_string(height));
    }
    if (pid <= 0) {
        throw Tolu::Error("--video: the video " + path + " is finished already");
    }
    const std::uint8_t* data = image.rgba.data();
    std::size_t left = image.rgba.size();
    while (left > 0) {
        const ssize_t n = ::write(pipe, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const std::string what = errno == EPIPE ? "stopped early" : std::strerror(errno);
            fail(what, wait());
        }
        data += n;
        left -= std::size_t(n);
    }
}

void VideoWriter::finish() {
    const int status = wait();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fail("failed", status);
    }
}

int VideoWriter::wait() noexcept {
    if (pid <= 0) {
        return -1;
    }
    ::close(pipe);
    pipe = -1;
    const int status = waitFor(pid);
    pid = -1;
    return status;
}

void VideoWriter::fail(const std::string& what, int status) {
    std::string how;
    if (status != -1 && WIFEXITED(status)) {
        how = " (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    } else if (status != -1 && WIFSIGNALED(status)) {
        how = " (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    const std::string message = lastLine(log.get());
    throw Tolu::Error("--video: ffmpeg " + what + how + " writing " + path +
                      (message.empty() ? "" : ": " + message));
}

} // namespace SimGLRender
