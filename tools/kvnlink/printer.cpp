// printer.cpp - writes kvnlink's output lines, flushed one by one so a script reading them never waits.
#include "printer.h"

#include <cstdio>

#include "board_drawing.h"
#include "message_json.h"
#include "message_text.h"

namespace kvnlink {

void Printer::line(const std::string &text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Printer::drawing(char side_to_move, const char (&squares)[50]) {
    for (const auto &row : draw_board(side_to_move, squares)) line("     " + row);
}

void Printer::request_board(const kvn_message &m) {
    if (m.type == KVN_GAME_REQUEST) drawing(m.u.game_request.side_to_move, m.u.game_request.squares);
}

void Printer::message(bool sent, const kvn_message &m, bool with_board, int slot) {
    if (json_) {
        Json json;
        json["direction"] = sent ? "sent" : "received";
        if (slot >= 0) json["slot"] = slot;
        add_message_fields(json, m);
        line(json_line(json));
        return;
    }
    const std::string label = slot >= 0 ? "slot " + std::to_string(slot) + " " : "";
    line(label + (sent ? "-> " : "<- ") + describe(m));
    if (with_board) request_board(m);
}

void Printer::status(const char *kind, const std::string &text, const Json &fields) { note("-- ", kind, text, fields); }

void Printer::error(const std::string &text) { note("!! ", "error", text, Json::object()); }

void Printer::problem(const char *kind, const std::string &text, const Json &fields) {
    note("!! ", kind, text, fields);
}

void Printer::note(const char *marker, const char *kind, const std::string &text, const Json &fields) {
    if (!json_) {
        line(marker + text);
        return;
    }
    Json json;
    json["kind"] = kind;
    for (const auto &field : fields.items()) json[field.key()] = field.value();
    json["text"] = text;
    line(json_line(json));
}

void Printer::board(char side_to_move, const char (&squares)[50], const std::string &fen) {
    if (json_) {
        Json json;
        json["kind"] = "board";
        json["fen"] = fen;
        json["squares"] = record_text(std::string(squares, sizeof squares));
        json["side_to_move"] = record_char(side_to_move);
        line(json_line(json));
        return;
    }
    drawing(side_to_move, squares);
    line("     " + fen);
}

void Printer::relayed(const char *from, const char *to, const kvn_message &m, const std::string &verdict) {
    if (json_) {
        Json json;
        json["direction"] = "relayed";
        json["from"] = from;
        json["to"] = to;
        add_message_fields(json, m);
        if (!verdict.empty()) json["verdict"] = verdict;
        line(json_line(json));
        return;
    }
    line(std::string(from) + " -> " + to + ": " + describe(m) + (verdict.empty() ? "" : " (" + verdict + ")"));
    request_board(m);
}

void Printer::decoded(const kvn_message &m, const std::string &wire) {
    if (json_) {
        Json json;
        add_message_fields(json, m);
        json["wire"] = record_text(wire);
        line(json_line(json));
        return;
    }
    line(describe(m));
    request_board(m);
}

} // namespace kvnlink
