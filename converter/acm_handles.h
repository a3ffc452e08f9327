#pragma once

#include "platform/acm/acm.h"

#include <utility>

namespace kivo::converter {

// An open driver handle, closed once.
class AcmDriverHandle {
public:
    AcmDriverHandle() = default;
    ~AcmDriverHandle() { Close(); }
    AcmDriverHandle(const AcmDriverHandle&) = delete;
    AcmDriverHandle& operator=(const AcmDriverHandle&) = delete;

    MMRESULT Open(HACMDRIVERID id) { return acmDriverOpen(&handle_, id, 0); }
    void Close() {
        if (handle_ != nullptr)
            acmDriverClose(std::exchange(handle_, nullptr), 0);
    }
    HACMDRIVER get() const { return handle_; }

private:
    HACMDRIVER handle_ = nullptr;
};

// An open conversion stream, closed once (before its driver).
class AcmStreamHandle {
public:
    AcmStreamHandle() = default;
    ~AcmStreamHandle() { Close(); }
    AcmStreamHandle(const AcmStreamHandle&) = delete;
    AcmStreamHandle& operator=(const AcmStreamHandle&) = delete;

    MMRESULT Open(HACMDRIVER driver, const WAVEFORMATEX* from, const WAVEFORMATEX* to) {
        return acmStreamOpen(&handle_, driver, from, to, nullptr, 0, 0,
                             ACM_STREAMOPENF_NONREALTIME);
    }
    void Close() {
        if (handle_ != nullptr)
            acmStreamClose(std::exchange(handle_, nullptr), 0);
    }
    HACMSTREAM get() const { return handle_; }

private:
    HACMSTREAM handle_ = nullptr;
};

}  // namespace kivo::converter
