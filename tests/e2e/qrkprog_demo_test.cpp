// qrkprog baud, demo-build and demo-write, the ISP DEMO's command line.
#include <algorithm>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using QrkprogDemo = QrkprogTest;

TEST_F(QrkprogDemo, BaudPrintsOneLinePerRate) {
  const ProcessResult r = run("baud --freq 6.0000", 0);
  EXPECT_TRUE(r.out.starts_with("2400\t 0.160%\t78\tnormal\n4800\t")) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n115200\t -18.6%\t2\tred\n")) << r.out;
  EXPECT_EQ(std::ranges::count(r.out, '\n'), 9);
}

// Settings that cannot build or write the DEMO are refused before a file is
// written or a port opened, with the page's own message.
TEST_F(QrkprogDemo, BadSettingsAreRefusedBeforeAFileOrAPortIsTouched) {
  const std::string out = " --out " + path("refused.hex"), port = " --port " + path("no-port");
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {"demo-build --model QRK5-16B --wdt P1.1 --rs485 P1.1" + out,
            "喂外部看门狗和485收发控制不能用同一个"},
           {"demo-build --model QRK5-16B --wdt P5.0" + out, "喂外部看门狗 I/O 口地址不正确。"},
           {"demo-build --model QRK5-16B --freq 0" + out, "positive number"},
           {"demo-build --model QRK5-99X" + out, "unknown model"},
           {"demo-write --model QRK5-16B --rs485 P9.1" + port, "485收发控制 I/O 口地址不正确。"},
           {"demo-write --model QRK5-16B --list Erase_All,Program" + port,
            "Program and, after it, Verify"},
           {"demo-write --model QRK3-32F" + port, "MCU 型号不正确。"},
           {"demo-write --model QRK5-16B --isp-space 2.0k" + port, "1.0k"}})
    expectRefused(args, message);
  EXPECT_FALSE(std::filesystem::exists(path("refused.hex")));
}

// The kilobyte below 0xFC00 holds what demo-build writes, as store reads it
// back from the HEX file.
TEST_F(QrkprogDemo, WriteLeavesExactlyTheBuiltKilobyteInTheChip) {
  const std::string settings =
      "--model QRK5-16B --freq 22.1184 --baud 57600 --parity no --erase-data no "
      "--wdt P1.0 --rs485 P3.5 --rs485-logic 1";
  run("demo-build " + settings + " --out " + path("demo.hex"), 0);
  run("store --model QRK5-16B --file " + path("demo.hex") + " --from F800 --to FBFF --out " +
          path("demo.bin"),
      0);
  Simulator sim("--model QRK5-16B --flash-out " + path("flash.bin"));
  const ProcessResult r = run("demo-write " + settings + " --port " + sim.portPath(), 0);
  EXPECT_THAT(r.out, HasSubstr("Write Option OK!"));
  EXPECT_THAT(r.out, HasSubstr("\nAuto       OK!\n"));
  sim.stop();
  const std::string chip = readFile(path("flash.bin"));
  ASSERT_GE(chip.size(), 0xFC00u);
  EXPECT_TRUE(chip.substr(0xF800, 0x400) == readFile(path("demo.bin")));
  EXPECT_EQ(chip[0xF7FF], '\xFF');  // nothing below it
}

}  // namespace
}  // namespace qrk::test
