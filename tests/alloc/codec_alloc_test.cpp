// codec_alloc_test.cpp - the codec never touches the heap, and a queue frees every text it holds.
// Global operator new and delete are replaced by counting versions for this
// whole executable, which is why these tests live apart from the unit tests.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "core/msg_queue.h"

namespace {

std::atomic<long> allocations{0};
std::atomic<long> live_blocks{0};

void *counted_allocate(std::size_t size) {
    void *block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    ++allocations;
    ++live_blocks;
    return block;
}

void counted_free(void *block) noexcept {
    if (block == nullptr) return;
    --live_blocks;
    std::free(block);
}

} // namespace

void *operator new(std::size_t size) { return counted_allocate(size); }
void *operator new[](std::size_t size) { return counted_allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    try {
        return counted_allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](std::size_t size, const std::nothrow_t &tag) noexcept { return operator new(size, tag); }
void operator delete(void *block) noexcept { counted_free(block); }
void operator delete[](void *block) noexcept { counted_free(block); }
void operator delete(void *block, std::size_t) noexcept { counted_free(block); }
void operator delete[](void *block, std::size_t) noexcept { counted_free(block); }
void operator delete(void *block, const std::nothrow_t &) noexcept { counted_free(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { counted_free(block); }

namespace {

std::vector<kvn_message> one_record_of_every_kind() {
    std::vector<kvn_message> records(9);
    for (auto &m : records) std::memset(&m, 0, sizeof m);
    records[0].type = KVN_GAME_REQUEST;
    std::strcpy(records[0].u.game_request.name, "Counting engine");
    records[0].u.game_request.side_to_move = 'Z';
    records[1].type = KVN_GAME_REQUEST;
    records[1].u.game_request.side_to_move = kvn::initial_side_to_move;
    for (int i = 0; i < 50; ++i) records[1].u.game_request.squares[i] = kvn::initial_squares[i];
    records[2].type = KVN_GAME_ACCEPT;
    std::strcpy(records[2].u.game_accept.name, "Other");
    records[3].type = KVN_MOVE;
    records[3].u.move = {15, 32, 23, 20, {}};
    records[4].type = KVN_GAME_END;
    records[5].type = KVN_CHAT;
    std::memset(records[5].u.chat.text, 'c', sizeof records[5].u.chat.text);
    records[6].type = KVN_BACK_REQUEST;
    records[6].u.back_request = {12, 'W'};
    records[7].type = KVN_BACK_ACCEPT;
    records[8].type = 0;
    return records;
}

} // namespace

TEST(CodecAllocation, EncodeAndDecodeOfEveryKindAllocateNothing) {
    const std::vector<kvn_message> records = one_record_of_every_kind();
    const std::string long_text(200, '7');
    const char *odd_texts[] = {"", "R", "A", "M", "E", "C", "B", "K", "x", long_text.c_str()};
    kvn::MsgText text;
    kvn_message back;

    const long before = allocations.load();
    for (int round = 0; round < 3; ++round) {
        for (const kvn_message &m : records) {
            kvn::encode_message(m, text);
            kvn::classify_message(text.chars);
            kvn::decode_message(text.chars, back);
        }
        for (const char *odd : odd_texts) kvn::decode_message(odd, back);
        text.set_from_string(long_text.c_str());
        kvn::MsgText copy;
        copy.copy_from(text);
        char name[33];
        kvn::read_name(long_text.c_str(), long_text.size(), 1, name);
        kvn::read_number(long_text.c_str(), long_text.size(), 1, 4);
    }
    EXPECT_EQ(allocations.load() - before, 0);
}

TEST(QueueAllocation, ClearAndDestructionFreeEveryText) {
    const long before = live_blocks.load();
    {
        kvn::CMsgQueue queue;
        kvn::MsgText text;
        text.set_from_string("K1");
        for (int i = 0; i < 10; ++i) queue.push(text);
        EXPECT_GE(live_blocks.load() - before, 10);
        queue.clear();
        EXPECT_EQ(live_blocks.load(), before);

        for (int i = 0; i < 4; ++i) queue.push(text);
        queue.pop(text); // its node is kept for reuse until clear or destruction
        queue.pop(text);
        queue.clear();
        EXPECT_EQ(live_blocks.load(), before);
        for (int i = 0; i < 4; ++i) queue.push(text);
    }
    EXPECT_EQ(live_blocks.load(), before);
}

// Steady traffic (the sender keeping up with the host, or the host with the
// receiver) reuses the nodes that pop gave back.
TEST(QueueAllocation, SteadyTrafficAllocatesNothingOnceWarm) {
    kvn::CMsgQueue queue;
    kvn::MsgText text;
    text.set_from_string("M0015322800");
    const auto exchange = [&](int rounds, int depth) {
        for (int round = 0; round < rounds; ++round) {
            for (int i = 0; i < depth; ++i) queue.push(text);
            for (int i = 0; i < depth; ++i) queue.pop(text);
        }
    };
    exchange(1, 8);
    const long before = allocations.load();
    exchange(1000, 8);
    EXPECT_EQ(allocations.load() - before, 0);

    // A burst deeper than the spare list allocates, and gives back all but
    // the kept nodes.
    const long live = live_blocks.load();
    exchange(1, static_cast<int>(kvn::CMsgQueue::spare_limit) * 4);
    EXPECT_LE(live_blocks.load() - live, static_cast<long>(kvn::CMsgQueue::spare_limit));
}
