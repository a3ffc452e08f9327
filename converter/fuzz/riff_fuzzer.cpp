// Reads arbitrary bytes as a RIFF WAVE file and writes back what was read.
#include "converter/wave.h"
#include "platform/win/unique_fd.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

using namespace kivo::converter;

using kivo::win::UniqueFd;

HMMIO OpenOn(int fd, uint32_t flags) {
    MMIOINFO info{};
    info.adwInfo[0] = static_cast<uintptr_t>(fd);
    return mmioOpenA(nullptr, &info, flags | MMIO_ALLOCBUF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UniqueFd in(memfd_create("riff_in", 0));
    if (!in || write(in.get(), data, size) != static_cast<ssize_t>(size))
        return 0;
    CWave wave(0);
    HMMIO reader = OpenOn(in.get(), MMIO_READ);
    const int read = wave.ReadRiff(reader);
    mmioClose(reader, MMIO_FHOPEN);
    if (read == 0)
        return 0;
    wave.GetSampleCount();
    UniqueFd out(memfd_create("riff_out", 0));
    HMMIO writer = OpenOn(out.get(), MMIO_WRITE);
    if (wave.WriteRiff(writer) == 0)
        std::abort();
    mmioClose(writer, MMIO_FHOPEN);
    return 0;
}
