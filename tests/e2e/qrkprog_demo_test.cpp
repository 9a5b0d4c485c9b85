// qrkprog baud, demo-build and demo-write, the ISP DEMO's command line.
#include <algorithm>
#include <map>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogDemo : public QrkprogTest {};

// The bytes of an Intel HEX text by address; checksums are not re-checked here:
// the writer is the one the reader tests build every record with.
std::map<int, std::uint8_t> hexBytes(const std::string& text) {
  std::map<int, std::uint8_t> bytes;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
    const int count = std::stoi(line.substr(1, 2), nullptr, 16);
    const int address = std::stoi(line.substr(3, 4), nullptr, 16);
    for (int i = 0; i < count; ++i) {
      bytes[address + i] =
          static_cast<std::uint8_t>(std::stoi(line.substr(9 + 2 * i, 2), nullptr, 16));
    }
  }
  return bytes;
}

TEST_F(QrkprogDemo, BaudPrintsOneLinePerRateAndRefusesACrystalThatIsNoNumber) {
  ProcessResult r = run("baud --freq 6.0000");
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_TRUE(r.out.starts_with("2400\t 0.160%\t78\tnormal\n4800\t")) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n115200\t -18.6%\t2\tred\n")) << r.out;
  EXPECT_EQ(std::ranges::count(r.out, '\n'), 9);
  for (const char* bad : {"--freq 0", "--freq abc", "--freq -4", ""}) {
    r = run(std::string("baud ") + bad);
    EXPECT_EQ(r.exitCode, 2) << bad << describe(r);
    EXPECT_EQ(r.out, "");
  }
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
           {"demo-write --model QRK5-16B --isp-space 2.0k" + port, "1.0k"}}) {
    SCOPED_TRACE(args);
    const ProcessResult r = run(args);
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(path("refused.hex")));
}

TEST_F(QrkprogDemo, WriteLeavesExactlyTheBuiltKilobyteInTheChip) {
  const std::string settings =
      "--model QRK5-16B --freq 22.1184 --baud 57600 --parity no --erase-data no "
      "--wdt P1.0 --rs485 P3.5 --rs485-logic 1";
  ProcessResult r = run("demo-build " + settings + " --out " + path("demo.hex"));
  ASSERT_EQ(r.exitCode, 0) << describe(r);
  const auto built = hexBytes(readFile(path("demo.hex")));
  ASSERT_EQ(built.size(), 1024u);

  const std::string flash = path("flash.bin");
  Simulator sim("--model QRK5-16B --flash-out " + flash);
  r = run("demo-write " + settings + " --port " + sim.portPath());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("Write Option OK!"));
  EXPECT_THAT(r.out, HasSubstr("\nAuto       OK!\n"));
  sim.stop();
  const std::string chip = readFile(flash);
  ASSERT_GE(chip.size(), 0xFC00u);
  for (const auto& [address, byte] : built) {
    ASSERT_EQ(static_cast<std::uint8_t>(chip[static_cast<std::size_t>(address)]), byte)
        << "address " << std::hex << address;
  }
  EXPECT_EQ(static_cast<std::uint8_t>(chip[0xF7FF]), 0xFF);  // nothing below it
}

}  // namespace
}  // namespace qrk::test
