#include "yqbase/serialization/BagProvider.h"

#include "yqbase/errors/ErrorUtil.h"

CBagProvider::~CBagProvider() = default;

CYqError CBagProvider::GetProperty(const std::string&, boost::any& value) {
  value = boost::any();
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1168);
}
