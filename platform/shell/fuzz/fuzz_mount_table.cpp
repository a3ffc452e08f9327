// The mount-table reader: never crashes, and gives each volume once, below a volume folder.
#include "platform/shell/places.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view table(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> volumes = kivo::shell::VolumesInMountTable(table);
    for (size_t i = 0; i < volumes.size(); ++i) {
        const std::string& v = volumes[i];
        bool below = v.rfind("/media/", 0) == 0 || v.rfind("/run/media/", 0) == 0 ||
                     v.rfind("/mnt/", 0) == 0;
        if (!below || std::count(volumes.begin(), volumes.end(), v) != 1)
            std::abort();
    }
    return 0;
}
