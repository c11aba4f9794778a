#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/gameState.h"

// A game state as JSON, and back. The mapping keeps every value, so fromJson(toJson(s)) == s
// for every state s:
// - an object per record, its members named and ordered as the record's fields;
// - enumeration values by their identifier ("Plus1"), a number for a value that has none;
// - an absent optional as null;
// - ability_decks as an object keyed by the deck's map key in decimal ("3"), each deck with its
//   own "id" as well (the two may differ);
// - actors as a list of objects with "kind" ("monster" or "player") and the live record under
//   "monster" or "player";
// - a player's name as a string, or as {"hex": "<bytes in hex>"} when its bytes are not UTF-8.
// Reading refuses unknown members, wrong types and numbers out of the field's range; members
// left out take the record's default value. schema/gamestate.schema.json describes the mapping.
// Nothing here throws: failures come back as an Error.
namespace tav {
namespace json {

/// Why a JSON text was refused, and where.
struct Error {
  /// What was wrong, such as "expected an integer from -2147483648 to 2147483647, got 1e+20".
  std::string what;
  /// The JSON pointer of the offending value ("/actors/0/player/hp"); empty for a syntax error
  /// and for the top level.
  std::string pointer;
  /// The byte offset in the text of an error found while parsing (a syntax error, a repeated
  /// member, too deep a nesting); 0 otherwise.
  std::size_t offset = 0;
  /// The 1-based line of offset; 0 for an error found after parsing (wrong type or range).
  std::size_t line = 0;
  /// The 1-based column (in bytes) of offset; 0 when line is 0.
  std::size_t column = 0;

  /// The whole message: "line 3, column 7: <what>" (", at <pointer>" added when known) or
  /// "at /actors/0/player/hp: <what>".
  std::string message() const;
};

/// What fromJson found: the state, or why there is none.
struct StateResult {
  /// True when the text was read; state is then valid and error empty.
  bool ok = false;
  /// The state the text describes; default-constructed when !ok.
  tav::GameState state;
  /// Why the text was refused; meaningful when !ok.
  Error error;
};

/// One framed message as JSON: its header's event and payload, the protocol version its body
/// is in, and the state. framed is false for a bare body, which is written as the state alone.
struct Message {
  /// True for a message with a header; false for a bare body.
  bool framed = true;
  /// The header's event, such as "game_state".
  std::string event;
  /// The header's payload, such as "8.4".
  std::string payload;
  /// The protocol version of the body ("7.6", "8.0", "8.4"); empty when not known.
  std::string protocol;
  /// The state the body holds.
  tav::GameState state;
};

/// What messagesFromJson found: every message of the text, or why they were refused.
struct MessagesResult {
  /// True when the whole text was read; messages then holds one entry per document.
  bool ok = false;
  /// The messages in text order; empty when !ok.
  std::vector<Message> messages;
  /// Why the text was refused; meaningful when !ok. The pointer is inside the document the
  /// error lies in, which index names.
  Error error;
  /// The 0-based index of the document the error lies in; meaningful when !ok.
  std::size_t index = 0;
};

/// The state as a JSON object: pretty-printed with indent blanks per level, or on one line
/// when indent is negative. Ends without a line break.
std::string toJson(const tav::GameState& state, int indent = 2);

/// The message as JSON: {"event", "payload", "protocol", "state"} when it is framed, the
/// state's object alone when it is not. Indent as for toJson(const GameState&, int).
std::string toJson(const Message& message, int indent = 2);

/// Reads a text holding exactly one state object (blanks around it allowed). On failure ok
/// is false and error says what and where.
StateResult fromJson(std::string_view text);

/// For language bindings: reads the text as fromJson(std::string_view) does into state and
/// returns an empty string, or returns the error's message and leaves state unchanged.
std::string fromJson(const std::string& text, tav::GameState& state);

/// Reads a text of zero or more JSON documents one after another (blanks between them), each
/// either a message object {"event", "payload", "protocol", "state"} (members other than
/// "state" may be left out) or a bare state object (a Message with framed false). On failure
/// ok is false, messages is empty and error and index tell what and where.
MessagesResult messagesFromJson(std::string_view text);

}  // namespace json
}  // namespace tav
