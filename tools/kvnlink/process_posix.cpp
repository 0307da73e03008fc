// process_posix.cpp - ChildProcess on POSIX: posix_spawnp, pipes, poll() and waitpid().
#include "child_process.h"
#include "line_splitter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

extern char **environ;

namespace kvnlink {

namespace {

// How long a child gets to end by itself once its input is closed, before it is killed.
constexpr auto grace = std::chrono::seconds(2);

// A file descriptor closed on every way out.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// posix_spawn's file actions, destroyed on every way out.
class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;
    posix_spawn_file_actions_t *get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// posix_spawn's attributes: every child in a process group of its own, so that
// Ctrl-C at the terminal reaches kvnlink alone, which then decides what ends.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes_);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes &) = delete;
    SpawnAttributes &operator=(const SpawnAttributes &) = delete;
    const posix_spawnattr_t *get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

bool make_pipe(Fd &read_end, Fd &write_end) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    // Only the child's copies (made by dup2) survive the exec.
    for (int fd : fds) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    read_end.reset(fds[0]);
    write_end.reset(fds[1]);
    return true;
}

} // namespace

struct ChildProcess::Impl {
    pid_t pid = -1;
    bool exited = false;
    Fd input;  // our end of the child's standard input
    Fd output; // our end of the child's standard output
    bool output_ended = false;
    LineSplitter splitter;

    bool reap(int flags) {
        if (exited) return true;
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, flags);
        if (r == pid || (r < 0 && errno == ECHILD)) exited = true;
        return exited;
    }

    void read_some(std::deque<std::string> &lines) {
        char buffer[8192];
        const ssize_t n = ::read(output.get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (n <= 0) {
            output_ended = true;
            splitter.finish(lines);
            output.reset();
            return;
        }
        splitter.feed(buffer, static_cast<size_t>(n), lines);
    }
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::launch(const std::vector<std::string> &words, Output io,
                                                   std::string &error) {
    // A child that goes away must not take kvnlink with it when a line is written to it.
    ::signal(SIGPIPE, SIG_IGN);
    auto impl = std::make_unique<Impl>();
    Fd child_in, child_out;
    FileActions actions;
    if (io == Output::pipe) {
        if (!make_pipe(child_in, impl->input) || !make_pipe(impl->output, child_out)) {
            error = std::string("no pipe: ") + std::strerror(errno);
            return nullptr;
        }
        posix_spawn_file_actions_adddup2(actions.get(), child_in.get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(actions.get(), child_out.get(), STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        impl->output_ended = true;
    }
    std::vector<char *> argv;
    for (const std::string &w : words) argv.push_back(const_cast<char *>(w.c_str()));
    argv.push_back(nullptr);
    const SpawnAttributes attributes;
    const int r = ::posix_spawnp(&impl->pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
    if (r != 0) {
        error = "cannot start " + words[0] + ": " + std::strerror(r);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

ChildProcess::~ChildProcess() {
    impl_->input.reset(); // a worker ends at the end of its input
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!impl_->reap(WNOHANG) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // waitpid cannot wait with a time limit
    if (!impl_->exited) {
        ::kill(impl_->pid, SIGKILL);
        impl_->reap(0);
    }
}

bool ChildProcess::running() { return !impl_->reap(WNOHANG); }

void ChildProcess::terminate() {
    if (!impl_->reap(WNOHANG)) ::kill(impl_->pid, SIGTERM);
}

bool ChildProcess::write_line(const std::string &line) {
    if (impl_->input.get() < 0) return false;
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(impl_->input.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ChildProcess::output_ended() const { return impl_->output_ended; }

void wait_for_output(const std::vector<ChildProcess *> &children, int timeout_ms) {
    std::vector<pollfd> fds;
    std::vector<ChildProcess *> owners;
    for (ChildProcess *c : children) {
        if (!c->lines.empty() || c->impl_->output_ended) return; // something to hand out already
        fds.push_back({c->impl_->output.get(), POLLIN, 0});
        owners.push_back(c);
    }
    if (::poll(fds.data(), fds.size(), timeout_ms) <= 0) return;
    for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents != 0) owners[i]->impl_->read_some(owners[i]->lines);
}

std::string own_executable() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

int free_loopback_port() {
    const Fd s(::socket(AF_INET, SOCK_STREAM, 0));
    if (s.get() < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(s.get(), reinterpret_cast<sockaddr *>(&address), size) != 0) return 0;
    if (::getsockname(s.get(), reinterpret_cast<sockaddr *>(&address), &size) != 0) return 0;
    return ntohs(address.sin_port);
}

bool wait_until_listening(int port, int timeout_ms) {
    // Linux lists its sockets in /proc/net/tcp: "sl local_address rem_address st ...", with the
    // local port in hex after the colon and st 0A for a listening socket.
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, ":%04X ", static_cast<unsigned>(port));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        std::FILE *table = std::fopen("/proc/net/tcp", "r");
        if (table == nullptr) return false;
        char line[512];
        bool listening = false;
        while (!listening && std::fgets(line, sizeof line, table) != nullptr) {
            const char *local = std::strstr(line, wanted);
            listening = local != nullptr && local < line + 40 && std::strstr(local, " 0A ") == local + 19;
        }
        std::fclose(table);
        if (listening) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the table cannot be waited on
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::FILE *reserve_standard_output() {
    // A worker whose reader has gone ends at its next write's error, not by a signal.
    ::signal(SIGPIPE, SIG_IGN);
    std::fflush(stdout);
    const int kept = ::dup(STDOUT_FILENO);
    const Fd nothing(::open("/dev/null", O_WRONLY));
    if (kept < 0 || nothing.get() < 0) return stdout;
    ::dup2(nothing.get(), STDOUT_FILENO);
    std::FILE *stream = ::fdopen(kept, "w");
    return stream != nullptr ? stream : stdout;
}

bool can_start_processes() { return true; }

} // namespace kvnlink
