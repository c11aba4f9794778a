#include "model/playerActor.h"

namespace tav {

PlayerActor::PlayerActor() = default;

}  // namespace tav
