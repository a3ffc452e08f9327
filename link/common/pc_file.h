#pragma once

#include <cstdio>
#include <memory>

namespace kivo::link {

struct PcFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A PC file, closed when it goes out of scope; Close reports whether everything reached it.
class PcFile {
public:
    static PcFile Open(const char* path, const char* mode) {
        return PcFile(std::fopen(path, mode));
    }

    explicit operator bool() const { return file_ != nullptr; }
    std::FILE* get() const { return file_.get(); }
    bool Close() { return file_ && std::fclose(file_.release()) == 0; }

private:
    explicit PcFile(std::FILE* file) : file_(file) {}
    std::unique_ptr<std::FILE, PcFileCloser> file_;
};

}  // namespace kivo::link
