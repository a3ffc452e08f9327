#include "converter/wave_block.h"

#include "converter/archive.h"

#include <cstdint>

namespace kivo::converter {

namespace {

std::unique_ptr<CObject> CreateBlock() {
    return std::make_unique<CWaveBlock>();
}
std::unique_ptr<CObject> CreateBlockList() {
    return std::make_unique<CWaveBlockList>();
}

}  // namespace

const CRuntimeClass CWaveBlock::classCWaveBlock = {"CWaveBlock", 0, CreateBlock};
const CRuntimeClass CWaveBlockList::classCWaveBlockList = {"CWaveBlockList", 0, CreateBlockList};

void CWaveBlock::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteU32(static_cast<uint32_t>(m_nSamples));
        archive.WriteU32(static_cast<uint32_t>(m_nBytes));
        if (m_nBytes > 0) {
            archive.WriteBytes(std::span(m_pData.get(), static_cast<size_t>(m_nBytes)));
        }
        return;
    }
    m_nSamples = static_cast<int32_t>(archive.ReadU32());
    const uint32_t bytes = archive.ReadU32();
    // A count the archive cannot hold is refused before anything is allocated for it.
    if (bytes > archive.Remaining() || bytes > INT32_MAX) {
        archive.MarkFailed();
        return;
    }
    m_nBytes = static_cast<int32_t>(bytes);
    m_pData.reset();
    if (bytes > 0) {
        m_pData = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        archive.ReadBytes(std::span(m_pData.get(), bytes));
    }
}

void CWaveBlockList::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteU32(static_cast<uint32_t>(blocks_.size()));
        for (auto& block : blocks_)
            archive.WriteObject(*block);
        return;
    }
    const uint32_t count = archive.ReadU32();
    for (uint32_t i = 0; i < count && !archive.Failed(); ++i) {
        std::unique_ptr<CObject> object = archive.ReadObject(CWaveBlock::classCWaveBlock);
        if (!object)
            return;
        blocks_.emplace_back(static_cast<CWaveBlock*>(object.release()));
    }
}

std::unique_ptr<CWaveBlock> CWaveBlockList::RemoveHead() {
    std::unique_ptr<CWaveBlock> head = std::move(blocks_.front());
    blocks_.pop_front();
    return head;
}

void CWaveBlockList::RemoveAllBlocks() {
    while (!blocks_.empty())
        RemoveHead();
}

}  // namespace kivo::converter
