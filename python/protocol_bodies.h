// tav.protocol: bodies and messages. Reading and writing game-state bodies, messages framed by
// the library's message layer (readMessage, headerSize, MessageStream), version detection and
// the field schema of a version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "protocol/message.h"
#include "protocol_support.h"

namespace tav_protocol {

// Bodies at least this large are read without the interpreter lock when no Python stream
// receives the dump: below it, releasing and taking the lock costs more than it frees.
constexpr std::size_t kUnlockedReadSize = 4096;

// --- Dump into a Python text stream ----------------------------------------------------------

// A stream buffer that hands its text to a Python object's write() in pieces, decoded from
// UTF-8 with "surrogateescape" (as tav decodes every std::string). A piece never ends inside a
// UTF-8 sequence, so a sequence is never split across two write() calls. When write() raises,
// the exception stays set and everything after it is dropped; the ostream goes bad, so the
// dump code formats nothing more.
class PythonTextBuf : public std::streambuf {
 public:
  explicit PythonTextBuf(PyObject* write) : write_(write) { setp(buffer_, buffer_ + kSize); }

  // Hands over everything still buffered; false when a write() raised (now or before).
  bool finish() { return emit(true); }

 protected:
  int_type overflow(int_type ch) override {
    if (!emit(false)) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

  int sync() override { return emit(true) ? 0 : -1; }

 private:
  static constexpr std::size_t kSize = 16384;

  // The length of the longest prefix of text[0, size) that ends on a UTF-8 sequence boundary:
  // an unfinished multi-byte sequence at the end waits for the next piece.
  static std::size_t completePrefix(const char* text, std::size_t size) {
    const std::size_t lookBack = size < 3 ? size : 3;
    for (std::size_t back = 1; back <= lookBack; ++back) {
      const auto byte = static_cast<unsigned char>(text[size - back]);
      if (byte < 0x80) return size;         // ASCII: nothing unfinished
      if ((byte & 0xC0) == 0x80) continue;  // continuation byte: look further back
      const std::size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      return back < need ? size - back : size;
    }
    return size;
  }

  bool emit(bool everything) {
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    if (failed_) {
      setp(buffer_, buffer_ + kSize);
      return false;
    }
    const std::size_t cut = everything ? pending : completePrefix(buffer_, pending);
    if (cut > 0) {
      Ref text(PyUnicode_DecodeUTF8(buffer_, static_cast<Py_ssize_t>(cut), "surrogateescape"));
      Ref result(text ? PyObject_CallFunctionObjArgs(write_, text.get(), nullptr) : nullptr);
      if (!result) {
        failed_ = true;
        setp(buffer_, buffer_ + kSize);
        return false;
      }
    }
    std::memmove(buffer_, buffer_ + cut, pending - cut);
    setp(buffer_, buffer_ + kSize);
    pbump(static_cast<int>(pending - cut));
    return true;
  }

  PyObject* write_;
  bool failed_ = false;
  char buffer_[kSize];
};

// The write method of a dump destination; empty with TypeError when it has none.
inline Ref dumpWriter(PyObject* dump) {
  Ref write(PyObject_GetAttrString(dump, "write"));
  if (!write || !PyCallable_Check(write.get())) {
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError,
                 "dump must be a writable text stream (with a write method) or None, not %s",
                 Py_TYPE(dump)->tp_name);
    return Ref();
  }
  return write;
}

// --- Reading ---------------------------------------------------------------------------------

// Reads one body of data[0, size) into state, dumping into the Python stream dump (or quietly
// for None, without the interpreter lock for a large body). False with an exception set when
// the dump's write() raised or memory ran out.
inline bool readBody(const tav::protocol::Version& version, tav::GameState& state,
                     const uint8_t* data, std::size_t size, PyObject* dump,
                     tav::protocol::ReadOutcome& outcome,
                     tav::protocol::ReadMode mode = tav::protocol::ReadMode::kAppend) {
  if (mode == tav::protocol::ReadMode::kReplace) {
    // The state is reachable from Python: the read keeps the lock, so no other thread can
    // look at it half read.
    try {
      if (dump == Py_None) {
        outcome = version.read(state, data, size, mode);
        return true;
      }
      Ref write = dumpWriter(dump);
      if (!write) return false;
      PythonTextBuf text(write.get());
      std::ostream out(&text);
      outcome = version.read(state, data, size, mode, &out);
      return text.finish();
    } catch (const std::bad_alloc&) {
      PyErr_NoMemory();
      return false;
    }
  }
  if (dump == Py_None) {
    if (size < kUnlockedReadSize) {
      outcome = version.read(state, data, size);
      return true;
    }
    // The state is not yet reachable from Python and the bytes stay exported: nothing that
    // another thread can do touches either. No exception may leave without the lock.
    bool outOfMemory = false;
    PyThreadState* unlocked = PyEval_SaveThread();
    try {
      outcome = version.read(state, data, size);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
    PyEval_RestoreThread(unlocked);
    if (outOfMemory) PyErr_NoMemory();
    return !outOfMemory;
  }
  Ref write = dumpWriter(dump);
  if (!write) return false;
  PythonTextBuf text(write.get());
  std::ostream out(&text);
  outcome = version.read(state, data, size, &out);
  return text.finish();
}

// ValueError for a body that was not read exactly: where it stopped or what was left.
inline void raiseInexact(const tav::protocol::Version& version,
                         const tav::protocol::ReadOutcome& outcome, std::size_t base,
                         std::size_t size) {
  const std::string name(version.name());
  if (!outcome.complete) {
    PyErr_Format(PyExc_ValueError,
                 "incomplete %s game-state body: the field at byte %zu could not be read "
                 "(the data ran out or held no valid value there; %zu bytes given)",
                 name.c_str(), base + outcome.stoppedAt, base + size);
  } else {
    PyErr_Format(PyExc_ValueError,
                 "%zu bytes left after the %s game-state body, which ends at byte %zu",
                 outcome.leftover, name.c_str(), base + outcome.consumed);
  }
}

// read_game_state(data, version, dump, strict): version null reads the body as the library's
// detection chooses.
inline NewState readState(const uint8_t* data, std::size_t size,
                          const tav::protocol::Version* version, PyObject* dump, bool strict) {
  if (!version) version = tav::protocol::detectVersion(data, size).chosen;
  Owned<tav::GameState> state = make<tav::GameState>();
  tav::protocol::ReadOutcome outcome;
  if (!state || !readBody(*version, *state, data, size, dump, outcome)) return nullptr;
  if (strict && !outcome.exact()) {
    raiseInexact(*version, outcome, 0, size);
    return nullptr;
  }
  return state;
}

// read_game_state(data, version, dump, strict, into=state): reads into state, replacing its
// contents and reusing its memory. The views of its elements are marked stale first, as
// before every native change of a state. Returns None, or null with the exception set (the
// state then holds what the read gave, as a read into a new state would).
inline PyObject* replaceState(tav::GameState& state, const uint8_t* data, std::size_t size,
                              const tav::protocol::Version* version, PyObject* dump, bool strict) {
  if (!version) version = tav::protocol::detectVersion(data, size).chosen;
  tav_binding::runtime()->invalidateState(state);
  tav::protocol::ReadOutcome outcome;
  if (!readBody(*version, state, data, size, dump, outcome, tav::protocol::ReadMode::kReplace)) {
    return nullptr;
  }
  if (strict && !outcome.exact()) {
    raiseInexact(*version, outcome, 0, size);
    return nullptr;
  }
  Py_RETURN_NONE;
}

// A message read: header, state and the bytes both took; none while more bytes are needed.
struct MessageRead {
  bool complete = false;
  Owned<tav::protocol::Header> header;
  Owned<tav::GameState> state;
  std::size_t size = 0;
};

// ValueError for a header that no further bytes can make a message of. base is the stream
// offset of the message's first byte.
inline void raiseBroken(const tav::protocol::Message& m, uint64_t base) {
  const auto at = static_cast<unsigned long long>(base);
  switch (m.status) {
    case tav::protocol::MessageStatus::kNegativeLength:
      PyErr_Format(PyExc_ValueError,
                   "the message header (bytes %llu to %llu) announces a body of %lld bytes", at,
                   at + m.headerSize, static_cast<long long>(m.header.length));
      return;
    case tav::protocol::MessageStatus::kTooLarge:
      PyErr_Format(PyExc_ValueError,
                   "the message at byte %llu takes %zu bytes, more than the limit of the stream",
                   at, m.size);
      return;
    default:
      PyErr_Format(PyExc_ValueError, "the message header at byte %llu is malformed: %s", at,
                   std::string(tav::protocol::statusText(m.status)).c_str());
      return;
  }
}

// Reads the body of the complete message m: in version when given (strict: refused when the
// header's payload names another known version), else in the version the library's
// detection chooses for it.
inline MessageRead readFramed(const tav::protocol::Message& m,
                              const tav::protocol::Version* version, PyObject* dump, bool strict,
                              uint64_t base) {
  MessageRead read;
  const tav::protocol::Version* named = tav::protocol::findVersion(m.header.payload);
  if (version && strict && named && named != version) {
    PyErr_Format(PyExc_ValueError, "the message header at byte %llu names version %s, not %s",
                 static_cast<unsigned long long>(base), std::string(named->name()).c_str(),
                 std::string(version->name()).c_str());
    return read;
  }
  const auto* body = reinterpret_cast<const uint8_t*>(m.body.data());
  if (!version) version = tav::protocol::detectVersion(body, m.body.size(), &m.header).chosen;
  read.header = make<tav::protocol::Header>(m.header);
  read.state = make<tav::GameState>();
  tav::protocol::ReadOutcome outcome;
  if (!read.header || !read.state ||
      !readBody(*version, *read.state, body, m.body.size(), dump, outcome)) {
    return MessageRead();
  }
  if (strict && !outcome.exact()) {
    raiseInexact(*version, outcome, m.headerSize, m.body.size());
    return MessageRead();
  }
  read.complete = true;
  read.size = m.size;
  return read;
}

// read_message(data, version, dump, strict): the message at the start of data.
inline MessageRead readOneMessage(const uint8_t* data, std::size_t size,
                                  const tav::protocol::Version* version, PyObject* dump,
                                  bool strict) {
  if (dump != Py_None && !dumpWriter(dump)) return MessageRead();
  const tav::protocol::Message m = tav::protocol::readMessage(data, size);
  if (tav::protocol::needsMoreBytes(m.status)) return MessageRead();
  if (m.status != tav::protocol::MessageStatus::kComplete) {
    raiseBroken(m, 0);
    return MessageRead();
  }
  return readFramed(m, version, dump, strict, 0);
}

// --- Message streams -------------------------------------------------------------------------

// The native half of tav.protocol.MessageStream: the library's decoder.
struct Stream {
  tav::protocol::MessageStream messages;
  explicit Stream(std::size_t limit) : messages(limit) {}
};

inline Owned<Stream> newStream(std::size_t limit) { return make<Stream>(limit); }

inline void streamFeed(Stream& stream, const uint8_t* data, std::size_t size) {
  try {
    stream.messages.feed(data, size);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  }
}

// The next complete message of the stream, read as readFramed reads it; none while more bytes
// are needed; ValueError for a broken message (which stays in the stream until discarded).
inline MessageRead streamNext(Stream& stream, const tav::protocol::Version* version, PyObject* dump,
                              bool strict) {
  const uint64_t base = stream.messages.position();
  const tav::protocol::Message m = stream.messages.next();
  if (tav::protocol::needsMoreBytes(m.status)) return MessageRead();
  if (m.status != tav::protocol::MessageStatus::kComplete) {
    raiseBroken(m, base);
    return MessageRead();
  }
  return readFramed(m, version, dump, strict, base);
}

inline void streamDiscard(Stream& stream, unsigned long long n) { stream.messages.discard(n); }
inline std::size_t streamBuffered(const Stream& stream) { return stream.messages.buffered(); }
inline unsigned long long streamPosition(const Stream& stream) {
  return stream.messages.position();
}
inline std::size_t streamLimit(const Stream& stream) { return stream.messages.limit(); }
inline void streamSetLimit(Stream& stream, std::size_t limit) { stream.messages.setLimit(limit); }

// --- Writing ---------------------------------------------------------------------------------

// The bytes of the header (its length set to the body's size) followed by the body, or the
// body alone without a header. Null with ValueError when the header cannot frame it.
inline PyObject* encode(const tav::protocol::Version& version, const tav::GameState& state,
                        const tav::protocol::Header* header) {
  const std::size_t bodySize = version.size(state);
  std::size_t headSize = 0;
  tav::protocol::Header framed;
  if (header) {
    if (bodySize > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
      PyErr_SetString(PyExc_ValueError, "the body is too large for a message header's length");
      return nullptr;
    }
    framed = *header;
    framed.length = bodySize;
    headSize = tav::protocol::headerSize(framed);
    if (headSize == 0) {
      PyErr_Format(PyExc_ValueError,
                   "the header text is %zu bytes long; a message header holds at most %zu",
                   tav::protocol::headerText(framed).size(), tav::protocol::kMaxHeaderText);
      return nullptr;
    }
  }
  Ref result(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(headSize + bodySize)));
  if (!result) return nullptr;
  auto* out = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(result.get()));
  if (header) {
    tav::protocol::Buffer head(out, headSize);
    head.clear();
    tav::protocol::writeHeader(framed, head);
  }
  // The state stays reachable from other threads, so the interpreter lock is kept: a thread
  // that changed it meanwhile would make the writer walk freed memory.
  if (version.write(state, out + headSize, bodySize) != bodySize) {
    PyErr_SetString(PyExc_RuntimeError, "the body did not have the size measured for it");
    return nullptr;
  }
  return result.release();
}

inline PyObject* writeState(const tav::GameState& state, const tav::protocol::Version& version) {
  return encode(version, state, nullptr);
}

inline PyObject* writeMessage(const tav::protocol::Header& header, const tav::GameState& state,
                              const tav::protocol::Version& version) {
  return encode(version, state, &header);
}

inline std::size_t bodySize(const tav::GameState& state, const tav::protocol::Version& version) {
  return version.size(state);
}

inline PyObject* versionNames() { return textObject(tav::protocol::versionNames()); }

// --- Detection and schema --------------------------------------------------------------------

inline const char* choiceName(tav::protocol::VersionChoice choice) {
  switch (choice) {
    case tav::protocol::VersionChoice::kOnlyExact:
      return "only_exact";
    case tav::protocol::VersionChoice::kNamed:
      return "named";
    case tav::protocol::VersionChoice::kNewestExact:
      return "newest_exact";
    case tav::protocol::VersionChoice::kNamedInexact:
      return "named_inexact";
    case tav::protocol::VersionChoice::kNewest:
      break;
  }
  return "newest";
}

inline const char* trialName(tav::protocol::TrialResult result) {
  switch (result) {
    case tav::protocol::TrialResult::kExact:
      return "exact";
    case tav::protocol::TrialResult::kRanOut:
      return "ran_out";
    case tav::protocol::TrialResult::kLeftover:
      break;
  }
  return "leftover";
}

inline PyObject* versionName(const tav::protocol::Version* version) {
  if (!version) Py_RETURN_NONE;
  return PyUnicode_FromStringAndSize(version->name().data(),
                                     static_cast<Py_ssize_t>(version->name().size()));
}

// detect_version(body, header): (chosen, choice, named, trials), each trial (version, result,
// consumed, leftover, complete, stopped_at).
inline PyObject* detect(const uint8_t* data, std::size_t size,
                        const tav::protocol::Header* header) {
  const tav::protocol::Detection d = tav::protocol::detectVersion(data, size, header);
  Ref trials(PyTuple_New(static_cast<Py_ssize_t>(d.trials.size())));
  if (!trials) return nullptr;
  for (std::size_t i = 0; i < d.trials.size(); ++i) {
    const tav::protocol::VersionTrial& t = d.trials[i];
    PyObject* trial = Py_BuildValue(
        "(NsnnOn)", versionName(t.version), trialName(t.result),
        static_cast<Py_ssize_t>(t.outcome.consumed), static_cast<Py_ssize_t>(t.outcome.leftover),
        t.outcome.complete ? Py_True : Py_False, static_cast<Py_ssize_t>(t.outcome.stoppedAt));
    if (!trial) return nullptr;
    PyTuple_SET_ITEM(trials.get(), static_cast<Py_ssize_t>(i), trial);
  }
  return Py_BuildValue("(NsNN)", versionName(d.chosen), choiceName(d.choice), versionName(d.named),
                       trials.release());
}

inline const char* fieldTypeName(tav::protocol::FieldType type) {
  static const char* const names[] = {"number", "boolean", "enumeration", "slot", "text", "count"};
  return names[static_cast<int>(type)];
}

inline const char* recordKindName(tav::protocol::RecordKind kind) {
  static const char* const names[] = {"header", "state",   "deck",  "actor",
                                      "player", "monster", "figure"};
  return names[static_cast<int>(kind)];
}

// schema(version): a list of (pattern, type, enumeration or None, record, depth).
inline PyObject* schema(const tav::protocol::Version& version) {
  const std::vector<tav::protocol::SchemaField>& fields = version.schema();
  Ref list(PyList_New(static_cast<Py_ssize_t>(fields.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const tav::protocol::SchemaField& f = fields[i];
    Ref enumeration(f.enumeration.empty()
                        ? (Py_INCREF(Py_None), Py_None)
                        : PyUnicode_FromStringAndSize(
                              f.enumeration.data(), static_cast<Py_ssize_t>(f.enumeration.size())));
    PyObject* entry = enumeration ? Py_BuildValue("(s#sNsI)", f.pattern.data(),
                                                  static_cast<Py_ssize_t>(f.pattern.size()),
                                                  fieldTypeName(f.type), enumeration.release(),
                                                  recordKindName(f.record), f.depth)
                                  : nullptr;
    if (!entry) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), entry);
  }
  return list.release();
}

}  // namespace tav_protocol
