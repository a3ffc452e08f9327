#pragma once

// Wave devices are one table per process, like the system's.
#define KIVO_WAVE_API __attribute__((visibility("default")))
