#include "yqbase/errors/FVBase.h"

FVBase::~FVBase() = default;
