#pragma once

#include "platform/win/regular_file.h"

#include <fcntl.h>

#include <cstdio>
#include <memory>

namespace kivo::link {

struct PcFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A PC file, closed when it goes out of scope; Close reports whether everything reached it.
class PcFile {
public:
    // `mode` is "rb" or "wb". Only a regular file opens: a FIFO or device would stall the
    // transfer, or never return at all.
    static PcFile Open(const char* path, const char* mode) {
        const bool write = mode[0] == 'w';
        win::UniqueFd fd =
            win::OpenRegularFile(path, write ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY);
        std::FILE* file = fd ? ::fdopen(fd.get(), mode) : nullptr;
        if (file != nullptr)
            fd.Release();
        return PcFile(file);
    }

    explicit operator bool() const { return file_ != nullptr; }
    std::FILE* get() const { return file_.get(); }
    bool Close() { return file_ && std::fclose(file_.release()) == 0; }

private:
    explicit PcFile(std::FILE* file) : file_(file) {}
    std::unique_ptr<std::FILE, PcFileCloser> file_;
};

}  // namespace kivo::link
