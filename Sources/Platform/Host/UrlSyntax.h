// Whether a string is a URL as it stands, by the rules [NSURL URLWithString:] applies; every
// workspace parses URLs with it.
// Threads: any thread (pure).
#pragma once

#include <string_view>

namespace kestravane::platform::host {

// True only when `text` is a well-formed URL as it stands: not empty; only characters allowed in
// a URL (no spaces, controls, non-ASCII, or any of < > " { } | \ ^ `); every % followed by two
// hex digits; at most one #; [ ] only in the host.
bool isWellFormedURL(std::string_view text);

}  // namespace kestravane::platform::host
