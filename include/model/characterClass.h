#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// CharacterClass: class of a player figure. Members are numbered densely from 0 in declaration
// order; the wire layer moves them as that number.
struct CharacterClassNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t {
    Escort = 0,
    Objective,
    Varsk,
    Tolmin,
    Quessa,
    Dravel,
    Orlune,
    Fennick,
    Sabrel,
    Kettar,
    Morvik,
    Pellow,
    Zarnet,
    Ilvas,
    Hollet,
    Wendar,
    Gessim,
    Calvet,
    Nostri,
    Yorrel,
    value20,
    Astrel,
    Tervo,
    Ulmeth,
    Skellan,
    value25
  };
};

// The enumeration type itself, as fields and functions name it.
using CharacterClass = CharacterClassNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::CharacterClassNS::Value> getCharacterClassValues();

}  // namespace tav
