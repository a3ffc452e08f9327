#pragma once

// Buffered RIFF file input and output on a file that the caller has opened.

#include "platform/acm/api.h"
#include "platform/acm/result.h"

#include <cstdint>

using FOURCC = uint32_t;
using HMMIO = struct HMMIO__*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<uint8_t>(a) | static_cast<uint8_t>(b) << 8 | static_cast<uint8_t>(c) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}
inline constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
inline constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

// Open flags.
inline constexpr uint32_t MMIO_READ = 0x0;
inline constexpr uint32_t MMIO_WRITE = 0x1;
inline constexpr uint32_t MMIO_READWRITE = 0x2;
inline constexpr uint32_t MMIO_ALLOCBUF = 0x10000;
// Close flag: leave the file itself open.
inline constexpr uint32_t MMIO_FHOPEN = 0x10;
// Descend flags.
inline constexpr uint32_t MMIO_FINDCHUNK = 0x10;
inline constexpr uint32_t MMIO_FINDRIFF = 0x20;
inline constexpr uint32_t MMIO_FINDLIST = 0x40;
// Create-chunk flags.
inline constexpr uint32_t MMIO_CREATERIFF = 0x20;
inline constexpr uint32_t MMIO_CREATELIST = 0x40;
// Chunk flag: created here, so ascending writes its size.
inline constexpr uint32_t MMIO_DIRTY = 0x10000000;

inline constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
inline constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
inline constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
inline constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
inline constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
inline constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
inline constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;

inline constexpr uint32_t kMmioDefaultBuffer = 8192;

// The information record of mmioOpenA: adwInfo[0] carries the open file's descriptor.
struct MMIOINFO {
    uint32_t dwFlags;
    uint32_t cchBuffer;  // buffer size with MMIO_ALLOCBUF; 0 takes kMmioDefaultBuffer
    MMRESULT wErrorRet;  // why mmioOpenA gave no handle
    uintptr_t adwInfo[3];
};

struct MMCKINFO {
    FOURCC ckid;
    uint32_t cksize;
    FOURCC fccType;         // form type of a RIFF or LIST chunk
    uint32_t dwDataOffset;  // file offset of the chunk's data
    uint32_t dwFlags;
};

// Only name-less opens on info->adwInfo[0] are supported; flags MMIO_READ, MMIO_WRITE or
// MMIO_READWRITE, optionally with MMIO_ALLOCBUF. Null on failure, with info->wErrorRet set.
KIVO_ACM_API HMMIO mmioOpenA(const char* name, MMIOINFO* info, uint32_t flags);
// Writes what is buffered; MMIOERR_CANNOTWRITE when that fails. With MMIO_FHOPEN the file
// stays open, otherwise it is closed too. The handle is gone either way.
KIVO_ACM_API MMRESULT mmioClose(HMMIO handle, uint32_t flags);
// Bytes read (0 at the end of the file), or -1.
KIVO_ACM_API int32_t mmioRead(HMMIO handle, char* buffer, int32_t count);
// Bytes written, or -1 when the bytes could not be stored.
KIVO_ACM_API int32_t mmioWrite(HMMIO handle, const char* buffer, int32_t count);
// SEEK_SET, SEEK_CUR or SEEK_END; the new position or -1.
KIVO_ACM_API int32_t mmioSeek(HMMIO handle, int32_t offset, int origin);

// Enters the chunk at the current position, or with MMIO_FINDCHUNK / FINDRIFF / FINDLIST
// the first one with ckid (and fccType) as asked, searching up to the end of `parent` (the
// file without one). Leaves the position at the chunk's data (behind the form type).
KIVO_ACM_API MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent,
                                  uint32_t flags);
// Leaves the chunk: a created one gets its size written and an odd length padded with one
// zero byte; the position ends behind the chunk.
KIVO_ACM_API MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, uint32_t flags);
// Writes a chunk header (with its form type for RIFF and LIST) at the current position.
KIVO_ACM_API MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, uint32_t flags);
