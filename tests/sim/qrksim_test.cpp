#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "link/frame.h"
#include "sim/flash_files.h"
#include "sim/qrksim_options.h"
#include "support/sim_replies.h"
#include "support/temp_files.h"

namespace qrk::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

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

// The built qrksim, started through the shell with `arguments` (redirections
// included), its stdout read here. `timeout` ends it within 5 s, so that no
// read from it or from its pseudo-terminal can hang the test.
struct Qrksim {
  explicit Qrksim(const std::string& arguments)
      : out(::popen(("exec timeout 5 " QRK_BIN_DIR "/qrksim " + arguments).c_str(), "r")) {}
  ~Qrksim() {
    if (out) ::pclose(out);
  }
  std::string line() {
    char text[256] = "";
    return out && std::fgets(text, sizeof text, out) ? text : "";
  }
  int exitStatus() {
    const int status = ::pclose(std::exchange(out, nullptr));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  FILE* out;
};

// One request over the pseudo-terminal and what came back, `length` bytes at most.
Bytes exchange(const std::string& tty, const Bytes& request, std::size_t length) {
  const int fd = ::open(tty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  Bytes got(length);
  std::size_t have = 0;
  ssize_t n = fd < 0 ? -1 : ::write(fd, request.data(), request.size());
  while (n > 0 && have < length && (n = ::read(fd, got.data() + have, length - have)) > 0)
    have += static_cast<std::size_t>(n);
  if (fd >= 0) ::close(fd);
  got.resize(have);
  return got;
}

using QrksimOnPty = InTempDir;

TEST_F(QrksimOnPty, ServesUntilStdinEndsThenSavesTheFlashAndRemovesTheLink) {
  put("in.bin", "\x12\x34");
  put("in.bin.options", "F8 EF\n");
  ASSERT_EQ(::mkfifo(file("stdin").c_str(), 0600), 0);
  const int stdinEnd = ::open(file("stdin").c_str(), O_RDWR | O_CLOEXEC);
  Qrksim sim("--model QRK5-04A --link " + file("tty") + " --flash-in " + file("in.bin") +
             " --flash-out " + file("out.bin") + " <" + file("stdin"));
  const std::string line = sim.line();
  ASSERT_TRUE(line.starts_with("PTY /dev/")) << line;
  EXPECT_EQ(line, "PTY " + fs::read_symlink(file("tty")).string() + "\n");
  EXPECT_EQ(exchange(file("tty"), buildRequest(cmd::kRead, {0, 0, 0, 0, 0, 3}), 15),
            buildReply(cmd::kRead, {0, 0, 0, 0, 0, 3, 0x12, 0x34, 0xFF}));
  ::close(stdinEnd);
  EXPECT_EQ(sim.exitStatus(), 0);
  EXPECT_EQ(test::readFile(file("out.bin")), "\x12\x34" + std::string(0x3BFE, '\xFF'));
  EXPECT_EQ(test::readFile(file("out.bin.options")), "F8 EF\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(file("tty"))));  // the link goes with it
}

TEST_F(QrksimOnPty, BadArgumentsExitWithStatusTwoAndOneLine) {
  EXPECT_EQ(Qrksim("--model QRK9-99Z </dev/null 2>" + file("err")).exitStatus(), 2);
  const std::string text = test::readFile(file("err"));
  EXPECT_TRUE(text.starts_with("qrksim: --model QRK9-99Z")) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

  put("taken", "a file, not a link");
  EXPECT_EQ(Qrksim("--link " + file("taken") + " </dev/null 2>/dev/null").exitStatus(), 2);
  EXPECT_EQ(test::readFile(file("taken")), "a file, not a link");
}

}  // namespace
}  // namespace qrk::sim
