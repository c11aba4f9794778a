#include "model/monsterInstance.h"

namespace tav {

MonsterInstance::MonsterInstance() = default;

}  // namespace tav
