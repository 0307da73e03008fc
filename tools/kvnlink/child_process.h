// child_process.h - child processes and loopback ports for `kvnlink match`; one back end per system.
// (Not "process.h": Windows has a system header of that name, which this folder would hide.)
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kvnlink {

// A program kvnlink started.  Destroying it closes its input, gives it a moment
// to end by itself, then ends it by force and waits for it, so that no child
// outlives its owner.
class ChildProcess {
public:
    enum class Output { discard, pipe };

    // Starts `words` (the program, found on the PATH, then its arguments) with
    // its input from a pipe (Output::pipe) or from nothing, and its output read
    // by the owner or discarded.  Standard error is shared with kvnlink.
    // Null, with the reason in `error`, when it cannot be started.
    static std::unique_ptr<ChildProcess> start(const std::vector<std::string> &words, Output io, std::string &error) {
        if (!words.empty()) return launch(words, io, error);
        error = "an empty command";
        return nullptr;
    }

    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool running();
    // Asks the program to end (on POSIX, SIGTERM); the destructor still waits for it.
    void terminate();
    // One line to the program's input; false when it can no longer be written.
    bool write_line(const std::string &line);

    // Lines the program printed, collected by wait_for_output, and whether its output has ended.
    std::deque<std::string> lines;
    bool output_ended() const;

    struct Impl;

private:
    explicit ChildProcess(std::unique_ptr<Impl> impl);
    // The system's part of start: `words` holds at least the program.
    static std::unique_ptr<ChildProcess> launch(const std::vector<std::string> &words, Output io, std::string &error);
    std::unique_ptr<Impl> impl_;
    friend void wait_for_output(const std::vector<ChildProcess *> &children, int timeout_ms);
};

// Waits up to timeout_ms (-1: no limit) until one of the children has printed a
// whole line or ended its output, and collects whatever is there to read.
void wait_for_output(const std::vector<ChildProcess *> &children, int timeout_ms);

// This program's own file, to start it again as a worker; empty when unknown.
std::string own_executable();

// A TCP port on 127.0.0.1 that nothing listens on at the moment (0 if none is found).
int free_loopback_port();

// Waits up to timeout_ms until something listens on TCP `port` of this machine (IPv4);
// false when nothing came, or the system cannot tell (then the caller just goes on).
bool wait_until_listening(int port, int timeout_ms);

// Keeps standard output for the caller's own lines and sends everything else
// written there (the shared printing code's lines) to nothing; returns the
// stream that still reaches the real standard output.
std::FILE *reserve_standard_output();

// False where kvnlink cannot start processes (then `match` is not available).
bool can_start_processes();

} // namespace kvnlink
