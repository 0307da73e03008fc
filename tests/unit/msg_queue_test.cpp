// msg_queue_test.cpp - CMsgQueue order, copies, reuse of nodes and hand-over between two threads.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/msg_queue.h"

using kvn::CMsgQueue;
using kvn::MsgText;

namespace {

MsgText text_of(const std::string &s) {
    MsgText text;
    text.set_from_string(s.c_str());
    return text;
}

std::string pop_string(CMsgQueue &queue) {
    MsgText text = text_of("untouched");
    return queue.pop(text) ? std::string(text.chars) : "<empty>";
}

} // namespace

TEST(MsgQueue, PopOnEmptyLeavesTheTargetAlone) {
    CMsgQueue queue;
    MsgText text = text_of("K1");
    EXPECT_FALSE(queue.pop(text));
    EXPECT_STREQ(text.chars, "K1");
    EXPECT_TRUE(queue.empty());
}

TEST(MsgQueue, FirstInFirstOutAcrossReusedNodes) {
    CMsgQueue queue;
    // Enough rounds that later texts land in nodes earlier pops gave back.
    for (int round = 0; round < 3; ++round) {
        for (const char *s : {"M0015322800", "E10", "K1"}) queue.push(text_of(s));
        EXPECT_FALSE(queue.empty());
        EXPECT_EQ(pop_string(queue), "M0015322800");
        queue.push(text_of("C later"));
        EXPECT_EQ(pop_string(queue), "E10");
        EXPECT_EQ(pop_string(queue), "K1");
        EXPECT_EQ(pop_string(queue), "C later");
        EXPECT_EQ(pop_string(queue), "<empty>");
    }
}

TEST(MsgQueue, PushCopiesSoTheCallerMayReuseItsText) {
    CMsgQueue queue;
    MsgText text = text_of("first");
    queue.push(text);
    text.set_from_string("second");
    queue.push(text);
    EXPECT_EQ(pop_string(queue), "first");
    EXPECT_EQ(pop_string(queue), "second");
}

// That clear and destruction free the texts is checked by the allocation
// counting suite in tests/alloc.
TEST(MsgQueue, ClearEmptiesQueueAndQueueStaysUsable) {
    CMsgQueue queue;
    for (int i = 0; i < 5; ++i) queue.push(text_of("x"));
    EXPECT_EQ(pop_string(queue), "x");
    queue.clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(pop_string(queue), "<empty>");

    queue.clear(); // clearing an empty queue is harmless
    queue.push(text_of("after"));
    EXPECT_EQ(pop_string(queue), "after");
}

TEST(MsgQueue, ProducerAndConsumerThreadsKeepOrderAndCount) {
    constexpr int count = 20000;
    CMsgQueue queue;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) queue.push(text_of(std::to_string(i)));
    });

    int received = 0;
    bool in_order = true;
    MsgText text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received < count && std::chrono::steady_clock::now() < deadline) {
        if (!queue.pop(text)) {
            std::this_thread::yield();
            continue;
        }
        in_order = in_order && std::stoi(text.chars) == received;
        ++received;
    }
    producer.join();
    EXPECT_EQ(received, count);
    EXPECT_TRUE(in_order);
    EXPECT_TRUE(queue.empty());
}
