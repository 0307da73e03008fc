"""One dataclass per message kind, with the field names of kvn.h, and their
conversion to and from the kvn_message record.

Building a message checks nothing, so a received message can hold whatever the
peer sent (kvn.h lists what the library stores, e.g. a bad square reads as 0).
Sending checks every field against the range the library sends unchanged and
raises ValueError (or TypeError) for anything it would replace or cut, so a
message that is sent arrives as it was built.  The numbers have ranges, not
meanings: what a code or a time means is for the two programs to agree on.
"""
from __future__ import annotations

from dataclasses import dataclass, field
from enum import IntEnum
from typing import ClassVar, Dict, List, Tuple, Type, Union

from .record import CHAT_SIZE, MAX_CAPTURES, NAME_SIZE, SQUARE_COUNT, MessageRecord


# Type codes: kvn_message.type and the notification's wparam (KVN_NONE .. KVN_BACK_ACCEPT).
class Kind(IntEnum):
    """The type codes of kvn.h; each compares equal to its int."""
    NONE = 0
    GAME_REQUEST = 1
    GAME_ACCEPT = 2
    MOVE = 3
    GAME_END = 4
    CHAT = 5
    BACK_REQUEST = 6
    BACK_ACCEPT = 7


NONE, GAME_REQUEST, GAME_ACCEPT, MOVE, GAME_END, CHAT, BACK_REQUEST, BACK_ACCEPT = tuple(Kind)

# Squares 1..20 black men, 21..30 empty, 31..50 white men; travels in a short form with 'W' to move.
INITIAL_POSITION = "z" * 20 + "e" * 10 + "w" * 20


# --- checks made when sending ------------------------------------------------

def _number(kind: str, name: str, value: object, low: int, high: int) -> int:
    if not isinstance(value, int):
        raise TypeError(f"{kind}.{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{kind}.{name} must be {low}..{high}, not {value}")
    return value


def _text(kind: str, name: str, value: object, low: int, high: int) -> bytes:
    """Characters 1..127 only: the link carries 7 bits and a NUL would end the text."""
    if not isinstance(value, str):
        raise TypeError(f"{kind}.{name} must be a str, not {type(value).__name__}")
    if not low <= len(value) <= high:
        raise ValueError(f"{kind}.{name} must have {low}..{high} characters, not {len(value)}")
    if any(not 0 < ord(c) < 128 for c in value):
        raise ValueError(f"{kind}.{name} may hold only 7-bit characters other than NUL: {value!r}")
    return value.encode("ascii")


def _name(kind: str, value: object) -> bytes:
    # A name travels padded with spaces: a leading one makes the library send a
    # placeholder instead, trailing ones are taken off by the receiver.
    data = _text(kind, "name", value, 1, NAME_SIZE - 1)
    if data[:1] == b" " or data[-1:] == b" ":
        raise ValueError(f"{kind}.name must not start or end with a space: {value!r}")
    return data


def _side(kind: str, name: str, value: object) -> bytes:
    return _text(kind, name, value, 1, 1)


def _colour(kind: str, value: object) -> bytes:
    if not isinstance(value, str) or value not in ("W", "Z"):
        raise ValueError(f"{kind}.colour must be 'W' or 'Z', not {value!r}")
    return value.encode("ascii")


def _chars(field_value: bytes) -> str:
    """A received character field, up to its NUL (the library passes 7-bit characters only)."""
    return field_value.decode("latin-1")


# --- the kinds -----------------------------------------------------------------

@dataclass
class GameRequest:
    """A game request.  `colour` is 'W' or 'Z'; `thinking_time` and `move_count`
    are the two time-control numbers (0..999 each); `squares` holds squares
    1..50, one character each, and `side_to_move` one character."""
    name: str
    colour: str
    thinking_time: int
    move_count: int
    side_to_move: str = "W"
    squares: str = INITIAL_POSITION
    version: int = 1
    kind: ClassVar[int] = GAME_REQUEST

    def _fill(self, record: MessageRecord) -> None:
        r, k = record.u.game_request, "GameRequest"
        r.version = _number(k, "version", self.version, 1, 99)
        r.name = _name(k, self.name)
        r.colour = _colour(k, self.colour)
        r.thinking_time = _number(k, "thinking_time", self.thinking_time, 0, 999)
        r.move_count = _number(k, "move_count", self.move_count, 0, 999)
        r.side_to_move = _side(k, "side_to_move", self.side_to_move)
        r.squares = _text(k, "squares", self.squares, SQUARE_COUNT, SQUARE_COUNT)

    @classmethod
    def _read(cls, record: MessageRecord) -> GameRequest:
        r = record.u.game_request
        return cls(name=_chars(r.name), colour=_chars(r.colour), thinking_time=r.thinking_time,
                   move_count=r.move_count, side_to_move=_chars(r.side_to_move),
                   squares=bytes(r.squares).decode("latin-1"), version=r.version)


@dataclass
class GameAccept:
    """An answer to a game request; `accept_code` is 0..3."""
    name: str
    accept_code: int
    kind: ClassVar[int] = GAME_ACCEPT

    def _fill(self, record: MessageRecord) -> None:
        r = record.u.game_accept
        r.name = _name("GameAccept", self.name)
        r.accept_code = _number("GameAccept", "accept_code", self.accept_code, 0, 3)

    @classmethod
    def _read(cls, record: MessageRecord) -> GameAccept:
        r = record.u.game_accept
        return cls(name=_chars(r.name), accept_code=r.accept_code)


@dataclass
class Move:
    """A move from one square to another (1..50) over the `captured` squares (up
    to 20, each 1..50).  `time` is a number 0..9999 whose meaning the two
    programs agree on."""
    time: int
    from_square: int
    to_square: int
    captured: List[int] = field(default_factory=list)
    kind: ClassVar[int] = MOVE

    @property
    def capture_count(self) -> int:
        return len(self.captured)

    def _fill(self, record: MessageRecord) -> None:
        r, k = record.u.move, "Move"
        r.time = _number(k, "time", self.time, 0, 9999)
        r.from_square = _number(k, "from_square", self.from_square, 1, 50)
        r.to_square = _number(k, "to_square", self.to_square, 1, 50)
        captured = list(self.captured)
        r.capture_count = _number(k, "capture_count", len(captured), 0, MAX_CAPTURES)
        for i, square in enumerate(captured):
            r.captured[i] = _number(k, f"captured[{i}]", square, 1, 50)

    @classmethod
    def _read(cls, record: MessageRecord) -> Move:
        r = record.u.move
        count = max(0, min(r.capture_count, MAX_CAPTURES))
        return cls(time=r.time, from_square=r.from_square, to_square=r.to_square,
                   captured=list(r.captured[:count]))


@dataclass
class GameEnd:
    """The end of a game: `reason` 0..3 and `stop_code` 0 or 1."""
    reason: int
    stop_code: int
    kind: ClassVar[int] = GAME_END

    def _fill(self, record: MessageRecord) -> None:
        r = record.u.game_end
        r.reason = _number("GameEnd", "reason", self.reason, 0, 3)
        r.stop_code = _number("GameEnd", "stop_code", self.stop_code, 0, 1)

    @classmethod
    def _read(cls, record: MessageRecord) -> GameEnd:
        r = record.u.game_end
        return cls(reason=r.reason, stop_code=r.stop_code)


@dataclass
class Chat:
    """A line of text, 1..126 seven-bit characters."""
    text: str
    kind: ClassVar[int] = CHAT

    def _fill(self, record: MessageRecord) -> None:
        record.u.chat.text = _text("Chat", "text", self.text, 1, CHAT_SIZE - 1)

    @classmethod
    def _read(cls, record: MessageRecord) -> Chat:
        return cls(text=_chars(record.u.chat.text))


@dataclass
class BackRequest:
    """A request to take moves back: `move_number` 1..999, `side_to_move` one character."""
    move_number: int
    side_to_move: str
    kind: ClassVar[int] = BACK_REQUEST

    def _fill(self, record: MessageRecord) -> None:
        r = record.u.back_request
        r.move_number = _number("BackRequest", "move_number", self.move_number, 1, 999)
        r.side_to_move = _side("BackRequest", "side_to_move", self.side_to_move)

    @classmethod
    def _read(cls, record: MessageRecord) -> BackRequest:
        r = record.u.back_request
        return cls(move_number=r.move_number, side_to_move=_chars(r.side_to_move))


@dataclass
class BackAccept:
    """An answer to a back request; `accept_code` is 0..2."""
    accept_code: int
    kind: ClassVar[int] = BACK_ACCEPT

    def _fill(self, record: MessageRecord) -> None:
        record.u.back_accept.accept_code = _number("BackAccept", "accept_code", self.accept_code, 0, 2)

    @classmethod
    def _read(cls, record: MessageRecord) -> BackAccept:
        return cls(accept_code=record.u.back_accept.accept_code)


@dataclass
class UnknownMessage:
    """A received text that named no message kind (type 0).  It cannot be sent."""
    kind: ClassVar[int] = NONE


Message = Union[GameRequest, GameAccept, Move, GameEnd, Chat, BackRequest, BackAccept, UnknownMessage]
Sendable = Union[GameRequest, GameAccept, Move, GameEnd, Chat, BackRequest, BackAccept]
SENDABLE: Tuple[Type[Sendable], ...] = (GameRequest, GameAccept, Move, GameEnd, Chat, BackRequest, BackAccept)
_BY_TYPE: Dict[int, Type[Sendable]] = {cls.kind: cls for cls in SENDABLE}


def to_record(message: Message) -> MessageRecord:
    """The record kvn_send_message takes; TypeError or ValueError if a field would not travel as it is."""
    if isinstance(message, UnknownMessage) or not isinstance(message, SENDABLE):
        raise TypeError(f"not a message that can be sent: {message!r}")
    record = MessageRecord()  # zeroed, so unused bytes are 0
    record.type = message.kind
    message._fill(record)
    return record


def from_record(record: MessageRecord) -> Message:
    """The message kvn_receive_message wrote into `record`."""
    cls = _BY_TYPE.get(record.type)
    return UnknownMessage() if cls is None else cls._read(record)
