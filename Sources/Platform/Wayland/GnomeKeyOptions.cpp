#include "Platform/Wayland/GnomeKeyOptions.h"

#include <gio/gio.h>

#include <utility>
#include <vector>

namespace kestravane::platform::wayland {
namespace {

constexpr const char* kSchema = "org.gnome.desktop.input-sources";
constexpr const char* kKey = "xkb-options";

}  // namespace

struct GnomeKeyOptions::Settings {
  GSettings* settings = nullptr;
  ~Settings() {
    if (settings != nullptr) g_object_unref(settings);
  }
};

std::unique_ptr<GnomeKeyOptions> GnomeKeyOptions::open() {
  // g_settings_new() aborts the program for a schema that is not installed: look it up first.
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
  if (schema == nullptr) return nullptr;
  const bool hasKey = g_settings_schema_has_key(schema, kKey);
  auto settings = std::make_unique<Settings>();
  if (hasKey) settings->settings = g_settings_new_full(schema, nullptr, nullptr);
  g_settings_schema_unref(schema);
  if (settings->settings == nullptr) return nullptr;
  return std::unique_ptr<GnomeKeyOptions>(new GnomeKeyOptions(std::move(settings)));
}

GnomeKeyOptions::GnomeKeyOptions(std::unique_ptr<Settings> settings)
    : settings(std::move(settings)) {}

GnomeKeyOptions::~GnomeKeyOptions() = default;

std::optional<XkbOptionList> GnomeKeyOptions::read() {
  gchar** values = g_settings_get_strv(settings->settings, kKey);
  XkbOptionList options;
  for (gchar** value = values; value != nullptr && *value != nullptr; ++value) {
    options.emplace_back(*value);
  }
  g_strfreev(values);
  return options;
}

std::optional<std::string> GnomeKeyOptions::write(const XkbOptionList& options) {
  std::vector<const gchar*> values;
  for (const auto& option : options) values.push_back(option.c_str());
  values.push_back(nullptr);
  if (!g_settings_set_strv(settings->settings, kKey, values.data())) {
    return std::string("GNOME's settings refused ") + kSchema + " " + kKey;
  }
  // Written before the program may end: the change must not wait in this process.
  g_settings_sync();
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
