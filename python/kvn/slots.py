"""Which of the library's three slots this process's links hold.

The library cannot be asked whether a slot is free, and connecting a slot that
holds a link would replace that link, so the package keeps the account itself.
"""
from __future__ import annotations

import threading
from typing import Dict, List, Optional

from .errors import SlotBusy

SLOT_COUNT = 3

_lock = threading.Lock()
_holders: Dict[int, object] = {}


def reserve(slot: Optional[int], holder: object) -> int:
    """Takes `slot`, or the first free one when it is None.  Raises SlotBusy."""
    if slot is not None and (not isinstance(slot, int) or not 0 <= slot < SLOT_COUNT):
        raise ValueError(f"slot must be 0, 1 or 2, not {slot!r}")
    with _lock:
        wanted = range(SLOT_COUNT) if slot is None else [slot]
        for candidate in wanted:
            if candidate not in _holders:
                _holders[candidate] = holder
                return candidate
    raise SlotBusy("all three slots hold links" if slot is None else f"slot {slot} holds a link")


def release(slot: int) -> None:
    with _lock:
        _holders.pop(slot, None)


def holders() -> List[object]:
    with _lock:
        return list(_holders.values())
