#include "model/playerInit.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::PlayerInitNS::Value> getPlayerInitValues() {
  return denseEnumValues(PlayerInitNS::value5);
}

}  // namespace tav
