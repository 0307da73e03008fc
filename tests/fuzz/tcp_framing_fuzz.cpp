// tcp_framing_fuzz.cpp - any byte stream, cut into reads of any sizes, through the frame
// buffer as the TCP receiver drives it, against a byte-by-byte reference model.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codec/msg_text.h"
#include "tcp/frame_buffer.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

struct Outcome {
    std::vector<std::string> texts;
    bool lost = false;
};

// The rule in its plainest form: texts end at 0x00; those of 1 to 127 bytes are
// delivered; a run of 1270 bytes without 0x00 ends the link there.
Outcome reference(const uint8_t *stream, size_t size) {
    Outcome out;
    std::string run;
    for (size_t i = 0; i < size; ++i) {
        if (stream[i] == 0) {
            if (!run.empty() && run.size() <= kvn::FrameBuffer::longest_text) out.texts.push_back(run);
            run.clear();
        } else {
            run.push_back(static_cast<char>(stream[i]));
            if (run.size() == kvn::FrameBuffer::capacity) {
                out.lost = true;
                return out;
            }
        }
    }
    return out;
}

// The receiver's loop, with each recv() returning the next read size's worth.
Outcome receiver(const uint8_t *stream, size_t size, const uint8_t *reads, size_t read_count) {
    Outcome out;
    kvn::FrameBuffer frames;
    size_t at = 0;
    for (size_t n = 0;; ++n) {
        if (frames.full()) {
            out.lost = true;
            return out;
        }
        if (at == size) return out;
        size_t want = read_count == 0 ? 1270 : 1 + reads[n % read_count] * 5u;
        if (want > frames.free_size()) want = frames.free_size();
        if (want > size - at) want = size - at;
        std::memcpy(frames.free_space(), stream + at, want);
        frames.added(want);
        at += want;
        frames.take_texts(
            [&](const char *text) {
                const size_t length = std::strlen(text);
                check(length >= 1 && length <= kvn::FrameBuffer::longest_text);
                kvn::MsgText received;
                received.set_from_string(text);
                check(received.chars[127] == '\0' && std::strlen(received.chars) <= length);
                for (size_t i = 0; i < length; ++i)
                    check(received.chars[i] == static_cast<char>(text[i] & 0x7F) || received.chars[i] == '\0');
                out.texts.emplace_back(text, length);
            },
            [] { return true; });
    }
}

} // namespace

// Input: a count k (low 4 bits of the first byte), k read sizes, then the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const size_t read_count = std::min<size_t>(data[0] & 0x0F, size - 1);
    const uint8_t *reads = data + 1;
    const uint8_t *stream = reads + read_count;
    const size_t stream_size = size - 1 - read_count;

    const Outcome expected = reference(stream, stream_size);
    const Outcome got = receiver(stream, stream_size, reads, read_count);
    check(got.lost == expected.lost);
    check(got.texts == expected.texts); // each once, in order, byte for byte
    return 0;
}
