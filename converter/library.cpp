// The library's export and its one application object.
#include "converter/sonoform.h"

#include "converter/convert_file.h"
#include "converter/wave.h"
#include "converter/wave_windows.h"

namespace {

using namespace kivo::converter;

// Made at load: the wave classes become known by name; the idle device objects make no window
// until one is used.
struct Application {
    Application() { RegisterWaveClasses(); }
    CWaveInWnd recorder;
    CWaveOutWnd player;
};

Application theApp;

}  // namespace

int32_t PELK_sonoform(const char* source, const char* destination, ConvertProgressCallback callback,
                      uint32_t user) {
    return ConvertVoiceFile(source, destination, callback, user);
}
