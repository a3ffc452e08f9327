#include "converter/convert_file.h"

#include "converter/wave.h"

namespace kivo::converter {

int32_t ConvertVoiceFile(const char* source, const char* destination,
                         ConvertProgressCallback callback, uint32_t user) {
    CWave wave(0);
    wave.SetCompressionType(kCompressionSc4, 0);
    if (wave.Load(source) == 0)
        return kConvertNotRead;
    if (wave.Convert(callback, 1, user) == 0)
        return kConvertFailed;
    wave.SetCompressionType(kCompressionTrueSpeech, 1);
    if (wave.Convert(callback, 0, user) == 0)
        return kConvertFailed;
    if (wave.Save(destination) == 0)
        return kConvertNotWritten;
    return kConvertDone;
}

}  // namespace kivo::converter
