// Starting a desktop program (an URL opener, a settings panel) without a shell and without
// waiting for it: the program runs in a grandchild of its own session, so it is never left a
// zombie of ours and outlives us if it wants to.
// Threads: any thread. The forked children only call async-signal-safe functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::desktop {

// The program's path found as the shell would find it: a name with a "/" as it stands, any other
// name in the folders of `path` (a PATH value), passing over folders and files this user may not
// run; absent when no runnable file is there.
std::optional<std::string> findProgram(std::string_view name, std::string_view path);

// Runs `arguments` (the program's path first) with the current environment. True once the
// program has started (its exec succeeded); false when it could not be started.
bool startDetached(const std::vector<std::string>& arguments);

}  // namespace kestravane::platform::desktop
