// The ISP DEMO firmware running on the 8051 simulator s51 (ucsim): the chip's
// side of the UART, the power-up wait and the watchdog pin.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/intel_hex_text.h"
#include "ispdemo/isp_demo_builder.h"
#include "support/temp_files.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::readFile;

// A request as a PC sends it: 5A A5, a free byte, LEN, the command, its data,
// the 16-bit sum of everything before it and 16.
Bytes request(std::uint8_t command, const Bytes& data = {}) {
  Bytes frame = {0x5A, 0xA5, 0x00, static_cast<std::uint8_t>(8 + data.size()), command};
  frame.insert(frame.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t b : frame) sum += b;
  frame.push_back(static_cast<std::uint8_t>(sum >> 8));
  frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  frame.push_back(0x16);
  return frame;
}

// What one simulation left behind.
struct Simulation {
  std::string log;               // the console: registers at each stop, dumps
  Bytes sent;                    // what the DEMO sent on its UART
  std::vector<long long> ticks;  // clock ticks simulated from each start to its stop
};

// The DEMO at its place in the model's top kilobyte. A chip started from its
// ISP area sends reset and interrupts there; s51 knows nothing of that, so a
// few LJMPs at the 8051's own vectors stand in for the chip's redirection.
class DemoOnS51 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v s51 >/dev/null") != 0) GTEST_SKIP() << "s51 is not installed";
  }

  // Runs the DEMO built for `model` and `settings` until the console `script`
  // quits, with `input` waiting on the UART from the start.
  Simulation run(const std::string& model, const IspDemoSettings& settings, const Bytes& input,
                 const std::string& script) {
    SelectedModel selected;
    selectModel(selected, model);
    const IspDemoBuild build = patchIspDemo(selected, settings);
    EXPECT_TRUE(build.bytes.has_value()) << build.refusal;
    base_ = build.base;
    std::string hex;
    for (int vector : {0x00, 0x03, 0x0B, 0x13, 0x1B, 0x23, 0x2B}) {
      const int target = build.base + vector;
      const Bytes ljmp = {0x02, static_cast<std::uint8_t>(target >> 8),
                          static_cast<std::uint8_t>(target & 0xFF)};
      const std::string record = intelHexText(static_cast<std::uint16_t>(vector), ljmp);
      hex += record.substr(0, record.find("\r\n") + 2);  // without its end record
    }
    hex += intelHexText(static_cast<std::uint16_t>(build.base), *build.bytes);
    std::ofstream(dir_ / "demo.hex", std::ios::binary) << hex;
    std::ofstream(dir_ / "in.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(input.data()), static_cast<long>(input.size()));
    // The UART looks at its input file on every cycle: otherwise s51 polls it
    // so rarely that bytes never arrive while Timer 0 interrupts run.
    std::ofstream(dir_ / "script.cmd") << "set memory uart_0_cfg 1 1\n" << script << "quit\n";
    const std::string command = "cd '" + dir_.string() + "' && timeout 120 s51 -t 8052 -X " +
                                settings.crystalMhzText +
                                "M -S in=in.bin,out=out.bin demo.hex < script.cmd > log.txt 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readFile(dir_ / "log.txt");
    Simulation sim;
    sim.log = readFile(dir_ / "log.txt");
    const std::string sent = readFile(dir_ / "out.bin");
    sim.sent.assign(sent.begin(), sent.end());
    const std::string marker = "Simulated ";
    for (auto at = sim.log.find(marker); at != std::string::npos;
         at = sim.log.find(marker, at + 1)) {
      sim.ticks.push_back(std::atoll(sim.log.c_str() + at + marker.size()));
    }
    return sim;
  }

  // A console line that stops the simulation where the DEMO has restarted
  // the chip into the application (the jump-to-self after the SFR write).
  std::string breakAtLeave() const { return breakAt(0x26C) + "run\n"; }
  std::string breakAt(int offset) const {
    char line[32];
    std::snprintf(line, sizeof line, "break 0x%04x\n", base_ + offset);
    return line;
  }
  // The value of an SFR as the console dumped it ("0xe7 20"), every time.
  static std::vector<int> sfrDumps(const std::string& log, int address) {
    std::vector<int> values;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "0x%02x ", address);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(prefix, 0) == 0) values.push_back(std::stoi(line.substr(5, 2), nullptr, 16));
    }
    return values;
  }

  test::TempDir temp_;
  std::filesystem::path dir_ = temp_.root;
  // Where the DEMO lies: a script names addresses in it before the run.
  std::int32_t base_ = 0xF800;
};

// Settings without parity (s51's UART sends no ninth bit), with the RS-485
// and watchdog pins named as "P3.5" if at all.
IspDemoSettings noParity(const std::string& rs485 = "", const std::string& watchdog = "") {
  IspDemoSettings settings;
  settings.parity = false;
  settings.rs485Pin = !rs485.empty();
  settings.watchdogPin = !watchdog.empty();
  if (settings.rs485Pin) {
    settings.rs485PortText = rs485.substr(0, 2);
    settings.rs485BitText = rs485.substr(3);
  }
  if (settings.watchdogPin) {
    settings.watchdogPortText = watchdog.substr(0, 2);
    settings.watchdogBitText = watchdog.substr(3);
  }
  return settings;
}

constexpr long long kTicksPerOverflow = 65536LL * 12;

// Frames with a bad sum or end byte get no answer, the handshake does; then
// the wait runs out (29 overflows of Timer 0 at 11.0592 MHz, counted again
// from the last byte) and the DEMO restarts into the application.
TEST_F(DemoOnS51, AnswersOnlyWellFormedFramesThenRestartsIntoTheApplicationWhenTheWaitRunsOut) {
  Bytes input = request(0xB0);
  input[6] ^= 0x01;
  Bytes badEnd = request(0xB5);
  badEnd.back() = 0x17;
  for (const Bytes& more : {badEnd, request(0xB0)})
    input.insert(input.end(), more.begin(), more.end());
  Simulation sim = run("QRK5-32B", noParity(), input, breakAtLeave() + "ds 0xe7 0xe7\n");
  EXPECT_EQ(sim.sent, (Bytes{0x5A, 0xA5, 0x00, 0x08, 0xB0, 0x01, 0xB7, 0x16}));
  EXPECT_EQ(sfrDumps(sim.log, 0xE7), std::vector<int>{0x20});
  ASSERT_EQ(sim.ticks.size(), 1u);
  EXPECT_GE(sim.ticks[0], 29 * kTicksPerOverflow);
  EXPECT_LT(sim.ticks[0], 30 * kTicksPerOverflow);

  // With parity on the ninth bit must carry it; the simulator's UART sends
  // none, so the byte LEN = 08 (odd) arrives with the wrong parity and the
  // frame is dropped.
  sim = run("QRK5-32B", IspDemoSettings{}, request(0xB0), breakAtLeave());
  EXPECT_TRUE(sim.sent.empty());
}

TEST_F(DemoOnS51, ReportsThePatchedModelCodeAtEitherPlace) {
  Simulation sim = run("QRK5-32B", noParity(), request(0xB5), breakAtLeave());
  EXPECT_EQ(sim.sent, (Bytes{0x5A, 0xA5, 0x00, 0x0A, 0xB5, 0x40, 0x05, 0x02, 0x03, 0x16}));

  // The same code one page lower, for a 16 KB model, at another crystal
  // (the baud rate and wait follow it) with the watchdog and RS-485 pins set.
  IspDemoSettings other = noParity("P3.5", "P1.0");
  other.crystalMhzText = "22.1184";
  other.baudText = "57600";
  base_ = 0x3800;
  sim = run("QRK3-08A", other, request(0xB5), breakAtLeave());
  EXPECT_EQ(sim.sent, (Bytes{0x5A, 0xA5, 0x00, 0x0A, 0xB5, 0x00, 0x02, 0x01, 0xC0, 0x16}));
  ASSERT_EQ(sim.ticks.size(), 1u);
  EXPECT_GE(sim.ticks[0], 57 * kTicksPerOverflow);
  EXPECT_LT(sim.ticks[0], 58 * kTicksPerOverflow);
}

TEST_F(DemoOnS51, DrivesTheRs485PinAroundItsAnswerAfterTheTurnRoundDelay) {
  IspDemoSettings settings = noParity("P3.5");
  // Stop at the first byte written to SBUF, then where the DEMO leaves.
  const std::string script =
      "break sfr w 0x99\nrun\nds 0xb0 0xb0\ndelete\n" + breakAtLeave() + "ds 0xb0 0xb0\n";
  for (const bool highReceives : {false, true}) {
    SCOPED_TRACE(highReceives ? "a high level receives" : "a high level sends");
    settings.rs485HighReceives = highReceives;
    const Simulation sim = run("QRK5-32B", settings, request(0xB0), script);
    EXPECT_EQ(sim.sent, (Bytes{0x5A, 0xA5, 0x00, 0x08, 0xB0, 0x01, 0xB7, 0x16}));
    const std::vector<int> sending = {0xFF, 0xDF};  // P3.5 high, then low
    const std::vector<int> receiving = {0xDF, 0xFF};
    EXPECT_EQ(sfrDumps(sim.log, 0xB0), highReceives ? receiving : sending);
    // 19 rounds of the 256-step delay loop (11.0592 / 0.579) pass between the
    // request and the first byte of the answer, 2 cycles of 12 clocks a step.
    ASSERT_EQ(sim.ticks.size(), 2u);
    EXPECT_GE(sim.ticks[0], 19 * 256 * 2 * 12);
  }
}

// The flash commands go through the chip's IAP registers: address, data and
// command are in place when the trigger's second byte is written.
TEST_F(DemoOnS51, EraseAndWriteDriveTheIapRegisters) {
  std::string script = "break sfr w 0xe6\n";
  for (int i = 0; i < 9; ++i) script += "run\nds 0xe2 0xe7\n";  // three commands, 3 writes each
  script += "delete\n" + breakAtLeave();
  const Simulation sim =
      run("QRK5-32B", noParity(), request(0xB4, {0x12, 0x34, 0xAB, 0xCD}), script);
  // IAP_DATA, ADDRH, ADDRL, CMD, TRIG and CONTR at each trigger.
  std::vector<std::vector<int>> triggers;
  std::istringstream lines(sim.log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("0xe2 ", 0) != 0) continue;
    std::vector<int> registers;
    for (int i = 0; i < 6; ++i)
      registers.push_back(std::stoi(line.substr(5 + 3 * i, 2), nullptr, 16));
    if (registers[4] == 0xA5) triggers.push_back(registers);
  }
  EXPECT_EQ(triggers, (std::vector<std::vector<int>>{{0x00, 0x12, 0x00, 0x03, 0xA5, 0x81},
                                                     {0xAB, 0x12, 0x34, 0x02, 0xA5, 0x81},
                                                     {0xCD, 0x12, 0x35, 0x02, 0xA5, 0x81}}));
  EXPECT_EQ(sim.sent, (Bytes{0x5A, 0xA5, 0x00, 0x08, 0xB4, 0x01, 0xBB, 0x16}));
}

TEST_F(DemoOnS51, TogglesTheWatchdogPinWhileItWaits) {
  const IspDemoSettings settings = noParity("", "P1.0");
  // Stop at each feed, before its CPL: the pin reads as the last feed left it.
  const Simulation sim = run("QRK5-32B", settings, {},
                             breakAt(0x043) +
                                 "run\nds 0x90 0x90\nrun\nds 0x90 0x90\n"
                                 "run\nds 0x90 0x90\n");
  EXPECT_EQ(sfrDumps(sim.log, 0x90), (std::vector<int>{0xFF, 0xFE, 0xFF}));
  // Fed once per Timer 0 overflow.
  ASSERT_EQ(sim.ticks.size(), 3u);
  for (long long ticks : {sim.ticks[1], sim.ticks[2]}) {
    EXPECT_NEAR(static_cast<double>(ticks), static_cast<double>(kTicksPerOverflow), 1000.0);
  }
}

}  // namespace
}  // namespace qrk
