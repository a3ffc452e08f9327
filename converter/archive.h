#pragma once

#include "converter/object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kivo::converter {

// A byte archive, storing into or loading from a buffer. Numbers are little-endian. An object
// is stored as its class name (u16 length, bytes), its schema (u16) and then its own part.
// Loading past the end, an unknown class, another schema or another class than expected
// marks the archive failed; once failed every read gives zeros and objects are not made.
class CArchive {
public:
    enum class Mode { kStore, kLoad };
    CArchive(std::vector<uint8_t>& buffer, Mode mode) : buffer_(buffer), mode_(mode) {}

    bool IsStoring() const { return mode_ == Mode::kStore; }
    bool Failed() const { return failed_; }
    void MarkFailed() { failed_ = true; }
    // Bytes left to load.
    size_t Remaining() const { return buffer_.size() - position_; }

    void WriteU16(uint16_t value);
    void WriteU32(uint32_t value);
    void WriteBytes(std::span<const uint8_t> bytes);
    void WriteObject(CObject& object);

    uint16_t ReadU16();
    uint32_t ReadU32();
    // False (and the archive failed) when fewer bytes are left.
    bool ReadBytes(std::span<uint8_t> bytes);
    std::unique_ptr<CObject> ReadObject(const CRuntimeClass& expected);

private:
    std::vector<uint8_t>& buffer_;
    Mode mode_;
    size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace kivo::converter
