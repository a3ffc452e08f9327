#pragma once

// The test hooks of both player drivers, the same in libpxdll.so and libpxapi.so; each
// acts on its own library's driver and player.

#include "drivers/types.h"

#include <stdint.h>

#define PX_TEST_API extern "C" __attribute__((visibility("default")))

// Drops the recorded calls and pending failures, closes the channel, releases the port and
// starts a new player from KIVO_PLAYER (a "mem" player starts empty).
PX_TEST_API void PX_TestReset(void);
// Recording of every driver call (off by default).
PX_TEST_API void PX_TestRecordCalls(int32_t on);
PX_TEST_API uint32_t PX_TestCallCount(void);
// 1 and the record when `index` < the count, else 0.
PX_TEST_API int32_t PX_TestGetCall(uint32_t index, PxCallRecord* record);
PX_TEST_API void PX_TestClearCalls(void);
// Makes a given call fail (see PxFailure); several may be pending.
PX_TEST_API void PX_TestFailCall(const PxFailure* failure);
// Sends one control line to the player (embedded or over the socket), the words of
// kivo-player's options: "card EC 75", "card none", "flash UNITS", "version 0 1 3 0",
// "speed BYTES_PER_S", "fault no-answer", "fault code24 erase|image|block K",
// "fault short-read FIELD", "fault short-write FIELD", "fault stall MS", "fault drop N",
// "fault none", "files", "figures", "transcript", "clear-transcript", "reset" (see
// `kivo-player --help`). 0 = done, with the player's answer text in `reply` (zero-terminated,
// cut to `replySize`); else a last-error code, or kPxErrorInvalidArgument for an unknown line.
PX_TEST_API uint32_t PX_TestControl(const char* line, char* reply, uint32_t replySize);
// Stores a file on the player directly; the new file index, 0 when there is no room or index.
PX_TEST_API uint32_t PX_TestPutFile(uint8_t memory, uint8_t fileType, const char* name,
                                    const void* data, uint32_t size);
// Copies a player file's content out: 1 and `size` set when the index holds a file, else 0;
// at most `capacity` bytes are copied.
PX_TEST_API int32_t PX_TestGetFile(uint8_t index, void* buffer, uint32_t capacity, uint32_t* size);
