// Bad usage and bad input end with one line on stderr and status 2, never
// with a crash or a run.
#include <gtest/gtest.h>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using namespace std::chrono_literals;

ProcessResult qrkprog(std::vector<std::string> args) {
  args.insert(args.begin(), binaryPath("qrkprog"));
  return runProcess(args, 10s, {"HOME=/nonexistent", "XDG_CONFIG_HOME=/nonexistent"});
}

TEST(QrkprogUsage, BadUsageExitsTwoWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"run"},
      {"run", "Verify_ID"},
      {"run", "Verify_ID", "--port", ""},
      {"run", "Make_Coffee", "--port", "/dev/null"},
      {"run", "Verify_ID", "Erase_All", "--port", "/dev/null"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK9-99Z"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "qrk5-16b"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--option", "LOCK"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--option", "=YES"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--option", "TURBO=YES"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--option", "LOCK=maybe"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK3-32F", "--option", "OSC=half"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--isp-space", "1.5k"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-32D", "--option", "LOCK=YES"},
      {"run", "Verify_ID", "--port", "/dev/null", "--model", "QRK5-16B", "--no-such-flag"},
      {"options"},
      {"options", "--model", "nope"},
      {"models", "extra"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += "'" + a + "' ";
    SCOPED_TRACE(joined);
    const ProcessResult r = qrkprog(args);
    EXPECT_TRUE(r.exited) << "signal " << r.termSignal;
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(r.out, "") << "nothing was run";
    EXPECT_FALSE(r.err.empty());
    if (!args.empty() && args[0] != "frobnicate") {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
}

TEST(QrkprogUsage, ModelsListsTheListedAndTheTypedNames) {
  const ProcessResult r = qrkprog({"models"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("QRK3-64G  1     DFFF    FFFF   512    0055  16\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("QRK5-64E  0     FFFF    11FFF  128    -     typed\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 27 + 2);
}

TEST(QrkprogUsage, OptionsFollowTheModelKind) {
  const ProcessResult kind1 = qrkprog({"options", "--model", "QRK3-32F"});
  ASSERT_EQ(kind1.exitCode, 0) << kind1.err;
  EXPECT_NE(kind1.out.find("HWEN_ISP"), std::string::npos) << kind1.out;
  EXPECT_NE(kind1.out.find("7.5k | 8.0k"), std::string::npos) << kind1.out;
  EXPECT_EQ(kind1.out.find("OSC"), std::string::npos) << kind1.out;

  const ProcessResult kind0 = qrkprog({"options", "--model", "QRK5-32D"});
  ASSERT_EQ(kind0.exitCode, 0) << kind0.err;
  EXPECT_NE(kind0.out.find("no option bits"), std::string::npos) << kind0.out;
}

TEST(QrkprogUsage, HelpGoesToStdoutAndSucceeds) {
  const ProcessResult r = qrkprog({"run", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("COM<n>"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace qrk::test
