// plivex-doctor: prints what Plivex sees on this machine, one "key: value" line each, and
// changes nothing. On a Mac it asks the real system; elsewhere a fresh virtual Mac.
#include <iostream>

#include "Doctor/DoctorReport.h"
#include "Platform/Backend.h"

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

int main() {
  using namespace kestravane;
  const auto services = platform::makeBackendServices();
  const auto findings =
      doctor::examine(*services, PLIVEX_VERSION, std::string(platform::backendName()));
  for (const auto& line : doctor::reportLines(findings)) std::cout << line << '\n';
  return std::cout.good() ? 0 : 1;
}
