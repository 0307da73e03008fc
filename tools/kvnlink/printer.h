// printer.h - kvnlink's standard output: one line per message or event, readable or JSON.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "format.h"

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
    void status(const char *kind, const std::string &text, const std::function<void(Json &)> &fields = {});
    void error(const std::string &text);
    // An "!!" line that is not a failure of kvnlink's own, e.g. an illegal move; in JSON its own kind.
    void problem(const char *kind, const std::string &text, const std::function<void(Json &)> &fields = {});
    // A drawn position (readable) or its FEN and squares (JSON).
    void board(const std::vector<std::string> &drawing, const std::string &fen, const std::string &squares, char side);
    // A message the bridge passed on from one link to the other; `verdict` empty when it is no judged move.
    void relayed(const char *from, const char *to, const kvn_message &message, const std::string &verdict);

private:
    void line(const std::string &text);
    // A status or problem line: the marker and text, or in JSON its kind, fields and text.
    void note(const char *marker, const char *kind, const std::string &text, const std::function<void(Json &)> &fields);
    bool json_;
};

} // namespace kvnlink
