// msg_queue_test.cpp - CMsgQueue order, ownership and hand-over between two threads.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/msg_queue.h"

using kvn::CMsgQueue;
using kvn::MsgText;

namespace {

std::unique_ptr<MsgText> text_of(const std::string &s) {
    auto text = std::make_unique<MsgText>();
    text->set_from_string(s.c_str());
    return text;
}

} // namespace

TEST(MsgQueue, PopOnEmptyReturnsNull) {
    CMsgQueue queue;
    EXPECT_EQ(queue.pop(), nullptr);
    EXPECT_EQ(queue.pop(), nullptr);
    EXPECT_TRUE(queue.empty());
}

TEST(MsgQueue, FirstInFirstOutWithPointersUnchanged) {
    CMsgQueue queue;
    std::vector<MsgText *> pushed;
    for (const char *s : {"M0015322800", "E10", "K1"}) {
        auto text = text_of(s);
        pushed.push_back(text.get());
        queue.push(std::move(text));
    }
    EXPECT_FALSE(queue.empty());
    for (MsgText *expected : pushed) {
        const auto got = queue.pop();
        EXPECT_EQ(got.get(), expected);
    }
    EXPECT_EQ(queue.pop(), nullptr);
    EXPECT_TRUE(queue.empty());
}

TEST(MsgQueue, InterleavedPushAndPopKeepOrder) {
    CMsgQueue queue;
    queue.push(text_of("1"));
    queue.push(text_of("2"));
    EXPECT_STREQ(queue.pop()->chars, "1");
    queue.push(text_of("3"));
    EXPECT_STREQ(queue.pop()->chars, "2");
    EXPECT_STREQ(queue.pop()->chars, "3");
    EXPECT_EQ(queue.pop(), nullptr);
}

// That clear and destruction free the texts is checked by the allocation
// counting suite in tests/alloc.
TEST(MsgQueue, ClearEmptiesQueueAndQueueStaysUsable) {
    CMsgQueue queue;
    for (int i = 0; i < 5; ++i) queue.push(text_of("x"));
    queue.clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.pop(), nullptr);

    queue.clear(); // clearing an empty queue is harmless
    queue.push(text_of("after"));
    EXPECT_STREQ(queue.pop()->chars, "after");
}

TEST(MsgQueue, ProducerAndConsumerThreadsKeepOrderAndCount) {
    constexpr int count = 20000;
    CMsgQueue queue;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) {
            auto text = std::make_unique<MsgText>();
            text->set_from_string(std::to_string(i).c_str());
            queue.push(std::move(text));
        }
    });

    int received = 0;
    bool in_order = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received < count && std::chrono::steady_clock::now() < deadline) {
        const auto text = queue.pop();
        if (!text) {
            std::this_thread::yield();
            continue;
        }
        const int value = std::stoi(text->chars);
        in_order = in_order && value == received;
        ++received;
    }
    producer.join();
    EXPECT_EQ(received, count);
    EXPECT_TRUE(in_order);
    EXPECT_EQ(queue.pop(), nullptr);
}
