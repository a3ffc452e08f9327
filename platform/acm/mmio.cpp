#include "platform/acm/mmio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <vector>

// One handle over a descriptor the caller owns, with one buffer that holds either bytes read
// ahead or bytes not yet written.
struct HMMIO__ {
    int fd = -1;
    uint32_t mode = MMIO_READ;
    std::vector<char> buffer;
    int64_t bufferStart = 0;
    size_t bufferLength = 0;
    bool dirty = false;
    // Once a write is lost every later result says so, so a caller that checks only at the
    // end still learns of it.
    bool writeFailed = false;
    int64_t position = 0;
};

namespace {

constexpr int64_t kMaxOffset = std::numeric_limits<int32_t>::max();

// The open handles; a handle not in here is refused.
std::map<HMMIO, std::unique_ptr<HMMIO__>>& OpenHandles() {
    static std::map<HMMIO, std::unique_ptr<HMMIO__>> handles;
    return handles;
}

HMMIO Known(HMMIO handle) {
    return OpenHandles().contains(handle) ? handle : nullptr;
}

bool WriteAll(int fd, const char* data, size_t count, int64_t offset) {
    while (count > 0) {
        const ssize_t n = pwrite(fd, data, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        count -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool Flush(HMMIO h) {
    if (h->dirty) {
        h->dirty = false;
        if (!WriteAll(h->fd, h->buffer.data(), h->bufferLength, h->bufferStart)) {
            h->writeFailed = true;
        }
    }
    h->bufferLength = 0;
    return !h->writeFailed;
}

bool Readable(HMMIO h) {
    return h->mode != MMIO_WRITE;
}
bool Writable(HMMIO h) {
    return h->mode != MMIO_READ;
}

int64_t ReadAt(HMMIO h, char* out, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const int64_t inBuffer = h->position - h->bufferStart;
        if (!h->dirty && inBuffer >= 0 && inBuffer < static_cast<int64_t>(h->bufferLength)) {
            const int64_t n = std::min<int64_t>(count - done, h->bufferLength - inBuffer);
            std::memcpy(out + done, h->buffer.data() + inBuffer, n);
            done += n;
            h->position += n;
            continue;
        }
        if (!Flush(h))
            return -1;
        if (h->buffer.empty()) {
            const ssize_t n = pread(h->fd, out + done, count - done, h->position);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return done > 0 ? done : -1;
            if (n == 0)
                break;
            done += n;
            h->position += n;
            continue;
        }
        const ssize_t n = pread(h->fd, h->buffer.data(), h->buffer.size(), h->position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? done : -1;
        if (n == 0)
            break;
        h->bufferStart = h->position;
        h->bufferLength = static_cast<size_t>(n);
    }
    return done;
}

bool WriteAt(HMMIO h, const char* data, int64_t count) {
    if (h->buffer.empty()) {
        if (!WriteAll(h->fd, data, count, h->position)) {
            h->writeFailed = true;
            return false;
        }
        h->position += count;
        return true;
    }
    while (count > 0) {
        const bool follows =
            h->dirty && h->position == h->bufferStart + static_cast<int64_t>(h->bufferLength);
        if (!follows) {
            if (!Flush(h))
                return false;
            h->bufferStart = h->position;
            h->dirty = true;
        }
        const size_t n = std::min<size_t>(count, h->buffer.size() - h->bufferLength);
        std::memcpy(h->buffer.data() + h->bufferLength, data, n);
        h->bufferLength += n;
        h->position += n;
        data += n;
        count -= n;
        if (h->bufferLength == h->buffer.size() && !Flush(h))
            return false;
    }
    return !h->writeFailed;
}

bool Seek(HMMIO h, int64_t position) {
    if (position < 0 || position > kMaxOffset)
        return false;
    h->position = position;
    return true;
}

bool ReadWord(HMMIO h, uint32_t& value) {
    char bytes[4];
    if (ReadAt(h, bytes, 4) != 4)
        return false;
    std::memcpy(&value, bytes, 4);
    return true;
}

bool WriteWord(HMMIO h, uint32_t value) {
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    return WriteAt(h, bytes, 4);
}

bool IsGroup(FOURCC id) {
    return id == FOURCC_RIFF || id == FOURCC_LIST;
}

// Reads the chunk header at the current position; the position ends at the chunk's data,
// behind the form type of a RIFF or LIST chunk.
bool ReadChunkHeader(HMMIO h, MMCKINFO& chunk, int64_t end) {
    const int64_t start = h->position;
    if (start + 8 > end)
        return false;
    if (!ReadWord(h, chunk.ckid) || !ReadWord(h, chunk.cksize))
        return false;
    chunk.dwDataOffset = static_cast<uint32_t>(start + 8);
    chunk.fccType = 0;
    chunk.dwFlags = 0;
    if (IsGroup(chunk.ckid)) {
        if (chunk.cksize < 4 || start + 12 > end || !ReadWord(h, chunk.fccType))
            return false;
    }
    return true;
}

int64_t ChunkEnd(const MMCKINFO& chunk) {
    const int64_t size = chunk.cksize;
    return static_cast<int64_t>(chunk.dwDataOffset) + size + (size & 1);
}

}  // namespace

HMMIO mmioOpenA(const char* name, MMIOINFO* info, uint32_t flags) {
    if (info == nullptr)
        return nullptr;
    info->wErrorRet = MMSYSERR_NOERROR;
    const uint32_t mode = flags & ~MMIO_ALLOCBUF;
    const int fd = static_cast<int>(info->adwInfo[0]);
    struct stat st;
    if (name != nullptr || mode > MMIO_READWRITE || fstat(fd, &st) != 0) {
        info->wErrorRet = MMIOERR_CANNOTOPEN;
        return nullptr;
    }
    auto h = std::make_unique<HMMIO__>();
    h->fd = fd;
    h->mode = mode;
    if ((flags & MMIO_ALLOCBUF) != 0) {
        h->buffer.resize(info->cchBuffer != 0 ? info->cchBuffer : kMmioDefaultBuffer);
    }
    HMMIO raw = h.get();
    OpenHandles().emplace(raw, std::move(h));
    return raw;
}

MMRESULT mmioClose(HMMIO handle, uint32_t flags) {
    if (Known(handle) == nullptr)
        return MMSYSERR_INVALHANDLE;
    const bool written = Flush(handle);
    MMRESULT result = written ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
    if ((flags & MMIO_FHOPEN) == 0 && close(handle->fd) != 0 && result == MMSYSERR_NOERROR) {
        result = MMIOERR_CANNOTCLOSE;
    }
    OpenHandles().erase(handle);
    return result;
}

int32_t mmioRead(HMMIO handle, char* buffer, int32_t count) {
    if (Known(handle) == nullptr || buffer == nullptr || count < 0 || !Readable(handle))
        return -1;
    return static_cast<int32_t>(ReadAt(handle, buffer, count));
}

int32_t mmioWrite(HMMIO handle, const char* buffer, int32_t count) {
    if (Known(handle) == nullptr || buffer == nullptr || count < 0 || !Writable(handle))
        return -1;
    if (handle->position + count > kMaxOffset)
        return -1;
    return WriteAt(handle, buffer, count) ? count : -1;
}

int32_t mmioSeek(HMMIO handle, int32_t offset, int origin) {
    if (Known(handle) == nullptr)
        return -1;
    int64_t base = 0;
    if (origin == SEEK_CUR) {
        base = handle->position;
    } else if (origin == SEEK_END) {
        struct stat st;
        if (fstat(handle->fd, &st) != 0)
            return -1;
        base = st.st_size;
        if (handle->dirty) {
            base = std::max<int64_t>(
                base, handle->bufferStart + static_cast<int64_t>(handle->bufferLength));
        }
    } else if (origin != SEEK_SET) {
        return -1;
    }
    if (!Seek(handle, base + offset))
        return -1;
    return static_cast<int32_t>(handle->position);
}

MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, uint32_t flags) {
    if (Known(handle) == nullptr || chunk == nullptr)
        return MMSYSERR_INVALPARAM;
    const int64_t end = parent != nullptr
                            ? static_cast<int64_t>(parent->dwDataOffset) + parent->cksize
                            : std::numeric_limits<int64_t>::max();
    const FOURCC wantedId = (flags & MMIO_FINDRIFF)   ? FOURCC_RIFF
                            : (flags & MMIO_FINDLIST) ? FOURCC_LIST
                                                      : chunk->ckid;
    const bool search = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const bool byType = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const FOURCC wantedType = chunk->fccType;
    MMCKINFO found{};
    while (true) {
        if (!ReadChunkHeader(handle, found, end))
            return MMIOERR_CHUNKNOTFOUND;
        if (!search || (found.ckid == wantedId && (!byType || found.fccType == wantedType))) {
            break;
        }
        if (!Seek(handle, ChunkEnd(found)))
            return MMIOERR_CHUNKNOTFOUND;
    }
    *chunk = found;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, uint32_t) {
    if (Known(handle) == nullptr || chunk == nullptr)
        return MMSYSERR_INVALPARAM;
    if ((chunk->dwFlags & MMIO_DIRTY) != 0) {
        const int64_t size = handle->position - chunk->dwDataOffset;
        if (size < 0 || size > kMaxOffset)
            return MMIOERR_CANNOTSEEK;
        chunk->cksize = static_cast<uint32_t>(size);
        const int64_t after = handle->position;
        if ((size & 1) != 0 && !WriteAt(handle, "", 1))
            return MMIOERR_CANNOTWRITE;
        handle->position = chunk->dwDataOffset - 4;
        if (!WriteWord(handle, chunk->cksize))
            return MMIOERR_CANNOTWRITE;
        handle->position = after;
        chunk->dwFlags &= ~MMIO_DIRTY;
    }
    if (!Seek(handle, ChunkEnd(*chunk)))
        return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, uint32_t flags) {
    if (Known(handle) == nullptr || chunk == nullptr || !Writable(handle))
        return MMSYSERR_INVALPARAM;
    if ((flags & MMIO_CREATERIFF) != 0)
        chunk->ckid = FOURCC_RIFF;
    if ((flags & MMIO_CREATELIST) != 0)
        chunk->ckid = FOURCC_LIST;
    const bool group = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
    if (handle->position + 12 > kMaxOffset)
        return MMIOERR_CANNOTSEEK;
    chunk->dwDataOffset = static_cast<uint32_t>(handle->position + 8);
    chunk->cksize = group ? 4 : 0;
    chunk->dwFlags = MMIO_DIRTY;
    if (!WriteWord(handle, chunk->ckid) || !WriteWord(handle, chunk->cksize)) {
        return MMIOERR_CANNOTWRITE;
    }
    if (group && !WriteWord(handle, chunk->fccType))
        return MMIOERR_CANNOTWRITE;
    return MMSYSERR_NOERROR;
}
