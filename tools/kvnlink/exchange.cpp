// exchange.cpp - sending and receiving on one slot under the referee's eye.
#include "exchange.h"

#include "link_options.h"
#include "message_text.h"
#include "wire.h"

namespace kvnlink {

void Exchange::send(const kvn_message &message, const std::string &raw_text) {
    kvn_send_message(slot_, &message);
    out_.message(true, message, true);
    referee_.see(self_, message);
    if (message.type == KVN_NONE || raw_text.empty()) return;
    const std::string wire = encode_wire(message);
    if (wire != raw_text)
        out_.status("note", "the raw text went out re-encoded as " + quoted(wire), Json{{"wire", wire}});
}

kvn_message Exchange::receive() {
    kvn_message m{};
    kvn_receive_message(slot_, &m);
    out_.message(false, m, true);
    referee_.see(peer_, m);
    return m;
}

int Exchange::lost() {
    out_.status("connection_lost", "connection lost: the peer went away");
    referee_.close("a lost link", draughts::Ending::lost_link);
    return exit_link_lost;
}

} // namespace kvnlink
