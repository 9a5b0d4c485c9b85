// `qrkprog store`: a range of the loaded image written as BIN, with the
// window's checks and messages and honest exit codes.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogStore : public QrkprogTest {
 protected:
  ProcessResult store(const std::string& file, const std::string& range, const std::string& out,
                      const std::string& more = "") {
    return run("store --file " + path(file) + " " + range + " --out " + path(out) + " " + more);
  }
};

// The end address is inclusive, so the whole 64 KB fits and nothing above it.
TEST_F(QrkprogStore, StoresTheWhole64KButNothingAboveIt) {
  // Two records: 0x0010 .. 0x0013 and 0x0100 .. 0x0101.
  writeFile(path("app.hex"), ":0400100001020304E2\n:02010000AABB98\n:00000001FF\n");
  const ProcessResult r = store("app.hex", "--from 0 --to FFFF", "full.bin", "--fill FF");
  ASSERT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_EQ(r.out, "");
  std::string expected(0x10000, '\xFF');
  expected.replace(0x10, 4, "\x01\x02\x03\x04").replace(0x100, 2, "\xAA\xBB");
  EXPECT_TRUE(readFile(path("full.bin")) == expected);

  for (const auto& [range, message] : std::vector<std::pair<std::string, std::string>>{
           {"--from 10000 --to 10000", "Start_Address is too big.\n起始地址太大。\n"},
           {"--from F000 --to 10000", "File length too big.\n文件长度太大。\n"},
           {"--from 10 --to F", "File length too small.\n文件长度不能小于 0。\n"}}) {
    const ProcessResult refused = store("app.hex", range, "high.bin");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, message);
  }
  EXPECT_FALSE(std::filesystem::exists(path("high.bin")));
}

TEST_F(QrkprogStore, BadInputExitsTwoAndAFailedWriteOneWithPathAndReason) {
  writeFile(path("app.bin"), "abc");
  ProcessResult r = store("missing.bin", "--from 0 --to 1", "o.bin");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_THAT(r.err, HasSubstr("Can not find the file."));
  r = store("app.bin", "--from 0 --to 1", "o.bin", "--start 3C00");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_THAT(r.err, HasSubstr("Buffer Start Address Outrun the valid scope."));
  EXPECT_FALSE(std::filesystem::exists(path("o.bin")));

  std::filesystem::create_directory(path("taken.bin"));
  r = store("app.bin", "--from 0 --to 1", "taken.bin");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_THAT(r.err, HasSubstr(path("taken.bin") + ": Is a directory"));
}

}  // namespace
}  // namespace qrk::test
