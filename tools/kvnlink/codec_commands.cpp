// codec_commands.cpp - `kvnlink decode` and `kvnlink encode`: the codec alone, no link.
#include <cstdio>

#include "command.h"
#include "printer.h"
#include "subcommands.h"
#include "wire.h"

namespace kvnlink {

int run_decode(const std::string &text, bool json) {
    Printer(json).decoded(decode_wire(text), text);
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
    Printer out(json);
    // Readable: exactly the text, as a game request's name field may hold spaces.
    if (json) out.decoded(c.message, wire);
    else out.plain(wire);
    return exit_ok;
}

} // namespace kvnlink
