// codec.h - conversion between kvn_message records and wire texts.
#pragma once

#include "codec/msg_text.h"
#include "kvn.h"

namespace kvn {

// Writes the wire text of `record` into `text` (cursor 0 on return).  Never
// fails: out-of-range fields are replaced, an unknown type gives "".
MsgText &encode_message(const kvn_message &record, MsgText &text);

// Type code 0..7 from the first character of a wire text.
int32_t classify_message(const char *text);

// Fills `type` and the member of that type from a wire text; a text of type 0
// leaves the rest of the record untouched.  Never fails.
void decode_message(const char *text, kvn_message &record);

// The starting position of a game: black men on 1-20, empty 21-30, white
// men on 31-50, white to move.  Marked on the wire by a single 'A'.
inline constexpr char initial_side_to_move = 'W';
inline constexpr char initial_squares[51] = "zzzzzzzzzzzzzzzzzzzz"
                                            "eeeeeeeeee"
                                            "wwwwwwwwwwwwwwwwwwww";
// True when the request holds that position, which the encoder sends as 'A'.
bool is_initial_position(const kvn_game_request &request);

} // namespace kvn
