"""Game-state messages from Python: read and write bodies and whole messages, dump, names.

Every function takes and returns the proxies of the tav module itself (``tav.GameState``,
``tav.Header``, ``tav.Buffer``). Byte input is any bytes-like object (bytes, bytearray,
memoryview, array.array), read in place without a copy; byte output is ``bytes``.

    state = tav.protocol.read_game_state(data, "8.4")               # quiet
    text = io.StringIO()
    state = tav.protocol.read_game_state(data, "8.4", dump=text)    # the reader's dump as text
    data = tav.protocol.write_game_state(state, "8.4")
    message = tav.protocol.read_message(received)                   # None until complete
    stream = tav.protocol.MessageStream()                           # bytes as they arrive
    for message in stream.feed(chunk): ...
    plain = tav.protocol.to_dict(state)                             # dicts, lists, str, int

The per-version functions of the library keep their names for callers who drive a
``tav.Buffer`` themselves: ``tav.protocol.v8_4.readGameState(state, buffer)`` (dumping into the
process's standard output, as natively) and ``writeGameState(state, buffer)`` (which writes
nothing at all when the body does not fit).
"""

from typing import List, NamedTuple, Optional, TextIO, Tuple, Union

from . import Buffer, GameState, Header
from . import AttackModifier, CharacterClass, Condition, ElementState, MonsterType
from . import PlayerInit, SummonColor
from . import _protocol

__all__ = [
    "VERSIONS",
    "Message",
    "MessageError",
    "MessageStream",
    "Detection",
    "Trial",
    "SchemaField",
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
    "to_dict",
    "from_dict",
    "detect_version",
    "schema",
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


def read_game_state(data, version=None, *, dump=None, strict=False, into=None):
    """Reads one game-state body of the given version ("7.6", "8.0", "8.4") from data and
    returns it as a new GameState, or, with into=state, reads it into that GameState and
    returns it.

    into replaces the state's contents (it then equals what a read into a new state gives)
    and reuses the memory of its lists, records and names, which is what a client following
    a game wants for one state after another. Views of its elements taken before the read
    are stale afterwards and raise ReferenceError; when the read fails (ValueError with
    strict), the state holds what the read gave.

    Without a version, the body is read in the version detect_version(data) chooses. Quiet
    unless dump is a writable text stream, which then receives the text the native reader
    prints. Without strict, the body is read as the native reader reads it (short data gives
    neutral values, bytes after the body are ignored); with strict=True, ValueError names the
    byte offset where the data ran out or where unread bytes begin.
    """
    if into is None:
        return _protocol.read_state(data, version, dump, strict)
    _protocol.replace_state(into, data, version, dump, strict)
    return into


def write_game_state(state, version):
    """The body of state in the given version, as bytes of exactly its size."""
    return _protocol.write_state(state, version)


def read_message(data, version=None, *, dump=None, strict=False):
    """Reads one message (header, then a body of the header's length) from the start of data.

    Returns a Message (header, state, consumed: the bytes of header and body), or None while
    the header or the body is not complete yet: append more bytes and call again, then drop
    the first ``consumed`` bytes. Without a version, the body is read in the version the
    library's detection chooses for it (the one the header's payload names when it reads the
    body exactly). With strict=True, a header whose payload names another known version than
    the one given is refused, and so is a body not read exactly. A malformed header (a negative
    text count or length, a length that is no varint) raises ValueError.
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


class MessageError(ValueError):
    """A message stream met a message it cannot deliver: a malformed header, a message above
    the stream's limit, or (with strict) a body not read exactly. ``messages`` holds the
    messages completed before it in the same feed(), which are not lost."""

    def __init__(self, text, messages):
        super().__init__(text)
        self.messages = messages


class MessageStream:
    """Decodes messages from bytes as they arrive (a socket, a pipe), in chunks of any size.

        stream = tav.protocol.MessageStream()
        for message in stream.feed(chunk):     # e.g. in asyncio.Protocol.data_received
            handle(message.header, message.state)

    feed() returns the messages its bytes completed, each a Message as read_message gives it;
    a partial message waits for the next chunk. A message whose header announces more than
    limit bytes (16 MiB by default) is refused as soon as its header is there, never waited
    for nor stored. On MessageError the stream stays where it stopped: discard(n) drops bytes
    (a refused message's own size, or one byte to look for the next header) and feed(b"")
    carries on. version, dump and strict act on each body as in read_message.
    """

    __slots__ = ("_stream", "version", "dump", "strict")

    def __init__(self, version=None, *, limit=16 << 20, dump=None, strict=False):
        if version is not None:
            _protocol.schema(version)  # refuses an unknown version now, not at the first message
        self._stream = _protocol.stream_new(limit)
        self.version = version
        self.dump = dump
        self.strict = strict

    def feed(self, data) -> List[Message]:
        """Appends the bytes of data (any bytes-like object) and returns the messages they
        completed, oldest first."""
        _protocol.stream_feed(self._stream, data)
        messages = []
        while True:
            try:
                result = _protocol.stream_next(self._stream, self.version, self.dump, self.strict)
            except ValueError as error:
                raise MessageError(str(error), messages) from None
            if result is None:
                return messages
            messages.append(Message(*result))

    def discard(self, count):
        """Drops the next count bytes of the stream, also ones that have not arrived yet."""
        _protocol.stream_discard(self._stream, count)

    @property
    def buffered(self):
        """Bytes fed and not yet taken or discarded."""
        return _protocol.stream_buffered(self._stream)

    @property
    def position(self):
        """The stream offset of the first byte waiting: bytes taken and discarded so far."""
        return _protocol.stream_position(self._stream)

    @property
    def limit(self):
        """The largest message (header and body) the stream accepts."""
        return _protocol.stream_limit(self._stream)

    @limit.setter
    def limit(self, limit):
        _protocol.stream_set_limit(self._stream, limit)

    def __repr__(self):
        return "<tav.protocol.MessageStream at byte %d, %d bytes waiting>" % (
            self.position, self.buffered)


class Trial(NamedTuple):
    """How one version read a body quietly: result is "exact", "ran_out" or "leftover"."""

    version: str
    result: str
    consumed: int
    leftover: int
    complete: bool
    stopped_at: int


class Detection(NamedTuple):
    """The version chosen for a body and why: choice is "only_exact", "named",
    "newest_exact", "named_inexact" or "newest"; named is the version the header's payload
    names (None without one); trials holds every version's read, oldest version first."""

    chosen: str
    choice: str
    named: Optional[str]
    trials: Tuple[Trial, ...]

    @property
    def exact(self):
        """True when the chosen version reads the body exactly."""
        return self.choice not in ("named_inexact", "newest")


def detect_version(body, header=None):
    """Reads the body (bytes-like) quietly in every version and tells which to read it as:
    the header's payload's version when it reads the body exactly, else the newest that does;
    when none does, the payload's, else the newest."""
    chosen, choice, named, trials = _protocol.detect_version(body, header)
    return Detection(chosen, choice, named, tuple(Trial(*t) for t in trials))


class SchemaField(NamedTuple):
    """One field a body can hold: its path pattern (indices written "[]"), its wire type
    ("number", "boolean", "enumeration", "slot", "text", "count"), the enumeration's name for
    enumerations and slots of them, the record it lies in ("state", "deck", "actor", "player",
    "monster", "figure") and how many records deep."""

    pattern: str
    type: str
    enumeration: Optional[str]
    record: str
    depth: int


def schema(version):
    """Every field a body of the version can hold, in wire order."""
    return [SchemaField(*f) for f in _protocol.schema(version)]


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
        return _protocol.dump_text(obj)
    return _protocol.dump_value(obj, _enumeration(enumeration))


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


def to_dict(state):
    """The state as plain Python values, in one native call: what json.loads(to_json(state))
    gives (dicts named and ordered as the records' fields, enumeration values by identifier,
    None for an absent optional, ability_decks keyed by the key in decimal, each actor with its
    "kind", a name that is not UTF-8 as {"hex": "..."})."""
    return _protocol.to_dict(state)


def from_dict(document):
    """The new state a document of to_dict's form describes, in one native call. It refuses
    what from_json refuses, with the same message (ValueError, with the JSON pointer of the
    value at fault); it also takes tuples for lists and ints for deck keys."""
    return _protocol.from_dict(document)


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
