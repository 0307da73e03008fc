// codec_smoke_test.cpp - placeholder removed once the full codec tests exist.
#include <gtest/gtest.h>

#include "codec/codec.h"

TEST(CodecSmoke, MoveWireText) {
    kvn_message m{};
    m.type = KVN_MOVE;
    m.u.move.time = 15;
    m.u.move.from_square = 32;
    m.u.move.to_square = 28;
    kvn::MsgText text;
    kvn::encode_message(m, text);
    EXPECT_STREQ(text.chars, "M0015322800");
}
