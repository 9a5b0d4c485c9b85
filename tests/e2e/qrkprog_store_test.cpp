// `qrkprog store`: a range of the loaded image written as BIN, with the
// window's checks and messages and honest exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class QrkprogStore : public ::testing::Test {
 protected:
  QrkprogStore() {
    dir = fs::temp_directory_path() /
          ("qrkprog_store_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~QrkprogStore() override { fs::remove_all(dir); }

  ProcessResult store(std::vector<std::string> args) {
    args.insert(args.begin(), {binaryPath("qrkprog"), "store"});
    return runProcess(args, 10s, {"HOME=/nonexistent", "XDG_CONFIG_HOME=/nonexistent"});
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  static std::vector<std::uint8_t> readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir;
};

TEST_F(QrkprogStore, WritesTheInclusiveRangeOfAHexFile) {
  // Two records: 0x0010 .. 0x0013 and 0x0100 .. 0x0101.
  std::ofstream(path("app.hex")) << ":0400100001020304E2\n:02010000AABB98\n:00000001FF\n";
  const ProcessResult r = store({"--file", path("app.hex"), "--fill", "FF", "--from", "0F", "--to",
                                 "101", "--out", path("out.bin")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const auto bytes = readAll(path("out.bin"));
  ASSERT_EQ(bytes.size(), 0x101U - 0x0F + 1);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 1, bytes.begin() + 5)),
            (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(bytes[5], 0xFF);
  EXPECT_EQ(bytes[0x100 - 0x0F], 0xAA);
  EXPECT_EQ(bytes.back(), 0xBB);
}

TEST_F(QrkprogStore, StoresTheWhole64KButNothingAboveIt) {
  std::ofstream(path("app.bin"), std::ios::binary) << "abc";
  ProcessResult r = store({"--file", path("app.bin"), "--model", "QRK3-64F", "--from", "0", "--to",
                           "FFFF", "--out", path("full.bin")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto bytes = readAll(path("full.bin"));
  ASSERT_EQ(bytes.size(), 0x10000U);
  EXPECT_EQ(bytes[2], 'c');
  EXPECT_EQ(bytes[3], 0x00);  // the window's default fill

  r = store(
      {"--file", path("app.bin"), "--from", "10000", "--to", "10000", "--out", path("high.bin")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "Start_Address is too big.\n起始地址太大。\n");
  r = store(
      {"--file", path("app.bin"), "--from", "F000", "--to", "10000", "--out", path("high.bin")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "File length too big.\n文件长度太大。\n");
  r = store({"--file", path("app.bin"), "--from", "10", "--to", "F", "--out", path("high.bin")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "File length too small.\n文件长度不能小于 0。\n");
  EXPECT_FALSE(fs::exists(path("high.bin")));
}

TEST_F(QrkprogStore, BadInputExitsTwoAndAFailedWriteOneWithPathAndReason) {
  std::ofstream(path("app.bin"), std::ios::binary) << "abc";
  ProcessResult r =
      store({"--file", path("missing.bin"), "--from", "0", "--to", "1", "--out", path("o.bin")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("Can not find the file."), std::string::npos) << r.err;
  r = store({"--file", path("app.bin"), "--start", "3C00", "--from", "0", "--to", "1", "--out",
             path("o.bin")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("Buffer Start Address Outrun the valid scope."), std::string::npos);
  EXPECT_FALSE(fs::exists(path("o.bin")));

  fs::create_directory(path("taken.bin"));
  r = store({"--file", path("app.bin"), "--from", "0", "--to", "1", "--out", path("taken.bin")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(path("taken.bin") + ": Is a directory"), std::string::npos) << r.err;
  r = store(
      {"--file", path("app.bin"), "--from", "0", "--to", "1", "--out", path("no/such/dir.bin")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
}

TEST_F(QrkprogStore, BadUsageExitsTwoWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--from", "0", "--to", "1", "--out", "x.bin"},
      {"--file", "a.bin", "--to", "1", "--out", "x.bin"},
      {"--file", "a.bin", "--from", "0", "--out", "x.bin"},
      {"--file", "a.bin", "--from", "0", "--to", "1"},
      {"--file", "a.bin", "--from", "0", "--to", "1", "--out", "x.bin", "--fill", "7F"},
      {"--file", "a.bin", "--from", "0", "--to", "1", "--out", "x.bin", "--model", "QRK9"},
      {"--file", "a.bin", "--from", "0", "--to", "1", "--out", "x.bin", "--isp-space", "3k"},
      {"--file", "a.bin", "--from", "0", "--to", "1", "--out", "x.bin", "extra"},
  };
  for (const auto& args : cases) {
    const ProcessResult r = store(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace qrk::test
