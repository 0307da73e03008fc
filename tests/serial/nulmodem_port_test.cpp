// nulmodem_port_test.cpp - which COM port a serial link opens, exclusivity, reopening, and leaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "api/slot_table.h"
#include "serial/pty_peer.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {

class SerialPorts : public ::testing::Test {
protected:
    void TearDown() override {
        for (int32_t slot = 0; slot < 3; ++slot) kvn_disconnect(slot);
    }

    // The link on `slot` is alive on `pty`: a sent message reaches the cable.
    static bool carries_to(int32_t slot, Pty &pty) {
        kvn_message m{};
        m.type = KVN_BACK_ACCEPT;
        m.u.back_accept.accept_code = 2;
        kvn_send_message(slot, &m);
        try {
            return echo_one_message(pty) == "K2";
        } catch (const std::exception &) {
            return false;
        }
    }

    Pty com1;
    PortDirectory ports;
};

TEST_F(SerialPorts, NumbersOutsideOneToNineMeanCom1) {
    ports.link(1, com1);
    for (int32_t number : {0, -1, 10, 256, INT32_MIN, INT32_MAX, 1}) {
        ASSERT_EQ(kvn_nulmodem_connect(0, number, nullptr, 0), 0) << "port " << number;
        EXPECT_TRUE(carries_to(0, com1)) << "port " << number;
        kvn_disconnect(0);
    }
    EXPECT_EQ(kvn_nulmodem_connect(0, 9, nullptr, 0), KVN_SOCKET_FAILED) << "COM9 does not exist";
    EXPECT_EQ(kvn_nulmodem_connect(0, 5, nullptr, 0), KVN_SOCKET_FAILED) << "COM5 does not exist";
}

TEST_F(SerialPorts, Ports5And9AreTheirOwn) {
    Pty com5, com9;
    ports.link(5, com5);
    ports.link(9, com9);
    ASSERT_EQ(kvn_nulmodem_connect(0, 5, nullptr, 0), 0);
    ASSERT_EQ(kvn_nulmodem_connect(1, 9, nullptr, 0), 0);
    EXPECT_TRUE(carries_to(0, com5));
    EXPECT_TRUE(carries_to(1, com9));
    EXPECT_EQ(kvn_nulmodem_connect(2, 0, nullptr, 0), KVN_SOCKET_FAILED) << "COM1 does not exist";
}

TEST_F(SerialPorts, MissingPortLeavesTheSlotAsItWas) {
    ports.link(1, com1);
    ASSERT_EQ(kvn_nulmodem_connect(0, 1, nullptr, 0), 0);
    kvn::CConnection *const before = kvn::connection_in(0);
    EXPECT_EQ(kvn_nulmodem_connect(0, 4, nullptr, 0), KVN_SOCKET_FAILED);
    EXPECT_EQ(kvn::connection_in(0), before);
    EXPECT_TRUE(carries_to(0, com1));
}

TEST_F(SerialPorts, APortOpenInOneSlotIsRefusedToAnother) {
    ports.link(1, com1);
    ASSERT_EQ(kvn_nulmodem_connect(0, 1, nullptr, 0), 0);
    EXPECT_EQ(kvn_nulmodem_connect(1, 1, nullptr, 0), KVN_SOCKET_FAILED);
    EXPECT_EQ(kvn::connection_in(1), nullptr);
    kvn_disconnect(0);
    ASSERT_EQ(kvn_nulmodem_connect(1, 1, nullptr, 0), 0);
    EXPECT_TRUE(carries_to(1, com1));
}

TEST_F(SerialPorts, DisconnectThenConnectAgainWorks) {
    ports.link(1, com1);
    RecordingWindow window;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(kvn_nulmodem_connect(0, 1, window.handle(), 7), 0) << "round " << round;
        EXPECT_TRUE(carries_to(0, com1));
        send_bytes(com1, framed("C hello"));
        ASSERT_TRUE(window.wait_for_count(static_cast<size_t>(round) + 1));
        kvn_message got{};
        kvn_receive_message(0, &got);
        const int32_t type = got.type;
        EXPECT_EQ(type, KVN_CHAT);
        EXPECT_STREQ(got.u.chat.text, " hello");
        kvn_disconnect(0);
    }
}

TEST_F(SerialPorts, BadSlotsAreRefusedBeforeAnyPortIsTouched) {
    ports.link(1, com1);
    for (int32_t slot : {-1, 3, 1000}) EXPECT_EQ(kvn_nulmodem_connect(slot, 1, nullptr, 0), KVN_BAD_SLOT);
    ASSERT_EQ(kvn_nulmodem_connect(0, 1, nullptr, 0), 0) << "COM1 was left free";
}

TEST_F(SerialPorts, DisconnectMidMessageLeavesNoThreadOrDescriptorBehind) {
    ports.link(1, com1);
    const size_t threads = thread_count();
    const size_t descriptors = descriptor_count();

    // Closed before the workers can have begun to run.
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(kvn_nulmodem_connect(0, 1, nullptr, 0), 0);
        kvn_disconnect(0);
    }
    // Closed while the peer is halfway through a message, with a text queued.
    ASSERT_EQ(kvn_nulmodem_connect(0, 1, nullptr, 0), 0);
    send_bytes(com1, {start_marker, 'C', 'a'});
    kvn_message m{};
    m.type = KVN_GAME_END;
    kvn_send_message(0, &m);
    kvn_disconnect(0);
    EXPECT_EQ(com1.read_byte(300ms), nothing) << "the queued text was dropped unsent";

    EXPECT_TRUE(eventually([&] { return thread_count() <= threads; })) << thread_count() << " vs " << threads;
    EXPECT_EQ(descriptor_count(), descriptors);
}

} // namespace
