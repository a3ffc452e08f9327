#pragma once

#include "converter/progress.h"

#include <cstdint>

namespace kivo::converter {

// Results of ConvertVoiceFile.
inline constexpr int32_t kConvertDone = 0;
inline constexpr int32_t kConvertNotRead = -1;
inline constexpr int32_t kConvertFailed = -2;
inline constexpr int32_t kConvertNotWritten = -3;

// Turns an SC4 WAV file into a TrueSpeech WAV file: decode to PCM, encode, save.
int32_t ConvertVoiceFile(const char* source, const char* destination,
                         ConvertProgressCallback callback, uint32_t user);

}  // namespace kivo::converter
