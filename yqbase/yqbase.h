// The umbrella header: every public header of the library.
#pragma once

#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/Win32Error.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/DisplayTable.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/strings/utfConversions.h"
