#pragma once

#include "platform/win/api.h"
#include "platform/win/unique_fd.h"

#include <sys/types.h>

namespace kivo::win {

// Opens `path` only when it names a regular file (or, with O_CREAT, nothing yet). The open
// never waits: a FIFO or a device is refused at once instead of blocking until a peer comes.
// An empty descriptor when refused, with errno set (EINVAL for a file of another type).
KIVO_WIN_API UniqueFd OpenRegularFile(const char* path, int flags, mode_t mode = 0666);

}  // namespace kivo::win
