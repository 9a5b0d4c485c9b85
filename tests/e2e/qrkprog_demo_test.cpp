// qrkprog baud, demo-build and demo-write, the ISP DEMO's command line.
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
  EXPECT_EQ(r.out,
            "2400\t 0.160%\t78\tnormal\n"
            "4800\t 0.160%\t39\tnormal\n"
            "9600\t -2.34%\t20\tnormal\n"
            "14400\t 0.160%\t13\tnormal\n"
            "19200\t -2.34%\t10\tnormal\n"
            "28800\t -6.99%\t7\tred\n"
            "38400\t -2.34%\t5\tnormal\n"
            "57600\t 8.506%\t3\tred\n"
            "115200\t -18.6%\t2\tred\n");
  for (const char* bad : {"--freq 0", "--freq abc", "--freq -4", ""}) {
    r = run(std::string("baud ") + bad);
    EXPECT_EQ(r.exitCode, 2) << bad << describe(r);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(QrkprogDemo, BuildWritesTheKilobyteOrRefusesWithNoFile) {
  const std::string hex = path("demo.hex");
  ProcessResult r = run("demo-build --model QRK5-04A --out " + hex);
  ASSERT_EQ(r.exitCode, 0) << describe(r);
  const auto bytes = hexBytes(readFile(hex));
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes.begin()->first, 0x3800);
  EXPECT_EQ(bytes.at(0x3840), 29);    // the power-up wait for 11.0592 MHz
  EXPECT_EQ(bytes.at(0x386C), 28);    // sectors below the DEMO's kilobyte
  EXPECT_EQ(bytes.at(0x3872), 0x01);  // model code 4001
  struct Refusal {
    std::string args;
    std::string message;
  };
  for (const Refusal& c : std::vector<Refusal>{
           {"--model QRK5-16B --wdt P1.1 --rs485 P1.1", "喂外部看门狗和485收发控制不能用同一个"},
           {"--model QRK5-16B --wdt P5.0", "喂外部看门狗 I/O 口地址不正确。"},
           {"--model QRK5-16B --rs485 P1.8", "485收发控制: I/O 口地址不正确。"},
           {"--model QRK3-32F", "MCU 型号不正确。"},
           {"--model QRK5-16B --freq 0", "positive number"},
           {"--model QRK5-16B --parity maybe", "--parity takes yes or no"},
           {"--model QRK5-99X", "unknown model"},
       }) {
    SCOPED_TRACE(c.args);
    const std::string out = path("refused.hex");
    r = run("demo-build " + c.args + " --out " + out);
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(std::filesystem::exists(out));
  }
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

TEST_F(QrkprogDemo, WriteRefusesBadSettingsAndListsBeforeOpeningThePort) {
  const std::string absent = path("no-such-port");
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {"--model QRK5-16B --rs485 P9.1", "485收发控制 I/O 口地址不正确。"},
           {"--model QRK5-16B --list Erase_All,Program", "Program and, after it, Verify"},
           {"--model QRK3-32F", "MCU 型号不正确。"},
           {"--model QRK5-16B --isp-space 2.0k", "1.0k"},
       }) {
    SCOPED_TRACE(args);
    const ProcessResult r = run("demo-write " + args + " --port " + absent);
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace qrk::test
