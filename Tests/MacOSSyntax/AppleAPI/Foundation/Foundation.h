// Stands for <Foundation/Foundation.h> (with the Objective-C runtime's objc/objc.h and
// objc/NSObject.h): the classes, functions and constants of Foundation the backend uses, as
// Objective-C++ with ARC sees them, grouped by the framework header that declares them.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

// ---- objc/objc.h
typedef signed char BOOL;  // x86_64; arm64 uses bool, into which every use here converts too
#define YES __objc_yes
#define NO __objc_no
#ifndef nil
#define nil nullptr
#endif

// ---- Foundation/NSObjCRuntime.h
typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef double NSTimeInterval;
#define NS_ENUM(_type, _name) \
  enum _name : _type _name;   \
  enum _name : _type

// ---- objc/NSObject.h
@protocol NSObject
- (BOOL)isEqual:(id)object;
@end

__attribute__((objc_root_class))
@interface NSObject<NSObject>
+ (instancetype)alloc;
+ (instancetype)new;
- (instancetype)init;
@end

// ---- Foundation/NSObject.h
static inline id CFBridgingRelease(CFTypeRef __attribute__((cf_consumed)) X) {
  return (__bridge_transfer id)X;
}
static inline CFTypeRef CFBridgingRetain(id X) __attribute__((cf_returns_retained));
static inline CFTypeRef CFBridgingRetain(id X) {
  return (__bridge_retained CFTypeRef)X;
}

// ---- Foundation/NSString.h
typedef NSUInteger NSStringEncoding;
enum : NSStringEncoding {
  NSASCIIStringEncoding = 1,
  NSUTF8StringEncoding = 4,
  NSISOLatin1StringEncoding = 5,
  NSUnicodeStringEncoding = 10,
};
@interface NSString : NSObject
@property(readonly) NSUInteger length;
@property(readonly) const char* UTF8String;
- (instancetype)initWithBytes:(const void*)bytes
                       length:(NSUInteger)len
                     encoding:(NSStringEncoding)encoding;
+ (instancetype)stringWithUTF8String:(const char*)nullTerminatedCString;
@end

// ---- Foundation/NSObjCRuntime.h (the log)
extern "C" void NSLog(NSString* format, ...) __attribute__((format(__NSString__, 1, 2)));

// ---- Foundation/NSData.h
@interface NSData : NSObject
@property(readonly) NSUInteger length;
@property(readonly) const void* bytes;
+ (instancetype)dataWithBytes:(const void*)bytes length:(NSUInteger)length;
@end

// ---- Foundation/NSError.h
@interface NSError : NSObject
@property(readonly, copy) NSString* localizedDescription;
@end

// ---- Foundation/NSURL.h
@interface NSURL : NSObject
+ (instancetype)URLWithString:(NSString*)URLString;
@property(readonly, copy) NSString* absoluteString;
@end

// ---- Foundation/NSBundle.h
@interface NSBundle : NSObject
@property(class, readonly, strong) NSBundle* mainBundle;
- (id)objectForInfoDictionaryKey:(NSString*)key;
@end

// ---- Foundation/NSUserDefaults.h
@interface NSUserDefaults : NSObject
@property(class, readonly, strong) NSUserDefaults* standardUserDefaults;
- (id)objectForKey:(NSString*)defaultName;
- (NSData*)dataForKey:(NSString*)defaultName;
- (void)setObject:(id)value forKey:(NSString*)defaultName;
- (void)removeObjectForKey:(NSString*)defaultName;
@end

// ---- Foundation/NSLocale.h
@interface NSLocale : NSObject
@property(class, readonly, strong) NSLocale* autoupdatingCurrentLocale;
@property(class, readonly, copy) NSLocale* currentLocale;
@property(readonly, copy) NSString* languageCode;  // macOS 10.12
@end

// ---- Foundation/NSObjCRuntime.h (quality of service)
typedef NS_ENUM(NSInteger, NSQualityOfService) {
  NSQualityOfServiceUserInteractive = 0x21,
  NSQualityOfServiceUserInitiated = 0x19,
  NSQualityOfServiceUtility = 0x11,
  NSQualityOfServiceBackground = 0x09,
  NSQualityOfServiceDefault = -1,
};

// ---- Foundation/NSThread.h
@interface NSThread : NSObject
@property(class, readonly) BOOL isMainThread;
+ (void)sleepForTimeInterval:(NSTimeInterval)ti;
- (instancetype)initWithBlock:(void (^)(void))block;  // macOS 10.12
@property(copy) NSString* name;
@property NSQualityOfService qualityOfService;  // macOS 10.10
@property(readonly, getter=isFinished) BOOL finished;
- (void)start;
@end

// ---- Foundation/NSNotification.h
typedef NSString* NSNotificationName;
@interface NSNotification : NSObject
@property(readonly, copy) NSNotificationName name;
@end

// ---- Foundation/NSOperation.h
@interface NSOperationQueue : NSObject
@property(class, readonly, strong) NSOperationQueue* mainQueue;
@end

// ---- Foundation/NSNotification.h (the centre)
@interface NSNotificationCenter : NSObject
- (id<NSObject>)addObserverForName:(NSNotificationName)name
                            object:(id)obj
                             queue:(NSOperationQueue*)queue
                        usingBlock:(void (^)(NSNotification* notification))block;
- (void)removeObserver:(id)observer;
@end
