// codec_commands.cpp - `kvnlink decode` and `kvnlink encode`: the codec alone, no link.
#include <cstdio>

#include "command.h"
#include "printer.h"
#include "subcommands.h"
#include "wire.h"

namespace kvnlink {

int run_decode(const std::string &text, bool json) {
    const kvn_message m = decode_wire(text);
    if (json) {
        Json j;
        add_fields(j, m);
        std::printf("%s\n", j.add("wire", text).str().c_str());
        return exit_ok;
    }
    std::printf("%s\n", describe(m).c_str());
    if (m.type == KVN_GAME_REQUEST)
        for (const auto &row : draw_board(m.u.game_request.side_to_move, m.u.game_request.squares))
            std::printf("     %s\n", row.c_str());
    return exit_ok;
}

int run_encode(const std::vector<std::string> &words, bool json) {
    const Command c = parse_words(words);
    if (c.kind != Command::Kind::send) {
        std::fprintf(stderr, "kvnlink encode: %s\n",
                     c.kind == Command::Kind::error ? c.error.c_str() : "give a message kind and its fields");
        return exit_usage;
    }
    const std::string wire = encode_wire(c.message);
    if (json) {
        Json j;
        add_fields(j, c.message);
        std::printf("%s\n", j.add("wire", wire).str().c_str());
    } else {
        // Exactly the text: a game request's name field may hold spaces.
        std::printf("%s\n", wire.c_str());
    }
    return exit_ok;
}

} // namespace kvnlink
