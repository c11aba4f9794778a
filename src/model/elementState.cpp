#include "model/elementState.h"

#include "enumValues.h"

namespace tav {

std::vector<tav::ElementStateNS::Value> getElementStateValues() {
  return denseEnumValues(ElementStateNS::Waning);
}

}  // namespace tav
