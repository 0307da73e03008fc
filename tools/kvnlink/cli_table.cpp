// cli_table.cpp - the table of subcommands; `kvnlink help`, the man page and docs/kvnlink.md follow it.
#include "cli_table.h"

namespace kvnlink {

namespace {
const char *const typed_commands = "Once linked, commands are read from standard input, one per line; type help.";
}

const std::vector<Subcommand> &subcommand_table() {
    static const std::vector<Subcommand> table = {
        {"listen", "wait for one peer on every local address, then exchange messages", typed_commands, define_listen},
        {"connect", "connect to a listening peer at HOST, then exchange messages", typed_commands, define_connect},
        {"serial", "open the null-modem serial port COM1..COM9, then exchange messages", typed_commands, define_serial},
        {"bridge", "open two links A and B and pass every message on from one to the other",
         "A and B are each one of listen:PORT, listen6:PORT, connect:HOST:PORT, connect6:HOST:PORT or serial:N.\n"
         "Standard input takes board and quit only.",
         define_bridge},
        {"demo", "two sparring partners play a whole game through two linked slots in this process", "", define_demo},
        {"decode", "show the record the library would hand over for a wire text", "", define_decode},
        {"encode", "show the wire text the library would send for a command",
         "KIND and FIELDS are those of the commands typed once linked (request, accept, move, end, chat, back,\n"
         "backaccept, raw); put -- before fields that start with a dash.",
         define_encode},
        {"perft", "count the positions DEPTH plies ahead, to check a move generator against", "", define_perft},
        {"pdn", "replay every game of a PDN file under the rules and check its moves and results",
         "Exit 0 when every game is legal and its Result agrees, 1 otherwise, 2 when FILE cannot be read or parsed.",
         define_pdn},
        {"board", "draw a position, from FEN or from a game of a PDN file, as text or as an SVG diagram",
         "Exit 2 when the position cannot be had (a bad FEN, no such game or ply) or the diagram cannot be written.",
         define_board},
        {"match", "play a match between two engines, refereeing every game, and count it",
         "Games run in lanes, child processes of kvnlink holding one link per engine; see docs/matches.md.",
         define_match},
        // match's worker, started by match itself; an empty summary keeps it out of the help.
        {"match-lane", "", "", define_match_lane},
        {"help", "list the subcommands, or show one subcommand's options", "", define_help},
    };
    return table;
}

} // namespace kvnlink
