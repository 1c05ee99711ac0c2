// Stands for <IOKit/IOKitLib.h>: with the Mach types it brings in (mach/mach_types.h,
// mach/kern_return.h, mach/mach_init.h) and IOKit/IOTypes.h, what the backend calls to open a
// connection to an IOKit service.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- sys/_types/_mach_port_t.h, mach/mach_types.h
typedef unsigned int __darwin_mach_port_t;
typedef __darwin_mach_port_t mach_port_t;
typedef mach_port_t task_t;
typedef task_t task_port_t;

// ---- mach/kern_return.h
typedef int kern_return_t;
#define KERN_SUCCESS 0

// ---- mach/mach_init.h
extern mach_port_t mach_task_self_;
#define mach_task_self() mach_task_self_

// ---- IOKit/IOTypes.h
typedef mach_port_t io_object_t;
typedef io_object_t io_connect_t;
typedef io_object_t io_service_t;
#define IO_OBJECT_NULL ((io_object_t)0)

// ---- IOKit/IOKitLib.h
extern const mach_port_t kIOMainPortDefault;  // macOS 12.0
kern_return_t IOObjectRelease(io_object_t object);
io_service_t IOServiceGetMatchingService(mach_port_t mainPort, CFDictionaryRef matching);
kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask, uint32_t type,
                            io_connect_t* connect);
kern_return_t IOServiceClose(io_connect_t connect);
CFMutableDictionaryRef IOServiceMatching(const char* name);

#ifdef __cplusplus
}
#endif
