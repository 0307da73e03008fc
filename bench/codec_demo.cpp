// codec_demo.cpp - prints the wire text of one message of every kind and decodes it back.
#include <cstdio>
#include <cstring>

#include "codec/codec.h"

int main() {
    kvn_message messages[7];
    std::memset(messages, 0, sizeof messages);
    messages[0].type = KVN_GAME_REQUEST;
    auto &request = messages[0].u.game_request;
    request.version = 1;
    std::strcpy(request.name, "Demo engine");
    request.colour = 'W';
    request.thinking_time = 5;
    request.move_count = 75;
    request.side_to_move = kvn::initial_side_to_move;
    for (int i = 0; i < 50; ++i) request.squares[i] = kvn::initial_squares[i];
    messages[1].type = KVN_GAME_ACCEPT;
    std::strcpy(messages[1].u.game_accept.name, "Other engine");
    messages[2].type = KVN_MOVE;
    messages[2].u.move = {15, 32, 28, 0, {}};
    messages[3].type = KVN_GAME_END;
    messages[3].u.game_end = {1, 0};
    messages[4].type = KVN_CHAT;
    std::strcpy(messages[4].u.chat.text, "good luck");
    messages[5].type = KVN_BACK_REQUEST;
    messages[5].u.back_request = {12, 'W'};
    messages[6].type = KVN_BACK_ACCEPT;
    messages[6].u.back_accept = {0};

    int failures = 0;
    for (const auto &message : messages) {
        kvn::MsgText text;
        kvn::encode_message(message, text);
        kvn_message back;
        std::memset(&back, 0, sizeof back);
        kvn::decode_message(text.chars, back);
        const bool same = std::memcmp(&back, &message, sizeof back) == 0;
        failures += same ? 0 : 1;
        std::printf("type %d  %-3zu chars  \"%s\"  %s\n", message.type, std::strlen(text.chars), text.chars,
                    same ? "round trip ok" : "ROUND TRIP DIFFERS");
    }
    return failures == 0 ? 0 : 1;
}
