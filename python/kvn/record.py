"""The kvn_message record of kvn.h, declared for ctypes.

Every structure and the union are byte-packed (_pack_ = 1), as in the header;
the checks at the end fail on import if the layout ever moves.
"""
import ctypes

c_char, c_int16, c_int32 = ctypes.c_char, ctypes.c_int16, ctypes.c_int32

NAME_SIZE = 33    # 32 characters and a NUL
CHAT_SIZE = 127   # 126 characters and a NUL
SQUARE_COUNT = 50
MAX_CAPTURES = 20


class GameRequestRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("version", c_int16), ("name", c_char * NAME_SIZE), ("colour", c_char),
                ("thinking_time", c_int16), ("move_count", c_int16),
                ("side_to_move", c_char), ("squares", c_char * SQUARE_COUNT)]


class GameAcceptRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("name", c_char * NAME_SIZE), ("accept_code", c_int16)]


class MoveRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("time", c_int16), ("from_square", c_int16), ("to_square", c_int16),
                ("capture_count", c_int16), ("captured", c_int16 * MAX_CAPTURES)]


class GameEndRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("reason", c_int16), ("stop_code", c_int16)]


class ChatRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("text", c_char * CHAT_SIZE)]


class BackRequestRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("move_number", c_int16), ("side_to_move", c_char)]


class BackAcceptRecord(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("accept_code", c_int16)]


class Payload(ctypes.Union):
    _pack_ = 1
    _fields_ = [("game_request", GameRequestRecord), ("game_accept", GameAcceptRecord),
                ("move", MoveRecord), ("game_end", GameEndRecord), ("chat", ChatRecord),
                ("back_request", BackRequestRecord), ("back_accept", BackAcceptRecord)]


class MessageRecord(ctypes.Structure):
    """kvn_message: `type`, then the member of `u` that it names."""
    _pack_ = 1
    _fields_ = [("type", c_int32), ("u", Payload)]


def _check_layout() -> None:
    """The same offsets that kvn.h checks at compile time; raises, even under
    `python -O`, rather than let a moved field corrupt what crosses the library."""
    u = MessageRecord.u.offset
    found = {
        "size": ctypes.sizeof(MessageRecord), "u": u,
        "game_request.squares": u + GameRequestRecord.squares.offset,
        "game_accept.accept_code": u + GameAcceptRecord.accept_code.offset,
        "move.captured": u + MoveRecord.captured.offset,
        "back_request.side_to_move": u + BackRequestRecord.side_to_move.offset,
    }
    wanted = {"size": 131, "u": 4, "game_request.squares": 45, "game_accept.accept_code": 37,
              "move.captured": 12, "back_request.side_to_move": 6}
    wrong = {name: (found[name], at) for name, at in wanted.items() if found[name] != at}
    if wrong:
        raise ImportError(f"kvn_message record layout differs from kvn.h (found, wanted): {wrong}")


_check_layout()
