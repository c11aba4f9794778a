"""Game-state messages from Python: read and write bodies and whole messages, dump, names.

Every function takes and returns the proxies of the tav module itself (``tav.GameState``,
``tav.Header``, ``tav.Buffer``). Byte input is any bytes-like object (bytes, bytearray,
memoryview, array.array), read in place without a copy; byte output is ``bytes``.

    state = tav.protocol.read_game_state(data, "8.4")               # quiet
    text = io.StringIO()
    state = tav.protocol.read_game_state(data, "8.4", dump=text)    # the reader's dump as text
    data = tav.protocol.write_game_state(state, "8.4")
    message = tav.protocol.read_message(received, "8.4")            # None until complete

The per-version functions of the library keep their names for callers who drive a
``tav.Buffer`` themselves: ``tav.protocol.v8_4.readGameState(state, buffer)`` (dumping into the
process's standard output, as natively) and ``writeGameState(state, buffer)`` (which writes
nothing at all when the body does not fit).
"""

from typing import NamedTuple, Optional, TextIO, Union

from . import Buffer, GameState, Header
from . import AttackModifier, CharacterClass, Condition, ElementState, MonsterType
from . import PlayerInit, SummonColor
from . import _protocol

__all__ = [
    "VERSIONS",
    "Message",
    "read_game_state",
    "write_game_state",
    "read_message",
    "write_message",
    "body_size",
    "dump",
    "printed_name",
    "enumerator_name",
    "enumerator_value",
    "buffer_from",
    "buffer_bytes",
    "to_json",
    "from_json",
    "v7_6",
    "v8_0",
    "v8_4",
]

#: The protocol versions, oldest first.
VERSIONS = tuple(_protocol.version_names().split(", "))

_ENUMERATIONS = {
    AttackModifier: "AttackModifier",
    CharacterClass: "CharacterClass",
    Condition: "Condition",
    ElementState: "ElementState",
    MonsterType: "MonsterType",
    PlayerInit: "PlayerInit",
    SummonColor: "SummonColor",
}


class Message(NamedTuple):
    """A message read by read_message: its header, its body and how many bytes both took."""

    header: Header
    state: GameState
    consumed: int


def read_game_state(data, version, *, dump=None, strict=False):
    """Reads one game-state body of the given version ("7.6", "8.0", "8.4") from data.

    Quiet unless dump is a writable text stream, which then receives the text the native reader
    prints. Without strict, the body is read as the native reader reads it (short data gives
    neutral values, bytes after the body are ignored); with strict=True, ValueError names the
    byte offset where the data ran out or where unread bytes begin.
    """
    return _protocol.read_state(data, version, dump, strict)


def write_game_state(state, version):
    """The body of state in the given version, as bytes of exactly its size."""
    return _protocol.write_state(state, version)


def read_message(data, version, *, dump=None, strict=False):
    """Reads one message (header, then a body of the header's length) from the start of data.

    Returns a Message (header, state, consumed: the bytes of header and body), or None while
    the header or the body is not complete yet: append more bytes and call again, then drop
    the first ``consumed`` bytes. dump and strict act on the body as in read_game_state;
    a header that announces a negative length raises ValueError.
    """
    result = _protocol.read_message(data, version, dump, strict)
    return None if result is None else Message(*result)


def write_message(header, state, version):
    """The header (its length set to the body's size; header itself is unchanged) followed by
    the body of state in the given version."""
    return _protocol.write_message(header, state, version)


def body_size(state, version):
    """The number of bytes the body of state takes in the given version."""
    return _protocol.body_size(state, version)


def _enumeration(enumeration):
    try:
        return _ENUMERATIONS[enumeration]
    except (KeyError, TypeError):
        raise TypeError(
            "the enumeration must be one of tav's holder classes (tav.Condition, ...), not %r"
            % (enumeration,)
        ) from None


def dump(obj, enumeration=None):
    """The dump text of a record or state, as tav._print writes it natively.

    For an enumeration value (a plain int) name its holder class: dump(3, tav.Condition).
    """
    if enumeration is None:
        if isinstance(obj, int):
            raise TypeError("dump() of an int needs its enumeration, e.g. dump(3, tav.Condition)")
        return _protocol.dump_text(obj, None)
    return _protocol.dump_text(obj, _enumeration(enumeration))


def printed_name(value, enumeration):
    """The name the dump prints for value of the enumeration (a holder class such as
    tav.Condition): "" for a number without a printed name, except for CharacterClass, which
    gives "Unknown (<number>)"."""
    return _protocol.printed_name(_enumeration(enumeration), value)


def enumerator_name(value, enumeration):
    """The identifier of the member value of the enumeration ("Stuned"); "" for no member."""
    return _protocol.enumerator_name(_enumeration(enumeration), value)


def enumerator_value(name, enumeration):
    """The value of the member of the enumeration with the identifier name; None for none."""
    return _protocol.enumerator_value(_enumeration(enumeration), name)


def buffer_from(data):
    """A tav.Buffer over a copy of data (any bytes-like object): all of it unread, no room to
    write until clear() or flush(). The copy lives as long as the Buffer."""
    return _protocol.buffer_from(data)


def buffer_bytes(buffer, *, unread_only=False):
    """The bytes written into buffer (from its start to its write position), or with
    unread_only=True only those not read yet. The read position is left where it was."""
    return _protocol.buffer_bytes(buffer, unread_only)


def to_json(state, indent=2):
    """The state as JSON text that keeps every value (from_json gives back an equal state):
    pretty-printed with indent blanks per level, or on one line for a negative indent."""
    return _protocol.to_json(state, indent)


def from_json(text):
    """The state a JSON text of to_json's form describes; ValueError says what is wrong and
    where (the JSON pointer of the value, or the line and column of a syntax error)."""
    return _protocol.from_json(text)


class _Version:
    """The native functions of one version, under their native names."""

    __slots__ = ("name", "readGameState", "writeGameState")

    def __init__(self, name, read, write):
        self.name = name
        self.readGameState = read
        self.writeGameState = write

    def __setattr__(self, name, value):
        if hasattr(self, "writeGameState"):
            raise AttributeError("the functions of a version cannot be replaced")
        object.__setattr__(self, name, value)

    def __repr__(self):
        return "<tav.protocol functions of version %s>" % self.name


v7_6 = _Version("7.6", _protocol.v7_6_readGameState, _protocol.v7_6_writeGameState)
v8_0 = _Version("8.0", _protocol.v8_0_readGameState, _protocol.v8_0_writeGameState)
v8_4 = _Version("8.4", _protocol.v8_4_readGameState, _protocol.v8_4_writeGameState)
