// decoder_fuzz.cpp - any text into any record: the decoder stays inside type and the
// member of the decoded type, and never reads or writes beyond its buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/codec.h"

namespace {

constexpr size_t guard = 64;
constexpr uint8_t guard_byte = 0xA5;

// Bytes of the record the decoder may write for a text of this type, from offset 4.
size_t member_size(int32_t type) {
    const kvn_message *m = nullptr;
    switch (type) {
    case KVN_GAME_REQUEST: return sizeof m->u.game_request;
    case KVN_GAME_ACCEPT: return sizeof m->u.game_accept;
    case KVN_MOVE: return sizeof m->u.move;
    case KVN_GAME_END: return sizeof m->u.game_end;
    case KVN_CHAT: return sizeof m->u.chat;
    case KVN_BACK_REQUEST: return sizeof m->u.back_request;
    case KVN_BACK_ACCEPT: return sizeof m->u.back_accept;
    default: return 0;
    }
}

void check(bool condition) {
    if (!condition) std::abort();
}

// Decodes `text` into a record that starts as `initial`, placed between guard bytes.
void decode_guarded(const char *text, const uint8_t (&initial)[sizeof(kvn_message)]) {
    alignas(8) uint8_t area[guard + sizeof(kvn_message) + guard];
    std::memset(area, guard_byte, sizeof area);
    std::memcpy(area + guard, initial, sizeof initial);
    // The record is byte-packed, so any address will do; this one is odd on purpose.
    auto *record = reinterpret_cast<kvn_message *>(area + guard);
    kvn::decode_message(text, *record);

    const int32_t type = kvn::classify_message(text);
    check(type >= 0 && type <= 7);
    check(record->type == type);
    for (size_t i = 0; i < guard; ++i) check(area[i] == guard_byte && area[guard + sizeof initial + i] == guard_byte);
    const size_t written_end = 4 + member_size(type);
    for (size_t i = written_end; i < sizeof initial; ++i) check(area[guard + i] == initial[i]);

    if (type == KVN_MOVE) {
        const kvn_move &m = record->u.move;
        check(m.capture_count >= 0 && m.capture_count <= 20);
        check(m.from_square >= 0 && m.from_square <= 50 && m.to_square >= 0 && m.to_square <= 50);
    } else if (type == KVN_CHAT) {
        check(std::memchr(record->u.chat.text, 0, sizeof record->u.chat.text) != nullptr);
    } else if (type == KVN_GAME_REQUEST || type == KVN_GAME_ACCEPT) {
        const char *name = type == KVN_GAME_REQUEST ? record->u.game_request.name : record->u.game_accept.name;
        check(std::memchr(name, 0, 33) != nullptr);
    }
}

} // namespace

// Input: the record's 131 starting bytes, then the text (any bytes, any length).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    uint8_t initial[sizeof(kvn_message)];
    std::memset(initial, 0x5A, sizeof initial);
    const size_t head = size < sizeof initial ? size : sizeof initial;
    std::memcpy(initial, data, head);

    // The text exactly as given, with a NUL added, in a heap block of its own
    // size so that ASan sees any read past it.
    std::vector<char> text(data + head, data + size);
    text.push_back('\0');
    decode_guarded(text.data(), initial);

    // The text as the TCP receiver hands it on: at most 127 characters, 7 bits each.
    kvn::MsgText received;
    std::memset(&received, 0xFF, sizeof received);
    received.set_from_string(text.data());
    check(received.cursor == 0 && received.chars[127] == '\0');
    for (char c : received.chars) check((static_cast<unsigned char>(c) & 0x80) == 0);
    decode_guarded(received.chars, initial);
    return 0;
}
