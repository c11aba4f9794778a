#include "model/characterClass.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::CharacterClassNS::Value> getCharacterClassValues() {
  return denseEnumValues(CharacterClassNS::value25);
}

}  // namespace tav
