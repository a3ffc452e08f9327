#pragma once

// libsonoform.so's one export, which the link libraries call by name.

#include "converter/progress.h"

#include <stdint.h>

#define SONOFORM_API extern "C" __attribute__((visibility("default")))

// Turns an SC4 wave file into a TrueSpeech wave file at `destination`, reporting progress to
// `callback` with `user`. 0 done; -1 the source cannot be read; -2 a pass failed or was
// cancelled; -3 the destination cannot be written (shown as "Failed to create file" or
// "Failed to save file"), an existing one left as it was.
SONOFORM_API int32_t PELK_sonoform(const char* source, const char* destination,
                                   ConvertProgressCallback callback, uint32_t user);
