// wire.cpp - kvnlink's only use of the codec's internals: encode and decode without a link.
#include "wire.h"

#include "codec/codec.h"

namespace kvnlink {

std::string encode_wire(const kvn_message &message) {
    kvn::MsgText text;
    text.clear();
    kvn::encode_message(message, text);
    return text.chars;
}

kvn_message decode_wire(const std::string &text) {
    kvn::MsgText buffer;
    buffer.set_from_string(text.c_str());
    kvn_message message{};
    kvn::decode_message(buffer.chars, message);
    return message;
}

} // namespace kvnlink
