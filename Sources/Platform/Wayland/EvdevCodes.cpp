#include "Platform/Wayland/EvdevCodes.h"

#include <linux/input-event-codes.h>

#include <cstdint>

namespace kestravane::platform::wayland {
namespace {

constexpr unsigned kXkbOffset = 8;

struct MediaCode {
  unsigned evdevCode;
  std::int8_t nxKeyType;
};

// The keys that xkeyboard-config's evdev keymap gives the XF86 symbols MediaKeys.cpp lists, with
// the same NX_KEYTYPE values. Play and pause are one key on a Mac.
constexpr MediaCode kMediaCodes[] = {
    {KEY_VOLUMEUP, 0},          // NX_KEYTYPE_SOUND_UP
    {KEY_VOLUMEDOWN, 1},        // NX_KEYTYPE_SOUND_DOWN
    {KEY_BRIGHTNESSUP, 2},      // NX_KEYTYPE_BRIGHTNESS_UP
    {KEY_BRIGHTNESSDOWN, 3},    // NX_KEYTYPE_BRIGHTNESS_DOWN
    {KEY_POWER, 6},             // NX_POWER_KEY
    {KEY_MUTE, 7},              // NX_KEYTYPE_MUTE
    {KEY_EJECTCD, 14},          // NX_KEYTYPE_EJECT
    {KEY_EJECTCLOSECD, 14},     // NX_KEYTYPE_EJECT
    {KEY_SWITCHVIDEOMODE, 15},  // NX_KEYTYPE_VIDMIRROR
    {KEY_PLAYPAUSE, 16},        // NX_KEYTYPE_PLAY
    {KEY_PLAYCD, 16},           // NX_KEYTYPE_PLAY
    {KEY_PAUSECD, 16},          // NX_KEYTYPE_PLAY
    {KEY_PLAY, 16},             // NX_KEYTYPE_PLAY
    {KEY_NEXTSONG, 17},         // NX_KEYTYPE_NEXT
    {KEY_PREVIOUSSONG, 18},     // NX_KEYTYPE_PREVIOUS
    {KEY_FASTFORWARD, 19},      // NX_KEYTYPE_FAST
    {KEY_REWIND, 20},           // NX_KEYTYPE_REWIND
    {KEY_KBDILLUMUP, 21},       // NX_KEYTYPE_ILLUMINATION_UP
    {KEY_KBDILLUMDOWN, 22},     // NX_KEYTYPE_ILLUMINATION_DOWN
    {KEY_KBDILLUMTOGGLE, 23},   // NX_KEYTYPE_ILLUMINATION_TOGGLE
};

x11::MediaKeyTable buildMediaKeys() {
  x11::MediaKeyTable table = x11::noMediaKeys();
  for (const MediaCode& media : kMediaCodes) table[media.evdevCode + kXkbOffset] = media.nxKeyType;
  return table;
}

}  // namespace

std::optional<unsigned> xKeycodeOfEvdev(unsigned evdevCode) {
  const unsigned xKeycode = evdevCode + kXkbOffset;
  if (xKeycode >= x11::MediaKeyTable{}.size()) return std::nullopt;
  return xKeycode;
}

std::optional<unsigned> xButtonOfEvdev(unsigned evdevCode) {
  switch (evdevCode) {
    case BTN_LEFT:
      return 1;
    case BTN_MIDDLE:
      return 2;
    case BTN_RIGHT:
      return 3;
    case BTN_SIDE:
    case BTN_BACK:
      return 8;
    case BTN_EXTRA:
    case BTN_FORWARD:
      return 9;
    default:
      return std::nullopt;
  }
}

const x11::MediaKeyTable& evdevMediaKeys() {
  static const x11::MediaKeyTable table = buildMediaKeys();
  return table;
}

}  // namespace kestravane::platform::wayland
