// The persisted settings, one row each, in the order they are stored and applied:
//   X(name, type, default, JSON key, label, widget, where the program takes it from, least, most)
// The label is the setting's name in the settings window (the row declares that TextId); least
// and most bound a number (a stored value outside them is taken as the nearest bound) and are
// 0 for the rest. PlivexConfig.h makes the record's fields and the rows (kSettings) of this;
// TextId.h the labels.
// Threads: macros only.
#pragma once

// clang-format off
#define PLIVEX_SETTINGS(X)                                                                       \
  X(trigger, TriggerKind, TriggerKind::fn, "trigger", triggerKey, radioButtons, record, 0, 0)    \
  X(language, AppLanguage, AppLanguage::en, "language", language, popUp, record, 0, 0)           \
  X(launchAtLogin, bool, false, "launchAtLogin", launchAtLogin, checkBox, system, 0, 0)
// clang-format on
