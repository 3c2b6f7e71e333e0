// Gives the filter-set file lines the text form of values that are serialized contexts.
#include "yqbase/filters/FilterSet.h"
#include "yqbase/serialization/SerializedBase.h"

namespace {

std::string SerializedContextText(const FVBase& value) {
  const CSerializedContext* context = dynamic_cast<const CSerializedContext*>(&value);
  return context != nullptr ? context->AsSerialized() : std::string();
}

// Installed when the library loads: the filter layer lies below this one and cannot name the
// type itself.
const bool s_installed = (CFilterSet::SetValueTextFunction(&SerializedContextText), true);

}  // namespace
