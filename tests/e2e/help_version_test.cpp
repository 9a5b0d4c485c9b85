// --version and --help of every program answer on stdout with status 0, also
// where there is no display (over ssh, on a build machine writing the manual
// pages from the help).
#include <cstdlib>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class HelpAndVersion : public QrkprogTest {
 protected:
  void SetUp() override {
    QrkprogTest::SetUp();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    QrkprogTest::TearDown();
  }

  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(HelpAndVersion, EveryProgramAnswersWithoutADisplay) {
  for (const std::string program : {"qrkprog", "qrksim", "qrkprog-gui"}) {
    SCOPED_TRACE(program);
    const ProcessResult version = ChildProcess(program, "--version").wait(30s);
    EXPECT_EQ(version.exitCode, 0) << describe(version);
    // gtest's own expressions: GCC 12 warns inside std::regex under the sanitizers.
    EXPECT_THAT(version.out, testing::MatchesRegex(program + " [0-9]+\\.[0-9]+\n"));

    const ProcessResult help = ChildProcess(program, "--help").wait(30s);
    EXPECT_EQ(help.exitCode, 0) << describe(help);
    EXPECT_THAT(help.out + help.err,
                testing::ContainsRegex("[Uu]sage: ([^ ]*/)?" + program + " "));
  }
}

}  // namespace
}  // namespace qrk::test
