// message_json.cpp - the JSON fields of each message kind, in the record's order.
#include "message_json.h"

#include <cstring>

#include "codec/codec.h"
#include "message_text.h"

namespace kvnlink {

namespace {

void add_request(Json &j, const kvn_game_request &r) {
    j["version"] = r.version;
    j["name"] = record_text(field_text(r.name, sizeof r.name));
    j["colour"] = record_char(r.colour);
    j["thinking_time"] = r.thinking_time;
    j["move_count"] = r.move_count;
    j["side_to_move"] = record_char(r.side_to_move);
    j["squares"] = record_text(std::string(r.squares, sizeof r.squares));
    j["initial"] = kvn::is_initial_position(r);
}

void add_move(Json &j, const kvn_move &v) {
    Json captured = Json::array();
    for (int i = 0; i < v.capture_count && i < 20; ++i) captured.push_back(v.captured[i]);
    j["time"] = v.time;
    j["from_square"] = v.from_square;
    j["to_square"] = v.to_square;
    j["capture_count"] = v.capture_count;
    j["captured"] = captured;
}

} // namespace

void add_message_fields(Json &j, const kvn_message &m) {
    j["kind"] = kind_name(m.type);
    switch (m.type) {
    case KVN_GAME_REQUEST: add_request(j, m.u.game_request); break;
    case KVN_GAME_ACCEPT:
        j["name"] = record_text(field_text(m.u.game_accept.name, sizeof m.u.game_accept.name));
        j["accept_code"] = m.u.game_accept.accept_code;
        break;
    case KVN_MOVE: add_move(j, m.u.move); break;
    case KVN_GAME_END:
        j["reason"] = m.u.game_end.reason;
        j["stop_code"] = m.u.game_end.stop_code;
        break;
    case KVN_CHAT: j["text"] = record_text(field_text(m.u.chat.text, sizeof m.u.chat.text)); break;
    case KVN_BACK_REQUEST:
        j["move_number"] = m.u.back_request.move_number;
        j["side_to_move"] = record_char(m.u.back_request.side_to_move);
        break;
    case KVN_BACK_ACCEPT: j["accept_code"] = m.u.back_accept.accept_code; break;
    default: break;
    }
}

} // namespace kvnlink
