# Type stubs of tav.protocol: game-state bodies and messages read from and written to bytes, the
# text dump as a string, enumeration names, and the library's per-version functions.
from array import array
from mmap import mmap
from typing import Any, Callable, Dict, List, NamedTuple, Optional, Protocol, Tuple, Type, Union

from . import (
    AttackModifier,
    Buffer,
    CharacterClass,
    Condition,
    ElementState,
    GameState,
    Header,
    MonsterAbilityDeck,
    MonsterActor,
    MonsterInstance,
    Actor,
    MonsterType,
    PlayerActor,
    PlayerInit,
    SummonColor,
)

class _TextStream(Protocol):
    # Where a dump goes: anything with a write(str) method (sys.stdout, io.StringIO, a file).
    def write(self, text: str, /) -> object: ...

# Bytes-like input: read in place through the buffer protocol (contiguous buffers only).
_BytesLike = Union[bytes, bytearray, memoryview, array[Any], mmap]
_Record = Union[GameState, Actor, MonsterAbilityDeck, MonsterActor, MonsterInstance, PlayerActor]
_Enumeration = Union[
    Type[AttackModifier],
    Type[CharacterClass],
    Type[Condition],
    Type[ElementState],
    Type[MonsterType],
    Type[PlayerInit],
    Type[SummonColor],
]

VERSIONS: Tuple[str, ...]

class Message(NamedTuple):
    header: Header
    state: GameState
    consumed: int

def read_game_state(
    data: _BytesLike,
    version: Optional[str] = ...,
    *,
    dump: Optional[_TextStream] = ...,
    strict: bool = ...,
    into: Optional[GameState] = ...,
) -> GameState: ...
def write_game_state(state: GameState, version: str) -> bytes: ...
def read_message(
    data: _BytesLike,
    version: Optional[str] = ...,
    *,
    dump: Optional[_TextStream] = ...,
    strict: bool = ...,
) -> Optional[Message]: ...
def write_message(header: Header, state: GameState, version: str) -> bytes: ...
def body_size(state: GameState, version: str) -> int: ...
def dump(obj: Union[_Record, int], enumeration: Optional[_Enumeration] = ...) -> str: ...
def printed_name(value: int, enumeration: _Enumeration) -> str: ...
def enumerator_name(value: int, enumeration: _Enumeration) -> str: ...
def enumerator_value(name: str, enumeration: _Enumeration) -> Optional[int]: ...
def buffer_from(data: _BytesLike) -> Buffer: ...
def buffer_bytes(buffer: Buffer, *, unread_only: bool = ...) -> bytes: ...
def to_json(state: GameState, indent: int = ...) -> str: ...
def from_json(text: str) -> GameState: ...
def to_dict(state: GameState) -> Dict[str, Any]: ...
def from_dict(document: Dict[str, Any]) -> GameState: ...

class MessageError(ValueError):
    messages: List[Message]
    def __init__(self, text: str, messages: List[Message]) -> None: ...

class MessageStream:
    version: Optional[str]
    dump: Optional[_TextStream]
    strict: bool
    def __init__(
        self,
        version: Optional[str] = ...,
        *,
        limit: int = ...,
        dump: Optional[_TextStream] = ...,
        strict: bool = ...,
    ) -> None: ...
    def feed(self, data: _BytesLike) -> List[Message]: ...
    def discard(self, count: int) -> None: ...
    @property
    def buffered(self) -> int: ...
    @property
    def position(self) -> int: ...
    @property
    def limit(self) -> int: ...
    @limit.setter
    def limit(self, limit: int) -> None: ...

class Trial(NamedTuple):
    version: str
    result: str
    consumed: int
    leftover: int
    complete: bool
    stopped_at: int

class Detection(NamedTuple):
    chosen: str
    choice: str
    named: Optional[str]
    trials: Tuple[Trial, ...]
    @property
    def exact(self) -> bool: ...

def detect_version(body: _BytesLike, header: Optional[Header] = ...) -> Detection: ...

class SchemaField(NamedTuple):
    pattern: str
    type: str
    enumeration: Optional[str]
    record: str
    depth: int

def schema(version: str) -> List[SchemaField]: ...

class _Version:
    # The library's functions of one version: readGameState dumps into the process's standard
    # output; writeGameState writes the whole body or, when it does not fit, nothing.
    name: str
    readGameState: Callable[[GameState, Buffer], None]
    writeGameState: Callable[[GameState, Buffer], None]
    def __init__(
        self,
        name: str,
        read: Callable[[GameState, Buffer], None],
        write: Callable[[GameState, Buffer], None],
    ) -> None: ...

v7_6: _Version
v8_0: _Version
v8_4: _Version
