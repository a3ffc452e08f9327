#include "converter/archive.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kivo::converter {

void CArchive::WriteU16(uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    WriteBytes(bytes);
}

void CArchive::WriteU32(uint32_t value) {
    WriteU16(static_cast<uint16_t>(value));
    WriteU16(static_cast<uint16_t>(value >> 16));
}

void CArchive::WriteBytes(std::span<const uint8_t> bytes) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void CArchive::WriteObject(CObject& object) {
    const CRuntimeClass* record = object.GetRuntimeClass();
    const std::string_view name = record->m_lpszClassName;
    WriteU16(static_cast<uint16_t>(name.size()));
    WriteBytes(std::span(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
    WriteU16(static_cast<uint16_t>(record->m_wSchema));
    object.Serialize(*this);
}

bool CArchive::ReadBytes(std::span<uint8_t> bytes) {
    if (failed_ || bytes.size() > Remaining()) {
        failed_ = true;
        std::fill(bytes.begin(), bytes.end(), 0);
        return false;
    }
    std::memcpy(bytes.data(), buffer_.data() + position_, bytes.size());
    position_ += bytes.size();
    return true;
}

uint16_t CArchive::ReadU16() {
    uint8_t bytes[2];
    ReadBytes(bytes);
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t CArchive::ReadU32() {
    const uint32_t low = ReadU16();
    return low | static_cast<uint32_t>(ReadU16()) << 16;
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass& expected) {
    std::string name(ReadU16(), '\0');
    ReadBytes(std::span(reinterpret_cast<uint8_t*>(name.data()), name.size()));
    const uint16_t schema = ReadU16();
    const CRuntimeClass* record = FindRuntimeClass(name);
    if (failed_ || record != &expected || schema != record->m_wSchema) {
        failed_ = true;
        return nullptr;
    }
    std::unique_ptr<CObject> object = record->m_pfnCreateObject();
    object->Serialize(*this);
    if (failed_)
        return nullptr;
    return object;
}

}  // namespace kivo::converter
