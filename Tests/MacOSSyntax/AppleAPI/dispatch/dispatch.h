// Stands for <dispatch/dispatch.h> as a C or C++ file without Objective-C sees it: dispatch
// objects are plain pointers (released with dispatch_release), each queue type derived from
// dispatch_object_s. Grouped by the libdispatch header that declares them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- dispatch/object.h (C++ form)
typedef struct dispatch_object_s {
 private:
  dispatch_object_s();
  ~dispatch_object_s();
  dispatch_object_s(const dispatch_object_s&);
  void operator=(const dispatch_object_s&);
} * dispatch_object_t;
void dispatch_release(dispatch_object_t object);
typedef void (*dispatch_function_t)(void*);

// ---- dispatch/time.h
typedef uint64_t dispatch_time_t;
#define NSEC_PER_SEC 1000000000ull
#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

// ---- dispatch/queue.h
typedef struct dispatch_queue_s : public dispatch_object_s{} * dispatch_queue_t;
typedef struct dispatch_queue_attr_s : public dispatch_object_s{} * dispatch_queue_attr_t;
typedef struct dispatch_queue_serial_s : public dispatch_queue_s{} * dispatch_queue_serial_t;
typedef struct dispatch_queue_main_s : public dispatch_queue_serial_s{} * dispatch_queue_main_t;
#define DISPATCH_QUEUE_SERIAL NULL
dispatch_queue_main_t dispatch_get_main_queue(void);  // inline over _dispatch_main_q in the SDK
dispatch_queue_t dispatch_queue_create(const char* label, dispatch_queue_attr_t attr);
const char* dispatch_queue_get_label(dispatch_queue_t queue);
void dispatch_async_f(dispatch_queue_t queue, void* context, dispatch_function_t work);
void dispatch_after_f(dispatch_time_t when, dispatch_queue_t queue, void* context,
                      dispatch_function_t work);

#ifdef __cplusplus
}
#endif
