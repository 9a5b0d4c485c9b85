// qrkprog run Program / Auto / Read_AP_ISP against qrksim: whole images into
// each kind of chip, a line with faults, --repeat with Ctrl-C, --force, --out.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kRunLimit = 60s;

std::string describe(const ProcessResult& r) {
  return "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") +
         "\n--- stdout\n" + r.out + "--- stderr\n" + r.err.substr(0, 3000);
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Bytes that differ from their neighbours and from the erased state.
Bytes firmware(std::size_t size) {
  Bytes out(size);
  std::uint32_t x = 0x12345678;
  for (auto& b : out) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

class QrkprogProduction : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrk-e2e-prod-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  Environment env() const { return {"HOME=" + dir_, "XDG_CONFIG_HOME=" + dir_ + "/config"}; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<std::string> qrkprog(std::vector<std::string> args) const {
    args.insert(args.begin(), binaryPath("qrkprog"));
    return args;
  }
  ProcessResult run(std::vector<std::string> args) const {
    return runProcess(qrkprog(std::move(args)), kRunLimit, env());
  }

  // Programs a whole 32 KB image into a simulated chip with `simArgs` and
  // checks the chip's flash afterwards.
  void programWholeImage(const std::string& model, std::vector<std::string> simArgs,
                         const std::vector<std::string>& runArgs) {
    const Bytes image = firmware(0x8000);
    writeFile(path("app.bin"), image);
    const std::string flashOut = path("flash-" + model + ".bin");
    simArgs.insert(simArgs.end(), {"--model", model, "--flash-out", flashOut});
    Simulator sim(simArgs);
    ASSERT_TRUE(sim.ready()) << sim.log();
    std::vector<std::string> args = {"run", "Auto",   "--port",        sim.portPath(), "--model",
                                     model, "--file", path("app.bin"), "--fill",       "FF"};
    args.insert(args.end(), runArgs.begin(), runArgs.end());
    const ProcessResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    EXPECT_NE(r.out.find("\nAuto       OK!\n"), std::string::npos) << r.out;
    sim.stop();
    const Bytes flash = readFile(flashOut);
    ASSERT_GE(flash.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()))
        << "the chip holds what the image holds";
  }

  std::string dir_;
};

TEST_F(QrkprogProduction, AutoProgramsAWholeImageIntoEveryKindOfChip) {
  {
    SCOPED_TRACE("kind 2");
    programWholeImage("QRK5-32B", {}, {});
  }
  {
    SCOPED_TRACE("kind 1");
    programWholeImage("QRK3-32F", {}, {});
  }
  {
    // These chips report no ID, so the list leaves Verify_ID out.
    SCOPED_TRACE("kind 0");
    programWholeImage("QRK5-32D", {},
                      {"--list", "Erase_All,Blank_Check,Program,Verify,Write_Option,Read_Option"});
  }
}

TEST_F(QrkprogProduction, ALineWithPassingFaultsStillProgramsTheChip) {
  programWholeImage("QRK5-32B",
                    {"--fault", "split:all", "--fault", "garbage:3+", "--fault", "bad-check:40",
                     "--fault", "drop:90"},
                    {});
}

TEST_F(QrkprogProduction, AFaultThatPersistsFailsTheRunWithItsMessage) {
  writeFile(path("app.bin"), firmware(0x1000));
  Simulator sim({"--model", "QRK5-32B", "--fault", "bad-ack:1+"});
  ASSERT_TRUE(sim.ready()) << sim.log();
  const ProcessResult r = run(
      {"run", "Auto", "--port", sim.portPath(), "--model", "QRK5-32B", "--file", path("app.bin")});
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_NE(r.out.find("Program is failure!\n"
                       "Program        is failure!\n"
                       "Auto           is failure!\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("Write_Option"), std::string::npos);
}

TEST_F(QrkprogProduction, AnImageWithWarningsIsRefusedUnlessForced) {
  // A record whose checksum is wrong: the load warns about it.
  std::ofstream(path("warn.hex")) << ":0400000001020304F0\n:00000001FF\n";
  Simulator sim({"--model", "QRK5-16B"});
  ASSERT_TRUE(sim.ready()) << sim.log();
  const std::vector<std::string> args = {"run",     "Program",  "--port", sim.portPath(),
                                         "--model", "QRK5-16B", "--file", path("warn.hex")};
  const ProcessResult refused = run(args);
  EXPECT_EQ(refused.exitCode, 2) << describe(refused);
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out.find("We are connecting"), std::string::npos);

  std::vector<std::string> forced = args;
  forced.push_back("--force");
  const ProcessResult r = run(forced);
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_NE(r.out.find("Program OK!"), std::string::npos) << r.out;
}

TEST_F(QrkprogProduction, ReadBackIsStoredOnlyWhenTheWholeReadSucceeded) {
  const Bytes chip = firmware(0x10000);
  writeFile(path("chip.bin"), Bytes(chip.begin(), chip.begin() + 0xFC00));
  {
    Simulator sim({"--model", "QRK5-64B", "--flash-in", path("chip.bin")});
    ASSERT_TRUE(sim.ready()) << sim.log();
    const ProcessResult r = run({"run", "Read_AP_ISP", "--port", sim.portPath(), "--model",
                                 "QRK5-64B", "--out", path("back.bin")});
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    const Bytes back = readFile(path("back.bin"));
    ASSERT_EQ(back.size(), 0x10000u);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 0xFC00, chip.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 0xFC00, back.end(), [](auto b) { return b == 0xFF; }));
  }
  writeFile(path("old.bin"), {1, 2, 3});
  Simulator silent({"--model", "QRK5-64B", "--fault", "drop:100+@00"});
  ASSERT_TRUE(silent.ready()) << silent.log();
  const ProcessResult r = run({"run", "Read_AP_ISP", "--port", silent.portPath(), "--model",
                               "QRK5-64B", "--out", path("old.bin")});
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_NE(r.out.find("Read flash is failure!"), std::string::npos) << r.out;
  EXPECT_EQ(readFile(path("old.bin")), (Bytes{1, 2, 3}));
}

TEST_F(QrkprogProduction, RepeatRunsChipAfterChipUntilCtrlCStopsTheCountdown) {
  Simulator sim({"--model", "QRK5-16B"});
  ASSERT_TRUE(sim.ready()) << sim.log();
  ChildProcess child(qrkprog({"run", "Verify_ID", "--port", sim.portPath(), "--model", "QRK5-16B",
                              "--repeat", "50", "--delay", "9"}),
                     env());
  ASSERT_TRUE(child.waitForOutput("will Re-Run... 9", 10s)) << child.out() << child.err();
  child.sendSignal(SIGINT);
  const ProcessResult r = child.wait(5s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_LT(r.wallSeconds, 5.0);
  EXPECT_TRUE(r.out.ends_with("will Re-Run... 9\nStop by user!\n")) << r.out;
  EXPECT_EQ(r.out.find("We are connecting ..."), r.out.rfind("We are connecting ..."))
      << "no second run started";

  // Two runs in a row with the shortest countdown, both counted as success.
  const ProcessResult twice = run({"run", "Verify_ID", "--port", sim.portPath(), "--model",
                                   "QRK5-16B", "--repeat", "2", "--delay", "2"});
  EXPECT_EQ(twice.exitCode, 0) << describe(twice);
  EXPECT_NE(twice.out.find("\nwill Re-Run... 2\nwill Re-Run... 1\nWe are connecting ...\n"),
            std::string::npos)
      << twice.out;
  EXPECT_GE(twice.wallSeconds, 2.0);
}

}  // namespace
}  // namespace qrk::test
