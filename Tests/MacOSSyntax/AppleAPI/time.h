// Stands for Darwin's <time.h>: the C library's <time.h> plus what Darwin adds to it (macOS
// 10.12): the CLOCK_UPTIME_RAW clock and clock_gettime_nsec_np.
#pragma once

#include_next <time.h>

#include <stdint.h>

#ifndef CLOCK_UPTIME_RAW
#define CLOCK_UPTIME_RAW 8  // _CLOCK_UPTIME_RAW
#endif

#ifdef __cplusplus
extern "C" {
#endif

uint64_t clock_gettime_nsec_np(clockid_t clock_id);

#ifdef __cplusplus
}
#endif
