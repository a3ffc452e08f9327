// Feeds arbitrary player replies to the operations that parse them.
#include "link/parport/download.h"
#include "link/parport/file_list.h"
#include "link/parport/memory_info.h"
#include "link/parport/version_config.h"
#include "link/testing/scripted_channel.h"
#include "platform/win/listview.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace {

// One regular file per process that every download replaces, removed at exit.
struct DownloadTarget {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("kivo-fuzz-download-" + std::to_string(::getpid())))
                           .string();
    ~DownloadTarget() { ::unlink(path.c_str()); }
};

DownloadTarget target;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    kivo::link::testing::ScriptedLink l;
    l.channel.Reply(kivo::link::testing::Bytes(data + 1, data + size));
    ListViewControl list;
    switch (data[0] % 4) {
        case 0:
            kivo::link::parport::ReadFileList(l.link, list.handle());
            break;
        case 1:
            kivo::link::parport::ReadVersionAndConfig(l.link);
            break;
        case 2:
            kivo::link::parport::ReadMemoryInfo(l.link);
            break;
        default:
            kivo::link::parport::DownloadFile(l.link, 6, target.path.c_str());
            break;
    }
    return 0;
}
