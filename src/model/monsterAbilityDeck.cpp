#include "model/monsterAbilityDeck.h"

namespace tav {

MonsterAbilityDeck::MonsterAbilityDeck() : MonsterAbilityDeck(0) {}

MonsterAbilityDeck::MonsterAbilityDeck(int id) : id(id) {}

}  // namespace tav
