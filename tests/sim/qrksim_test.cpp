#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "sim/flash_files.h"
#include "sim/qrksim_options.h"
#include "support/temp_files.h"

namespace qrk::sim {
namespace {

TEST(QrksimArguments, ValueAfterAnEqualsSignOrAsTheNextArgument) {
  std::string error;
  const std::vector<std::string_view> args{"--version=05", "--id", "0055", "--baud-emulation",
                                           "--fault=not-blank:1234"};
  const auto o = parseQrksimArgs(args, &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(std::tuple(o->device.version, o->device.id, o->device.baudEmulation,
                       o->device.faults.at(0).cellAddress),
            std::tuple(0x05, 0x0055, true, 0x1234u));
  EXPECT_EQ(parseQrksimArgs({}, &error)->model, "QRK5-16B");
}

TEST(QrksimArguments, BadArgumentsAndFaultsAreNamedOnOneLine) {
  const auto refused = [](std::vector<std::string_view> args) {
    std::string error;
    EXPECT_FALSE(parseQrksimArgs(args, &error)) << args.back();
    EXPECT_FALSE(error.empty()) << args.back();
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  };
  for (std::string_view option : {"--model", "--bogus", "extra", "--baud-emulation=1"})
    refused({option});
  for (std::string_view value : {"--model=QRK9", "--id=F1045", "--id=G104", "--version=100",
                                 "--power-on-after=-1", "--link="})
    refused({value});
  for (std::string_view fault :
       {"", "dropp", "drop:0", "drop:x", "drop:", "drop@", "drop@123", "drop@zz", "wrong-id@0A",
        "not-blank:xyz", "not-blank:123456", "slow:1++", "not-blank:FC00"})
    refused({"--fault", fault});
}

// Each test's files in a folder of its own.
class InTempDir : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return dir.path(name); }
  void put(const std::string& name, const std::string& text) const { dir.file(name, text); }
  test::TempDir dir;
};

using FlashFiles = InTempDir;

TEST_F(FlashFiles, UnusableFilesAreRefusedAndNothingIsHalfLoaded) {
  QrkDevice d = QrkDevice::forModel("QRK5-04A");
  std::string error;
  EXPECT_FALSE(loadFlashFiles(d, file("missing.bin"), &error));
  EXPECT_NE(error.find("missing.bin"), std::string::npos);
  put("big.bin", std::string(0x3C01, '\0'));
  EXPECT_FALSE(loadFlashFiles(d, file("big.bin"), &error));
  EXPECT_EQ(d.flashByte(0), 0xFF);
  put("ok.bin", "\x01");
  for (const char* options : {"F8", "F8 EF 00", "F8 GG", "F8F EF"}) {
    put("ok.bin.options", options);
    EXPECT_FALSE(loadFlashFiles(d, file("ok.bin"), &error)) << options;
  }
  EXPECT_FALSE(loadFlashFiles(d, dir.root, &error));
  EXPECT_FALSE(saveFlashFiles(d, file("no/such/dir/f.bin"), &error));
}

// The exit status of the built qrksim started through the shell with
// `arguments` (redirections included); `timeout` keeps a hang from stalling.
int qrksimExit(const std::string& arguments) {
  const int status = std::system(("exec timeout 5 " QRK_BIN_DIR "/qrksim " + arguments).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using QrksimRun = InTempDir;

TEST_F(QrksimRun, BadArgumentsExitWithStatusTwoAndOneLine) {
  EXPECT_EQ(qrksimExit("--model QRK9-99Z </dev/null 2>" + file("err")), 2);
  const std::string text = test::readFile(file("err"));
  EXPECT_TRUE(text.starts_with("qrksim: --model QRK9-99Z")) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

  put("taken", "a file, not a link");
  EXPECT_EQ(qrksimExit("--link " + file("taken") + " </dev/null 2>/dev/null"), 2);
  EXPECT_EQ(test::readFile(file("taken")), "a file, not a link");
}

}  // namespace
}  // namespace qrk::sim
