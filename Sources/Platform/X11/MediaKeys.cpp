#include "Platform/X11/MediaKeys.h"

#include <X11/XF86keysym.h>

namespace kestravane::platform::x11 {
namespace {

struct MediaKeysym {
  unsigned long keysym;
  std::int8_t nxKeyType;
};

// NX_KEYTYPE values of IOKit's ev_keymap.h. Play and pause are one key on a Mac.
constexpr MediaKeysym kMediaKeysyms[] = {
    {XF86XK_AudioRaiseVolume, 0},    // NX_KEYTYPE_SOUND_UP
    {XF86XK_AudioLowerVolume, 1},    // NX_KEYTYPE_SOUND_DOWN
    {XF86XK_MonBrightnessUp, 2},     // NX_KEYTYPE_BRIGHTNESS_UP
    {XF86XK_MonBrightnessDown, 3},   // NX_KEYTYPE_BRIGHTNESS_DOWN
    {XF86XK_PowerOff, 6},            // NX_POWER_KEY
    {XF86XK_AudioMute, 7},           // NX_KEYTYPE_MUTE
    {XF86XK_Eject, 14},              // NX_KEYTYPE_EJECT
    {XF86XK_Display, 15},            // NX_KEYTYPE_VIDMIRROR
    {XF86XK_AudioPlay, 16},          // NX_KEYTYPE_PLAY
    {XF86XK_AudioPause, 16},         // NX_KEYTYPE_PLAY
    {XF86XK_AudioNext, 17},          // NX_KEYTYPE_NEXT
    {XF86XK_AudioPrev, 18},          // NX_KEYTYPE_PREVIOUS
    {XF86XK_AudioForward, 19},       // NX_KEYTYPE_FAST
    {XF86XK_AudioRewind, 20},        // NX_KEYTYPE_REWIND
    {XF86XK_KbdBrightnessUp, 21},    // NX_KEYTYPE_ILLUMINATION_UP
    {XF86XK_KbdBrightnessDown, 22},  // NX_KEYTYPE_ILLUMINATION_DOWN
    {XF86XK_KbdLightOnOff, 23},      // NX_KEYTYPE_ILLUMINATION_TOGGLE
};

}  // namespace

MediaKeyTable noMediaKeys() {
  MediaKeyTable table;
  table.fill(kNoMediaKey);
  return table;
}

std::optional<std::int8_t> mediaKeyTypeOf(unsigned long keysym) {
  for (const MediaKeysym& media : kMediaKeysyms) {
    if (media.keysym == keysym) return media.nxKeyType;
  }
  return std::nullopt;
}

}  // namespace kestravane::platform::x11
