// The doctor's Input Monitoring line against the system's own answer, asked here without a
// prompt: both processes are started by the same parent, so the system answers both alike.
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestravane {
namespace {

// The value of the report's `key: value` line for `key`, or "(missing)".
std::string reportValue(const std::string& report, const std::string& key) {
  const std::string prefix = key + ": ";
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t end = report.find('\n', start);
    const std::string line =
        report.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return "(missing)";
}

TEST(MacDoctorTest, InputMonitoringLineAgreesWithThePreflight) {
  const char* doctor = std::getenv("PLIVEX_DOCTOR");
  if (doctor == nullptr || *doctor == '\0') GTEST_SKIP() << "PLIVEX_DOCTOR names no doctor to run";
  FILE* output = popen((std::string("'") + doctor + "'").c_str(), "r");
  ASSERT_NE(output, nullptr) << "cannot run " << doctor;
  std::string report;
  std::array<char, 512> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), output) != nullptr) {
    report += chunk.data();
  }
  ASSERT_EQ(pclose(output), 0) << report;

  const bool granted = CGPreflightListenEventAccess();
  EXPECT_EQ(reportValue(report, "input-monitoring"), granted ? "granted" : "not-granted") << report;
}

}  // namespace
}  // namespace kestravane
