#include "model/condition.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::ConditionNS::Value> getConditionValues() {
  return denseEnumValues(ConditionNS::value19);
}

}  // namespace tav
