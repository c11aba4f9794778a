#include "model/monsterType.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::MonsterTypeNS::Value> getMonsterTypeValues() {
  return denseEnumValues(MonsterTypeNS::value16);
}

}  // namespace tav
