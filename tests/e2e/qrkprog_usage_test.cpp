#include <algorithm>
#include <cstdlib>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogUsage : public QrkprogTest {};

TEST_F(QrkprogUsage, BadUsageExitsTwoWithOneLine) {
  const std::string verifyId = "run Verify_ID --port /dev/null --model QRK5-16B ";
  const std::string store = "store --file a.bin --from 0 --to 1 ";
  for (const std::string& args : std::vector<std::string>{
           "run", "run Verify_ID --model QRK5-16B", "run Make_Coffee --port /dev/null",
           "run Verify_ID --port /dev/null --model QRK9-99Z", verifyId + "--option LOCK",
           verifyId + "--option TURBO=YES", verifyId + "--option LOCK=maybe",
           verifyId + "--isp-space 1.5k", verifyId + "--no-such-flag",
           verifyId + "--events json --progress-every -1",
           verifyId + "--events json --progress-every 10ms", "options", "info missing.hex", store,
           store + "--out x.bin --fill 7F",
           // Numbers are read whole, never in part; a crystal is a positive number.
           "baud", "baud --freq 0", "baud --freq abc", "baud --freq -4", "baud --freq 11,0592",
           "baud --freq 11.0592x", "demo-build --model QRK5-16B --freq 11,0592 --out x.hex",
           "store --file a.bin --from zz --to 1 --out x.bin", verifyId + "--repeat 2x",
           verifyId + "--delay 3.5", verifyId + "--serial --serial-bytes 4b",
           // The --serial-* options set the field --serial stamps.
           verifyId + "--serial-address 1F00",
           "run Verify_ID --model QRK5-16B --port /dev/no-such-port",
           "gang Verify_ID --model QRK5-16B --port /dev/no-such-port --port /dev/null",
           "gang Read_AP_ISP --model QRK5-16B --port /dev/null --port /dev/zero --out same.bin"}) {
    const ProcessResult r = run(args, 2);
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(std::ranges::count(r.err, '\n'), 1) << args << ": " << r.err;
  }
}

// Also where there is no display: over ssh, or a build machine writing the
// manual pages from the help.
TEST_F(QrkprogUsage, HelpAndMessagesSayWhatToDo) {
  std::vector<std::pair<std::string, std::string>> display;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name)) display.emplace_back(name, value);
    unsetenv(name);
  }
  for (const std::string program : {"qrkprog", "qrksim", "qrkprog-gui"}) {
    SCOPED_TRACE(program);
    const ProcessResult version = ChildProcess(program, "--version").wait(30s);
    EXPECT_EQ(version.exitCode, 0) << describe(version);
    // gtest's own expressions: GCC 12 warns inside std::regex under the sanitizers.
    EXPECT_THAT(version.out, testing::MatchesRegex(program + " [0-9]+\\.[0-9]+\n"));
    const ProcessResult help = ChildProcess(program, "--help").wait(30s);
    EXPECT_EQ(help.exitCode, 0) << describe(help);
    EXPECT_THAT(help.out + help.err, testing::ContainsRegex("[Uu]sage: ([^ ]*/)?" + program + " "));
  }
  for (const auto& [name, value] : display) setenv(name.c_str(), value.c_str(), 1);

  EXPECT_EQ(run("--help", 0).err, "") << "help goes to stdout";

  EXPECT_THAT(run("log", 0).err, HasSubstr("no chips recorded yet"));  // none on this machine yet

  writeFile(path("app.hex"), ":0400000001020304F2\n:00000001FF\n");
  for (const std::string& bad :
       {"board-image --file " + path("app.hex") + " --model QRK5-16B --limit abc --out x.bin",
        "demo-build --model QRK3-16F --out " + path("demo.hex"),
        "demo-build --model QRK5-16B --wdt P9.9 --out " + path("demo.hex")}) {
    // What to do, in English.
    EXPECT_THAT(run(bad, 2).err, testing::ContainsRegex("(give|choose) .*--")) << bad;
  }
  EXPECT_THAT(
      run("store --file " + path("app.hex") + " --from 1G --to 3 --out " + path("x.bin"), 2).err,
      HasSubstr("'1G' is not a hexadecimal address"));
}

}  // namespace
}  // namespace qrk::test
