// printer.h - kvnlink's standard output: one line per message or event, readable or JSON.
#pragma once

#include <string>

#include "json_line.h"
#include "kvn.h"

namespace kvnlink {

// Readable lines start with "->" (sent), "<-" (received), "--" (what the
// link is doing) or "!!" (a command that was not understood, a failure).
// With json, every line is one object with a "kind"; messages also carry
// "direction" ("sent" or "received").
class Printer {
public:
    explicit Printer(bool json) : json_(json) {}

    // `slot` >= 0 labels the line with its slot (the demo runs two links).
    void message(bool sent, const kvn_message &message, bool with_board, int slot = -1);
    // `fields` go into the JSON object between its kind and its text.
    void status(const char *kind, const std::string &text, const Json &fields = Json::object());
    void error(const std::string &text);
    // An "!!" line that is not a failure of kvnlink's own, e.g. an illegal move; in JSON its own kind.
    void problem(const char *kind, const std::string &text, const Json &fields = Json::object());
    // A position drawn with its FEN under it (readable), or its FEN and squares (JSON).
    void board(char side_to_move, const char (&squares)[50], const std::string &fen);
    // A message the bridge passed on from one link to the other; `verdict` empty when it is no judged move.
    void relayed(const char *from, const char *to, const kvn_message &message, const std::string &verdict);
    // A record shown without a link (decode, encode): its line and board, or its fields and wire text.
    void decoded(const kvn_message &message, const std::string &wire);
    // A line as it is, e.g. a wire text.
    void plain(const std::string &text) { line(text); }

private:
    void line(const std::string &text);
    // The one place a board is printed: drawn, and indented under the line it belongs to.
    void drawing(char side_to_move, const char (&squares)[50]);
    // The board of a game request, indented under the request's line.
    void request_board(const kvn_message &message);
    // A status or problem line: the marker and text, or in JSON its kind, fields and text.
    void note(const char *marker, const char *kind, const std::string &text, const Json &fields);
    bool json_;
};

} // namespace kvnlink
