// `qrkprog info`: the window's load, described; warnings on stderr, and
// --strict for scripts that must not program a file the window warns about.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using QrkprogInfo = QrkprogTest;

TEST_F(QrkprogInfo, DescribesTheLoadAndFailsOnWarningsOnlyWhenStrict) {
  writeFile(path("app.hex"), ":0400100001020304E2\n:00000001FF\n");
  // A HEX file's range starts at the buffer start, whatever its first record.
  ProcessResult r = run("info " + path("app.hex") + " --model QRK5-16B");
  ASSERT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("File range:        00000-00013\n"));
  EXPECT_THAT(r.out, HasSubstr("File Check Sum:    000000AH       \n"));
  EXPECT_EQ(r.err, "");

  // Kind 2: data above the AP end lies in the Data Memory area.
  writeFile(path("data.hex"), ":0150000011BE\n:00000001FF\n");
  r = run("info " + path("data.hex") + " --model QRK5-16B");
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_THAT(r.err, HasSubstr("Data Memory contain procedure or datas."));
  r = run("info " + path("data.hex") + " --model QRK5-16B --strict");
  EXPECT_EQ(r.exitCode, 1) << describe(r);

  r = run("info " + path("missing.hex"));
  EXPECT_EQ(r.exitCode, 2);
  r = run("info " + path("app.hex") + " --fill 7F");
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
}  // namespace qrk::test
