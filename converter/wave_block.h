#pragma once

#include "converter/object.h"

#include <cstdint>
#include <deque>
#include <memory>

namespace kivo::converter {

// A stretch of audio, encoded or plain; it owns its bytes.
class CWaveBlock : public CObject {
public:
    CWaveBlock() = default;
    CWaveBlock(std::unique_ptr<uint8_t[]> data, int32_t bytes, int32_t samples)
        : m_pData(std::move(data)), m_nBytes(bytes), m_nSamples(samples) {}

    static const CRuntimeClass classCWaveBlock;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWaveBlock; }
    // Samples (u32), bytes (u32), then the bytes.
    void Serialize(CArchive& archive) override;

    std::unique_ptr<uint8_t[]> m_pData;
    int32_t m_nBytes = 0;
    int32_t m_nSamples = 0;
};

// The ordered blocks of a wave. The list owns them: a block leaves it only handed to a new
// owner, so no path can drop one unfreed.
class CWaveBlockList : public CObject {
public:
    static const CRuntimeClass classCWaveBlockList;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWaveBlockList; }
    // The count (u32), then each block as an object record; loading appends.
    void Serialize(CArchive& archive) override;

    void AddTail(std::unique_ptr<CWaveBlock> block) { blocks_.push_back(std::move(block)); }
    std::unique_ptr<CWaveBlock> RemoveHead();
    // Takes the blocks off the head one by one and destroys each.
    void RemoveAllBlocks();

    bool IsEmpty() const { return blocks_.empty(); }
    size_t GetCount() const { return blocks_.size(); }
    const CWaveBlock& GetHead() const { return *blocks_.front(); }
    const CWaveBlock& GetAt(size_t index) const { return *blocks_[index]; }

    auto begin() const { return blocks_.begin(); }
    auto end() const { return blocks_.end(); }

private:
    std::deque<std::unique_ptr<CWaveBlock>> blocks_;
};

}  // namespace kivo::converter
