// serial_receiver_fuzz.cpp - any byte stream from the cable, with silences, failed reads and
// writes and a stop anywhere, through the serial receiver on a scripted port, against a model.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codec/codec.h"
#include "fuzz/scripted_platform.h"
#include "serial/conn_nulmodem.h"
#include "serial/serial_test_seam.h"

namespace {

using kvn_fuzz::check;
using kvn_fuzz::PortEvent;
using kvn_fuzz::ScriptStep;

constexpr uint8_t start_marker = 0xD3;
constexpr uint8_t end_marker = 0xC5;

// What the model's receiver gets from one read.
struct ModelRead {
    enum class What { byte, nothing, stopping } what;
    uint8_t byte;
};

// Input: a flags byte, an escape byte E, then the cable.  A byte other than E
// is read as it stands.  E is followed by a code: 0 a read that brings
// nothing, 1 a read that fails, 2 the byte E itself, 3 and 4 the next byte
// with its echo failing or writing nothing, 5 the stop flag raised as the next
// byte is read, 6 the stop flag raised as a read brings nothing.
std::vector<ScriptStep> parse_script(const uint8_t *cable, size_t size, uint8_t escape) {
    std::vector<ScriptStep> script;
    for (size_t i = 0; i < size; ++i) {
        ScriptStep step;
        step.read = ScriptStep::Read::byte;
        step.byte = cable[i];
        if (cable[i] == escape) {
            if (++i == size) break;
            const int code = cable[i] % 7;
            const bool takes_byte = code == 3 || code == 4 || code == 5;
            if (takes_byte && ++i == size) break;
            step.byte = takes_byte ? cable[i] : escape;
            if (code == 0 || code == 6) step.read = ScriptStep::Read::nothing;
            if (code == 1) step.read = ScriptStep::Read::fails;
            if (code == 3) step.echo = ScriptStep::Echo::fails;
            if (code == 4) step.echo = ScriptStep::Echo::writes_nothing;
            step.stop_first = code == 5 || code == 6;
        }
        script.push_back(step);
        if (step.stop_first) break; // nothing after a stop may be read
    }
    return script;
}

struct Expected {
    std::vector<PortEvent> port_log;
    std::vector<std::string> texts; // the collected characters, NULs and all
};

// The receiver's rules in their plainest form, one script step per read.
Expected model(const std::vector<ScriptStep> &script) {
    Expected out;
    size_t at = 0;
    bool stop = false;
    constexpr ModelRead nothing{ModelRead::What::nothing, 0};
    constexpr ModelRead stopping{ModelRead::What::stopping, 0};
    auto receive = [&]() -> ModelRead {
        out.port_log.push_back({false, 0});
        if (at == script.size()) {
            stop = true;
            return nothing;
        }
        const ScriptStep &step = script[at++];
        stop = stop || step.stop_first;
        if (step.read != ScriptStep::Read::byte || step.byte == 0) return nothing;
        if (stop) return stopping; // read, but not echoed
        out.port_log.push_back({true, step.byte});
        if (step.echo != ScriptStep::Echo::written) return stopping;
        if (step.byte == 0xFF) return nothing; // echoed, never stored
        return {ModelRead::What::byte, step.byte};
    };

    while (!stop) {
        const ModelRead first = receive();
        if (first.what != ModelRead::What::byte || first.byte != start_marker) continue;
        std::string collected;
        for (;;) {
            if (stop) return out;
            const ModelRead read = receive();
            if (read.what == ModelRead::What::stopping) break;
            if (read.what == ModelRead::What::nothing) continue;
            const uint8_t byte = read.byte;
            if (byte == start_marker) {
                collected.clear();
                continue;
            }
            if (byte == end_marker) {
                if (stop) return out;
                out.texts.push_back(collected);
                break;
            }
            if (collected.size() >= 127) break;
            collected.push_back(static_cast<char>(byte & 0x7F));
        }
    }
    return out;
}

void check_delivered(const kvn::MsgText &text, const std::string &expected) {
    check(text.cursor == 0, "a delivered text has cursor 0");
    check(text.chars[127] == '\0', "a delivered text ends within its buffer");
    const size_t length = std::strlen(text.chars);
    check(length <= 127 && length <= expected.size(), "a delivered text holds at most 127 characters");
    for (size_t i = 0; i < length; ++i)
        check(static_cast<unsigned char>(text.chars[i]) < 0x80, "a delivered text holds 7-bit characters only");
    check(std::memcmp(text.chars, expected.data(), expected.size()) == 0 && text.chars[expected.size()] == '\0',
          "a delivered text is what was collected, in the order it came");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const bool with_window = (flags & 1) == 0;
    const int32_t slot = (flags >> 1) % 3;
    const int32_t port_number = (flags >> 3) & 0x0F;
    const std::vector<ScriptStep> script = parse_script(data + 2, size - 2, data[1]);

    auto &world = kvn_fuzz::world();
    kvn_fuzz::reset(script);
    const bool open_fails = (flags & 0x80) != 0 && data[1] % 2 == 0;
    // Each way a port can refuse, and the connect result the header gives it.
    using kvn::platform::SerialOpen;
    constexpr std::pair<SerialOpen, int32_t> refusals[] = {{SerialOpen::cannot_open, KVN_SOCKET_FAILED},
                                                           {SerialOpen::cannot_read_settings, KVN_CONNECT_FAILED},
                                                           {SerialOpen::cannot_apply_settings, KVN_NONBLOCK_OR_BIND},
                                                           {SerialOpen::cannot_set_timeouts, KVN_KEEPALIVE_OR_LISTEN},
                                                           {SerialOpen::cannot_finish_setup, KVN_ACCEPT_FAILED}};
    const auto refusal = refusals[data[1] % 5];
    if (open_fails) world.open_outcome = refusal.first;

    int window_target = 0;
    void *const window = with_window ? &window_target : nullptr;
    constexpr uint32_t message = 0x8123;
    {
        auto link = std::make_unique<kvn::CConnNulmodem>(port_number);
        link->set_notification_target(window, message, slot);
        world.raise_stop = [&link] { kvn::NulmodemHarness::raise_stop(*link); };

        const int32_t opened = link->open();
        check(world.opened_number == (port_number >= 1 && port_number <= 9 ? port_number : 1),
              "COM numbers outside 1..9 mean COM1");
        if (open_fails) {
            check(opened == refusal.second && !link->is_open() && world.threads.empty() && world.ports_open == 0,
                  "a port that cannot be opened leaves no link");
            return 0;
        }
        check(opened == 0 && link->is_open() && world.threads.size() == 2, "open starts both workers");

        // Sender first, receiver second; the receiver runs until the script
        // raises the stop flag, then the sender finds it raised at once.
        const kvn_fuzz::Thread sender = world.threads[0];
        const kvn_fuzz::Thread receiver = world.threads[1];
        receiver.entry(receiver.argument);
        check(world.stop_raised, "the receiver ends only on the stop flag");
        const size_t port_events = world.port_log.size();
        sender.entry(sender.argument);
        check(world.port_log.size() == port_events, "a stopped sender with nothing to send leaves the port alone");

        const Expected expected = model(script);
        check(world.port_log == expected.port_log, "each byte read is echoed once, at once, and nothing else written");
        check(world.reads_past_end <= 1, "nothing is read after the stop");

        size_t delivered = 0;
        for (;;) {
            kvn::MsgText popped;
            if (!link->take_received(popped)) break;
            const kvn::MsgText *text = &popped;
            check(delivered < expected.texts.size(), "no text is delivered that was not framed");
            check_delivered(*text, expected.texts[delivered]);
            if (with_window) {
                check(delivered < world.posts.size(), "every delivery is notified");
                const kvn_fuzz::Post &post = world.posts[delivered];
                const int32_t type = kvn::classify_message(text->chars);
                check(post.window == window && post.message == message && post.lparam == slot,
                      "a notification goes to the link's window with its slot");
                check(post.wparam == static_cast<uintptr_t>(type) && type >= 0 && type <= 7,
                      "a notification carries the text's type code");
            }
            ++delivered;
        }
        check(delivered == expected.texts.size(), "every framed text is delivered");
        check(world.posts.size() == (with_window ? delivered : 0), "each delivery is notified exactly once");

        link->close();
        check(!link->is_open() && world.ports_open == 0 && world.port_closes == 1 && world.live_semaphores == 0,
              "close releases the port and every semaphore");
        check(!world.foreign_port_used, "only the open port is used");
    }
    check(world.port_closes == 1, "the port is closed once");
    return 0;
}
