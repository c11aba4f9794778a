#include "model/attackModifier.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::AttackModifierNS::Value> getAttackModifierValues() {
  return denseEnumValues(AttackModifierNS::Curse);
}

}  // namespace tav
