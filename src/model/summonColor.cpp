#include "model/summonColor.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::SummonColorNS::Value> getSummonColorValues() {
  return denseEnumValues(SummonColorNS::Red);
}

}  // namespace tav
