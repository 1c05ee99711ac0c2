// Stands for <MacTypes.h> (/usr/include/MacTypes.h), the basic types of the Carbon-era APIs.
#pragma once

#include <stdint.h>

typedef unsigned char UInt8;
typedef signed char SInt8;
typedef unsigned short UInt16;
typedef signed short SInt16;
typedef unsigned int UInt32;
typedef signed int SInt32;
typedef int64_t SInt64;
typedef uint64_t UInt64;
typedef unsigned char Boolean;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
