#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "link/frame.h"
#include "ops/ops_bench.h"

namespace qrk {
namespace {

using test::OpsBench;

// Intel HEX of `count` bytes of `value` from address 0, one record per 16.
std::string hexFile(int count, std::uint8_t value) {
  std::string out;
  char line[64];
  for (int a = 0; a < count; a += 16) {
    const int n = std::min(16, count - a);
    unsigned sum = static_cast<unsigned>(n + (a >> 8) + (a & 0xFF));
    std::snprintf(line, sizeof line, ":%02X%04X00", n, a);
    out += line;
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "%02X", value);
      out += line;
      sum += value;
    }
    std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    out += line;
  }
  return out + ":00000001FF\n";
}

class SerialAndReloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qrkopsXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    path = (dir / "app.hex").string();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  void writeFile(const std::string& text) { std::ofstream(path) << text; }

  // Serial number: decimal, two bytes ending at 0x0101.
  void armSerial(OpsBench& b, const std::string& next, const std::string& length = "2") {
    AutoIncrement& serial = b.programmer.autoIncrement();
    serial.setAddressText("0101");
    serial.setLengthText(length);
    serial.setNextValueText(next);
    serial.setIncrementText("1");
    serial.setFormat(SerialFormat::Decimal);
    ASSERT_TRUE(serial.onToggle(true));
  }

  std::filesystem::path dir;
  std::string path;
};

TEST_F(SerialAndReloadTest, AReloadBeforeASingleRunProgramsExactlyTheFileWithItsSerialNumber) {
  OpsBench b;
  b.programmer.loadChoices().fillByte = 0xFF;
  writeFile(hexFile(0x20, 0x11));
  ASSERT_TRUE(b.programmer.loadFile(path).loaded());
  armSerial(b, "0042");
  b.programmer.loadChoices().reloadBeforeRun = true;

  // The file is rebuilt shorter: nothing of the old build may remain.
  writeFile(hexFile(0x10, 0x22));
  ASSERT_TRUE(b.production.run("Program").ok()) << b.pane();
  const auto flash = b.sim.device.flash();
  EXPECT_EQ(flash[0x00], 0x22);
  EXPECT_EQ(flash[0x0F], 0x22);
  EXPECT_EQ(flash[0x10], 0xFF);
  EXPECT_EQ(flash[0x1F], 0xFF);
  EXPECT_EQ(flash[0x100], 0x00);
  EXPECT_EQ(flash[0x101], 0x42);
  EXPECT_TRUE(b.programmer.autoIncrement().armed());

  // Re-Run does not reload: that is for a single run while debugging.
  writeFile(hexFile(0x10, 0x33));
  b.production.reRun("Program", 1);
  EXPECT_EQ(b.sim.device.flash()[0x00], 0x22);
}

TEST_F(SerialAndReloadTest, AReloadThatFailsFailsTheRunBeforeAnythingIsWritten) {
  OpsBench b;
  writeFile(hexFile(0x20, 0x11));
  ASSERT_TRUE(b.programmer.loadFile(path).loaded());
  b.programmer.loadChoices().reloadBeforeRun = true;
  std::filesystem::remove(path);
  b.setList({"Erase_All", "Program", "Write_Option"});
  EXPECT_FALSE(b.production.run("Auto").ok());
  EXPECT_TRUE(b.sim.device.dataFrames().empty());
  EXPECT_EQ(b.sim.device.commandCount(cmd::kWriteOption), 0);
  EXPECT_TRUE(b.paneHas("Program        is failure!"));
  ASSERT_FALSE(b.host.boxes.empty());
  EXPECT_EQ(b.host.boxes.back(), "Can not find the file./找不到文件");
}

TEST_F(SerialAndReloadTest, EachOptionWriteAdvancesTheNumberForTheNextChip) {
  OpsBench b;
  writeFile(hexFile(0x20, 0x11));
  ASSERT_TRUE(b.programmer.loadFile(path).loaded());
  armSerial(b, "0999");
  b.setList({"Erase_All", "Program", "Write_Option"});
  ASSERT_TRUE(b.production.run("Auto").ok()) << b.pane();
  EXPECT_EQ(b.sim.device.flash()[0x100], 0x09);
  EXPECT_EQ(b.sim.device.flash()[0x101], 0x99);
  EXPECT_EQ(b.programmer.autoIncrement().inputs().nextValue, "1000");
  EXPECT_EQ(b.settings.value("Auto_Increase", "next_value", ""), "1000");
  EXPECT_EQ(b.programmer.image().at(0x100), 0x10);
  EXPECT_EQ(b.programmer.image().at(0x101), 0x00);
}

TEST_F(SerialAndReloadTest, ANumberThatNoLongerFitsFailsTheRun) {
  OpsBench b;
  writeFile(hexFile(0x20, 0x11));
  ASSERT_TRUE(b.programmer.loadFile(path).loaded());
  armSerial(b, "99", "1");
  b.setList({"Erase_All", "Program", "Write_Option", "Read_Option"});
  EXPECT_FALSE(b.production.run("Auto").ok());
  EXPECT_TRUE(b.paneHas("Write Option OK!\r\nWrite_Option   is failure!"));
  EXPECT_EQ(b.programmer.successCounter().text(), "0");
  EXPECT_FALSE(b.programmer.autoIncrement().armed());

  // The next chip would get a duplicate number: it is refused before programming.
  const std::size_t framesBefore = b.sim.device.dataFrames().size();
  EXPECT_FALSE(b.production.run("Program").ok());
  EXPECT_EQ(b.sim.device.dataFrames().size(), framesBefore);
}

}  // namespace
}  // namespace qrk
