// `qrkprog info` and `store`: the window's load, described, with warnings on
// stderr and --strict for scripts that must not program a file the window
// warns about; a range of the image written as BIN, with honest exit codes.
#include "e2e/process_harness.h"
#include "support/pseudo_terminal.h"

namespace qrk::test {
namespace {

using QrkprogInfo = QrkprogTest;

// A file that carries no program must never come out as a programmed chip:
// a HEX file with stray text, no data or no end record is a load warning, and
// a file with no data at all is refused even when forced, before the port.
TEST_F(QrkprogInfo, AFileThatHoldsNoProgramIsWarnedAboutAndNeverProgrammed) {
  const std::string data = ":0400100001020304E2\n";
  writeFile(path("notes.hex"), "flash the board\nthen test it\n");
  writeFile(path("renamed.hex"), std::string("\x02\x00\x06\xE4\xF5\x90\x80\xFE", 8));
  writeFile(path("page.hex"), "<html><body>404</body></html>\n");
  writeFile(path("empty.hex"), "");
  writeFile(path("empty.bin"), "");
  writeFile(path("cut.hex"), data);
  writeFile(path("stray.hex"), data + "\n  \nnot a record\n:00000001FF\n");

  ProcessResult r = run("info " + path("page.hex"), 0);
  EXPECT_THAT(r.out, HasSubstr("Warnings:          2\n"));
  EXPECT_THAT(r.out, HasSubstr("File range:        (no data)\n"));
  EXPECT_THAT(r.err, HasSubstr("line 1"));
  EXPECT_THAT(r.err, HasSubstr("no data record"));
  r = run("info " + path("empty.bin"));
  EXPECT_THAT(r.out, HasSubstr("Format:            BIN\n"));
  EXPECT_THAT(r.err, HasSubstr("The file is empty"));
  r = run("info " + path("cut.hex") + " --strict", 1);
  EXPECT_THAT(r.err, HasSubstr("end-of-file record"));
  r = run("info " + path("stray.hex"));
  EXPECT_THAT(r.out, HasSubstr("Warnings:          1\n"));
  EXPECT_THAT(r.err, HasSubstr("line 4"));
  EXPECT_THAT(r.err, Not(HasSubstr("line 3")));  // blanks are no fault

  PseudoTerminal line;  // nothing may be sent to it
  const std::string program = " --model QRK5-16B --trace --port " + line.slavePath();
  for (const char* name : {"notes.hex", "renamed.hex", "page.hex", "empty.hex", "empty.bin"})
    expectRefused("run Auto --force --file " + path(name) + program, "nothing to program");
  for (const char* name : {"cut.hex", "stray.hex"})
    expectRefused("run Program --file " + path(name) + program, "--force");
}

using QrkprogStore = QrkprogTest;

// The end address is inclusive, so the whole 64 KB fits and nothing above it.
// Bad input exits 2 and a failed write 1, with the path and the reason.
TEST_F(QrkprogStore, StoresTheWhole64KButNothingAboveItAndExitsTwoOnBadInput) {
  // Two records: 0x0010 .. 0x0013 and 0x0100 .. 0x0101.
  writeFile(path("app.hex"), ":0400100001020304E2\n:02010000AABB98\n:00000001FF\n");
  const auto store = [&](const std::string& file, const std::string& more, const char* out,
                         int exit) {
    return run("store --file " + path(file) + " " + more + " --out " + path(out), exit);
  };
  EXPECT_EQ(store("app.hex", "--from 0 --to FFFF --fill FF", "full.bin", 0).out, "");
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
    EXPECT_THAT(store(file, more, "refused.bin", 2).err, HasSubstr(message));
  }
  EXPECT_FALSE(std::filesystem::exists(path("refused.bin")));

  std::filesystem::create_directory(path("taken.bin"));
  EXPECT_THAT(store("app.hex", "--from 0 --to 1", "taken.bin", 1).err,
              HasSubstr(path("taken.bin") + ": Is a directory"));
}

}  // namespace
}  // namespace qrk::test
