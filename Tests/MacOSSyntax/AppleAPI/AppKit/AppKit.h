// Stands for <AppKit/AppKit.h>: the classes, types and constants of AppKit the backend and the
// menu-bar icon use, as Objective-C++ with ARC sees them, grouped by the framework header that
// declares them.
#pragma once

#include <CoreGraphics/CoreGraphics.h>
#include <Foundation/Foundation.h>

// ---- Foundation/NSGeometry.h
typedef CGRect NSRect;
typedef CGSize NSSize;
typedef CGPoint NSPoint;
static inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  return CGRectMake(x, y, w, h);
}

// ---- AppKit/NSResponder.h
@interface NSResponder : NSObject
@end

// ---- AppKit/NSRunningApplication.h
typedef NS_ENUM(NSInteger, NSApplicationActivationPolicy) {
  NSApplicationActivationPolicyRegular = 0,
  NSApplicationActivationPolicyAccessory = 1,
  NSApplicationActivationPolicyProhibited = 2,
};

// ---- AppKit/NSApplication.h
@interface NSApplication : NSResponder
@property(class, readonly, strong) NSApplication* sharedApplication;
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;  // macOS 10.6
- (NSApplicationActivationPolicy)activationPolicy;                            // macOS 10.6
- (void)activateIgnoringOtherApps:(BOOL)ignoreOtherApps;
- (void)terminate:(id)sender;
@end

// ---- AppKit/NSWorkspace.h
@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
@property(readonly, strong) NSNotificationCenter* notificationCenter;
- (BOOL)openURL:(NSURL*)url;
@end
extern "C" NSNotificationName const NSWorkspaceDidWakeNotification;

// ---- AppKit/NSFontDescriptor.h
typedef CGFloat NSFontWeight;
extern "C" const NSFontWeight NSFontWeightRegular;  // macOS 10.11

// ---- AppKit/NSImage.h
@interface NSImageSymbolConfiguration : NSObject  // macOS 11
+ (instancetype)configurationWithPointSize:(CGFloat)pointSize weight:(NSFontWeight)weight;
@end

@interface NSImage : NSObject
+ (instancetype)imageWithSystemSymbolName:(NSString*)name
                 accessibilityDescription:(NSString*)description;                     // macOS 11
- (NSImage*)imageWithSymbolConfiguration:(NSImageSymbolConfiguration*)configuration;  // macOS 11
@property NSSize size;
- (void)drawInRect:(NSRect)rect;  // macOS 10.9
@end

// ---- AppKit/NSGraphicsContext.h
@interface NSGraphicsContext : NSObject
+ (NSGraphicsContext*)graphicsContextWithCGContext:(CGContextRef)graphicsPort
                                           flipped:(BOOL)initialFlippedState;  // macOS 10.10
@property(class, strong) NSGraphicsContext* currentContext;
+ (void)saveGraphicsState;
+ (void)restoreGraphicsState;
@end
