// process_win32.cpp - `kvnlink match` starts its lanes and engines as processes, which
// this build does not do yet: every call says so, and `match` refuses to run.
#include "child_process.h"

namespace kvnlink {

struct ChildProcess::Impl {};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ChildProcess::~ChildProcess() = default;

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string> &, Output, std::string &error) {
    error = "starting processes is not available on Windows";
    return nullptr;
}

bool ChildProcess::running() { return false; }
void ChildProcess::terminate() {}
bool ChildProcess::write_line(const std::string &) { return false; }
bool ChildProcess::output_ended() const { return true; }
void wait_for_output(const std::vector<ChildProcess *> &, int) {}
std::string own_executable() { return {}; }
int free_loopback_port() { return 0; }
bool wait_until_listening(int, int) { return false; }
std::FILE *reserve_standard_output() { return stdout; }
bool can_start_processes() { return false; }

} // namespace kvnlink
