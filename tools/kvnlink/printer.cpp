// printer.cpp - writes kvnlink's output lines, flushed one by one so a script reading them never waits.
#include "printer.h"

#include <cstdio>

namespace kvnlink {

void Printer::line(const std::string &text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Printer::message(bool sent, const kvn_message &m, bool with_board, int slot) {
    if (json_) {
        Json json;
        json.add("direction", sent ? "sent" : "received");
        if (slot >= 0) json.add("slot", slot);
        add_fields(json, m);
        line(json.str());
        return;
    }
    const std::string label = slot >= 0 ? "slot " + std::to_string(slot) + " " : "";
    line(label + (sent ? "-> " : "<- ") + describe(m));
    if (with_board && m.type == KVN_GAME_REQUEST)
        for (const auto &row : draw_board(m.u.game_request.side_to_move, m.u.game_request.squares)) line("     " + row);
}

void Printer::status(const char *kind, const std::string &text, const std::function<void(Json &)> &fields) {
    note("-- ", kind, text, fields);
}

void Printer::error(const std::string &text) {
    if (json_) line(Json().add("kind", "error").add("text", text).str());
    else line("!! " + text);
}

void Printer::problem(const char *kind, const std::string &text, const std::function<void(Json &)> &fields) {
    note("!! ", kind, text, fields);
}

void Printer::note(const char *marker, const char *kind, const std::string &text,
                   const std::function<void(Json &)> &fields) {
    if (!json_) {
        line(marker + text);
        return;
    }
    Json json;
    json.add("kind", kind);
    if (fields) fields(json);
    line(json.add("text", text).str());
}

void Printer::board(const std::vector<std::string> &drawing, const std::string &fen, const std::string &squares,
                    char side) {
    if (json_) {
        line(Json().add("kind", "board").add("fen", fen).add("squares", squares).add_char("side_to_move", side).str());
        return;
    }
    for (const auto &row : drawing) line("     " + row);
    line("     " + fen);
}

void Printer::relayed(const char *from, const char *to, const kvn_message &m, const std::string &verdict) {
    if (json_) {
        Json json;
        json.add("direction", "relayed").add("from", from).add("to", to);
        add_fields(json, m);
        if (!verdict.empty()) json.add("verdict", verdict);
        line(json.str());
        return;
    }
    line(std::string(from) + " -> " + to + ": " + describe(m) + (verdict.empty() ? "" : " (" + verdict + ")"));
    if (m.type == KVN_GAME_REQUEST)
        for (const auto &row : draw_board(m.u.game_request.side_to_move, m.u.game_request.squares)) line("     " + row);
}

} // namespace kvnlink
