// `qrkprog store`: a range of the loaded image written as BIN, with the
// window's checks and messages and honest exit codes.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using QrkprogStore = QrkprogTest;

// The end address is inclusive, so the whole 64 KB fits and nothing above it.
// Bad input exits 2 and a failed write 1, with the path and the reason.
TEST_F(QrkprogStore, StoresTheWhole64KButNothingAboveItAndExitsTwoOnBadInput) {
  // Two records: 0x0010 .. 0x0013 and 0x0100 .. 0x0101.
  writeFile(path("app.hex"), ":0400100001020304E2\n:02010000AABB98\n:00000001FF\n");
  const auto store = [&](const std::string& file, const std::string& more, const char* out) {
    return run("store --file " + path(file) + " " + more + " --out " + path(out));
  };
  ProcessResult r = store("app.hex", "--from 0 --to FFFF --fill FF", "full.bin");
  ASSERT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_EQ(r.out, "");
  std::string expected(0x10000, '\xFF');
  expected.replace(0x10, 4, "\x01\x02\x03\x04").replace(0x100, 2, "\xAA\xBB");
  EXPECT_TRUE(readFile(path("full.bin")) == expected);

  for (const auto& [file, more, message] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"app.hex", "--from 10000 --to 10000", "Start_Address is too big.\n起始地址太大。\n"},
           {"app.hex", "--from F000 --to 10000", "File length too big.\n文件长度太大。\n"},
           {"app.hex", "--from 10 --to F", "File length too small.\n文件长度不能小于 0。\n"},
           {"missing.bin", "--from 0 --to 1", "Can not find the file."},
           {"app.hex", "--from 0 --to 1 --start 3C00",
            "Buffer Start Address Outrun the valid scope."}}) {
    SCOPED_TRACE(more);
    r = store(file, more, "refused.bin");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr(message));
  }
  EXPECT_FALSE(std::filesystem::exists(path("refused.bin")));

  std::filesystem::create_directory(path("taken.bin"));
  r = store("app.hex", "--from 0 --to 1", "taken.bin");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_THAT(r.err, HasSubstr(path("taken.bin") + ": Is a directory"));
}

}  // namespace
}  // namespace qrk::test
