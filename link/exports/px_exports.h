#pragma once

// The PX_ family that both link libraries export by name, and what parlink adds, declared
// from its one list.

#include "link/exports/px_family.h"

#define PX_EXPORT extern "C" __attribute__((visibility("default")))

#define KIVO_PX_DECLARE(result, name, parameters, arguments) PX_EXPORT result name parameters;
KIVO_PX_SHARED(KIVO_PX_DECLARE)
KIVO_PX_PARLINK_ONLY(KIVO_PX_DECLARE)
#undef KIVO_PX_DECLARE
