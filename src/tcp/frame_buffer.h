// frame_buffer.h - cuts the TCP byte stream into NUL-terminated texts.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace kvn {

// Bytes received and not yet consumed, always starting at the first
// unconsumed byte.  A peer that sends 1270 bytes without a 0x00 has filled
// it, and the link is given up.
class FrameBuffer {
public:
    static constexpr size_t capacity = 1270;
    static constexpr size_t longest_text = 127;

    char *free_space() { return bytes_ + fill_; }
    size_t free_size() const { return capacity - fill_; }
    bool full() const { return fill_ == capacity; }
    void added(size_t count) { fill_ += count; }

    // Hands every complete text of 1 to 127 characters to deliver(const char *)
    // while keep_going() holds; empty and longer texts are consumed silently.
    // A deliver that returns bool may refuse a text with false: it then
    // stays first in the buffer, and taking stops there.
    template <typename Deliver, typename KeepGoing>
    void take_texts(Deliver &&deliver, KeepGoing &&keep_going) {
        while (keep_going()) {
            const char *end = static_cast<const char *>(std::memchr(bytes_, 0, fill_));
            if (end == nullptr) return;
            const size_t length = static_cast<size_t>(end - bytes_);
            if (length >= 1 && length <= longest_text) {
                const char *text = bytes_;
                if constexpr (std::is_same_v<decltype(deliver(text)), bool>) {
                    if (!deliver(text)) return;
                } else {
                    deliver(text);
                }
            }
            fill_ -= length + 1;
            std::memmove(bytes_, end + 1, fill_);
        }
    }

private:
    char bytes_[capacity];
    size_t fill_ = 0;
};

} // namespace kvn
