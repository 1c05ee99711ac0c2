#include "Platform/Wayland/XkbLayoutRegistry.h"

#include <dlfcn.h>
#include <malloc.h>
#include <xkbcommon/xkbregistry.h>

namespace kestravane::platform::wayland {
namespace {

// libxkbregistry, loaded for the one reading and unloaded after it: it parses the ruleset with
// libxml2, which would otherwise stay mapped (about 1 MiB resident) for the program's life.
class RegistryLibrary {
 public:
  RegistryLibrary() : handle(::dlopen("libxkbregistry.so.0", RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) return;
    complete = find(contextNew, "rxkb_context_new") &&
               find(parseDefaultRuleset, "rxkb_context_parse_default_ruleset") &&
               find(layoutFirst, "rxkb_layout_first") && find(layoutNext, "rxkb_layout_next") &&
               find(description, "rxkb_layout_get_description") &&
               find(name, "rxkb_layout_get_name") && find(variant, "rxkb_layout_get_variant") &&
               find(contextUnref, "rxkb_context_unref");
  }
  ~RegistryLibrary() {
    if (handle != nullptr) ::dlclose(handle);
  }
  RegistryLibrary(const RegistryLibrary&) = delete;
  RegistryLibrary& operator=(const RegistryLibrary&) = delete;

  bool loaded() const { return complete; }

  decltype(&rxkb_context_new) contextNew = nullptr;
  decltype(&rxkb_context_parse_default_ruleset) parseDefaultRuleset = nullptr;
  decltype(&rxkb_layout_first) layoutFirst = nullptr;
  decltype(&rxkb_layout_next) layoutNext = nullptr;
  decltype(&rxkb_layout_get_description) description = nullptr;
  decltype(&rxkb_layout_get_name) name = nullptr;
  decltype(&rxkb_layout_get_variant) variant = nullptr;
  decltype(&rxkb_context_unref) contextUnref = nullptr;

 private:
  template <typename Function>
  bool find(Function& function, const char* symbol) {
    function = reinterpret_cast<Function>(::dlsym(handle, symbol));
    return function != nullptr;
  }

  void* const handle;
  bool complete = false;
};

}  // namespace

void XkbLayoutRegistry::load() {
  loaded = true;
  {
    const RegistryLibrary library;
    if (!library.loaded()) return;
    rxkb_context* context = library.contextNew(RXKB_CONTEXT_NO_FLAGS);
    if (context == nullptr) return;
    if (library.parseDefaultRuleset(context)) {
      for (rxkb_layout* layout = library.layoutFirst(context); layout != nullptr;
           layout = library.layoutNext(layout)) {
        const char* description = library.description(layout);
        const char* name = library.name(layout);
        if (description == nullptr || name == nullptr) continue;
        std::string id = name;
        if (const char* variant = library.variant(layout); variant && *variant != '\0') {
          id += "(" + std::string(variant) + ")";
        }
        // The first of layouts described alike is the plain one: the ruleset lists it first.
        byDescription.emplace(description, id);
        byId.emplace(std::move(id), description);
      }
    }
    library.contextUnref(context);
  }
  // The parse left some megabytes of freed heap behind, which glibc would keep: give them back.
  ::malloc_trim(0);
}

std::optional<std::string> XkbLayoutRegistry::idFor(std::string_view description) {
  if (!loaded) load();
  const auto found = byDescription.find(description);
  if (found == byDescription.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> XkbLayoutRegistry::descriptionFor(std::string_view id) {
  if (!loaded) load();
  const auto found = byId.find(id);
  if (found == byId.end()) return std::nullopt;
  return found->second;
}

}  // namespace kestravane::platform::wayland
