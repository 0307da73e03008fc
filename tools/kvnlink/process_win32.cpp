// process_win32.cpp - ChildProcess on Windows: CreateProcess with an explicit list of the
// handles a child inherits, anonymous pipes read by one thread per child, and the
// system's TCP table to see a port listening.
#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#  define _WIN32_WINNT 0x0601 // Windows 7: the inherited-handle list
#endif
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include "child_process.h"
#include "line_splitter.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace kvnlink {

namespace {

// How long a child gets to end by itself once its input is closed, before it is ended by force.
constexpr DWORD grace_ms = 2000;

// A handle closed on every way out.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { reset(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    void reset(HANDLE h = nullptr) {
        if (h_ != nullptr) CloseHandle(h_);
        h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    HANDLE get() const { return h_; }
    HANDLE release() {
        const HANDLE h = h_;
        h_ = nullptr;
        return h;
    }

private:
    HANDLE h_;
};

// Every reader thread wakes wait_for_output through this one signal.
struct OutputSignal {
    std::mutex lock;
    std::condition_variable changed;
};
OutputSignal &output_signal() {
    static OutputSignal signal;
    return signal;
}

// What a child's reader thread collects.  A blocking ReadFile cannot be
// interrupted, so the thread holds its own share and may outlive the ChildProcess.
struct PipeLines {
    std::deque<std::string> lines; // guarded by output_signal().lock
    bool ended = false;
};

void read_pipe(HANDLE pipe, std::shared_ptr<PipeLines> into) {
    LineSplitter splitter;
    std::deque<std::string> got;
    char buffer[8192];
    for (bool ended = false; !ended;) {
        DWORD n = 0;
        ended = !ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) || n == 0;
        if (ended) splitter.finish(got);
        else splitter.feed(buffer, n, got);
        const std::lock_guard<std::mutex> guard(output_signal().lock);
        for (std::string &line : got) into->lines.push_back(std::move(line));
        got.clear();
        into->ended = ended;
        output_signal().changed.notify_all();
    }
    CloseHandle(pipe);
}

// One word of a command line as the C runtime's argument parser reads it back:
// quoted when it holds a space, a tab or a quote; backslashes doubled only before a quote.
std::string quoted(const std::string &word) {
    if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

std::string command_line(const std::vector<std::string> &words) {
    std::string line;
    for (const std::string &w : words) line += (line.empty() ? "" : " ") + quoted(w);
    return line;
}

std::string system_error(DWORD code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string s(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s.empty() ? "system error " + std::to_string(code) : s;
}

// A pipe whose `child_end` is inheritable and whose other end is not.
bool make_pipe(Handle &read_end, Handle &write_end, bool child_reads) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 0)) return false;
    read_end.reset(r);
    write_end.reset(w);
    return SetHandleInformation(child_reads ? w : r, HANDLE_FLAG_INHERIT, 0) != 0;
}

// The three standard handles, and only they, pass to the child: without the
// list every inheritable handle would, and a child holding another child's pipe
// would keep that pipe open after its owner ended.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        ok_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
              UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                        handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritedHandles() {
        if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
    }
    InheritedHandles(const InheritedHandles &) = delete;
    InheritedHandles &operator=(const InheritedHandles &) = delete;
    bool ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
};

// The child's standard error: kvnlink's own, made inheritable (a console handle
// or a file the user redirected to), or nothing when kvnlink has none.
HANDLE shared_error() {
    const HANDLE e = GetStdHandle(STD_ERROR_HANDLE);
    if (e == nullptr || e == INVALID_HANDLE_VALUE) return nullptr;
    SetHandleInformation(e, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return e;
}

} // namespace

struct ChildProcess::Impl {
    Handle process;
    Handle input; // our end of the child's standard input
    std::shared_ptr<PipeLines> output;
    std::thread reader;

    bool ended(DWORD wait_ms) const { return WaitForSingleObject(process.get(), wait_ms) == WAIT_OBJECT_0; }
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::launch(const std::vector<std::string> &words, Output io,
                                                   std::string &error) {
    auto impl = std::make_unique<Impl>();
    Handle child_in, child_out, our_out;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (io == Output::pipe) {
        if (!make_pipe(child_in, impl->input, true) || !make_pipe(our_out, child_out, false)) {
            error = "no pipe: " + system_error(GetLastError());
            return nullptr;
        }
    } else {
        child_in.reset(
            CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
        child_out.reset(
            CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    }
    std::vector<HANDLE> passed = {child_in.get(), child_out.get()};
    const HANDLE err = shared_error();
    if (err != nullptr) passed.push_back(err);
    const InheritedHandles handles(passed);
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = child_in.get();
    startup.StartupInfo.hStdOutput = child_out.get();
    startup.StartupInfo.hStdError = err;
    startup.lpAttributeList = handles.get();
    std::string line = command_line(words);
    PROCESS_INFORMATION started{};
    // A process group of its own: Ctrl-C in the console reaches kvnlink alone, which then decides what ends.
    const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | CREATE_NEW_PROCESS_GROUP;
    if (!handles.ok() || !CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                         &startup.StartupInfo, &started)) {
        error = "cannot start " + words[0] + ": " + system_error(GetLastError());
        return nullptr;
    }
    CloseHandle(started.hThread);
    impl->process.reset(started.hProcess);
    impl->output = std::make_shared<PipeLines>();
    if (io == Output::pipe) {
        impl->reader = std::thread(read_pipe, our_out.get(), impl->output);
        our_out.release(); // the reader closes it
    } else {
        impl->output->ended = true;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

ChildProcess::~ChildProcess() {
    impl_->input.reset(); // a worker ends at the end of its input
    if (!impl_->ended(grace_ms)) {
        TerminateProcess(impl_->process.get(), 1);
        impl_->ended(INFINITE);
    }
    // The child's end of the pipe went with it, so the reader meets the end of its input.
    if (impl_->reader.joinable()) impl_->reader.join();
}

bool ChildProcess::running() { return !impl_->ended(0); }

// Windows has no polite request to end a console program that is not in a
// console of its own; an engine asked to end is ended.
void ChildProcess::terminate() {
    if (!impl_->ended(0)) TerminateProcess(impl_->process.get(), 1);
}

bool ChildProcess::write_line(const std::string &line) {
    if (impl_->input.get() == nullptr) return false;
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        if (!WriteFile(impl_->input.get(), text.data() + done, static_cast<DWORD>(text.size() - done), &n, nullptr) ||
            n == 0)
            return false;
        done += n;
    }
    return true;
}

bool ChildProcess::output_ended() const {
    const std::lock_guard<std::mutex> guard(output_signal().lock);
    return impl_->output->ended && impl_->output->lines.empty();
}

void wait_for_output(const std::vector<ChildProcess *> &children, int timeout_ms) {
    std::unique_lock<std::mutex> guard(output_signal().lock);
    const auto ready = [&] {
        bool any = false;
        for (ChildProcess *c : children) {
            PipeLines &from = *c->impl_->output;
            for (std::string &line : from.lines) c->lines.push_back(std::move(line));
            from.lines.clear();
            any = any || !c->lines.empty() || from.ended;
        }
        return any;
    };
    if (timeout_ms < 0) output_signal().changed.wait(guard, ready);
    else output_signal().changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), ready);
}

std::string own_executable() {
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

int free_loopback_port() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    int port = 0;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (bind(s, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        closesocket(s);
    }
    WSACleanup();
    return port;
}

namespace {

// Whether the system's IPv4 TCP table has a listener on `port`.
bool listed_as_listening(int port) {
    ULONG size = 0;
    GetTcpTable(nullptr, &size, FALSE);
    std::vector<char> storage(size + 64 * sizeof(MIB_TCPROW));
    size = static_cast<ULONG>(storage.size());
    auto *table = reinterpret_cast<MIB_TCPTABLE *>(storage.data());
    if (GetTcpTable(table, &size, FALSE) != NO_ERROR) return false;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCPROW &row = table->table[i];
        if (row.dwState == MIB_TCP_STATE_LISTEN && ntohs(static_cast<u_short>(row.dwLocalPort)) == port) return true;
    }
    return false;
}

} // namespace

bool wait_until_listening(int port, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (listed_as_listening(port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the table cannot be waited on
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::FILE *reserve_standard_output() {
    std::fflush(stdout);
    const int kept = _dup(_fileno(stdout));
    const int nothing = _open("NUL", _O_WRONLY);
    if (kept < 0 || nothing < 0) return stdout;
    _dup2(nothing, _fileno(stdout));
    _close(nothing);
    SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))));
    std::FILE *stream = _fdopen(kept, "w");
    return stream != nullptr ? stream : stdout;
}

bool can_start_processes() { return true; }

} // namespace kvnlink
