#include "model/monsterActor.h"

namespace tav {

MonsterActor::MonsterActor() = default;

}  // namespace tav
