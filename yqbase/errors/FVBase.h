// FVBase: the common base of payload objects that callers attach to library objects.
#pragma once

#include <boost/shared_ptr.hpp>

#include "yqbase/errors/YqExport.h"

/// A polymorphic base with only a virtual destructor. Callers derive their payloads from it
/// and attach them by shared pointer; the library only holds and hands them back.
class YQBASE_EXPORT FVBase {
 public:
  virtual ~FVBase();
};

typedef boost::shared_ptr<FVBase> FVBasePtr;
