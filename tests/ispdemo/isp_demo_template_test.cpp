#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The builder embeds the committed bytes so that no build needs the 8051
// tools; where they are installed, the bytes must be what the source assembles
// to, or a fix to the source would never reach a chip.
TEST(IspDemoTemplate, CommittedBytesAreWhatTheSourceAssemblesTo) {
  if (std::system("command -v sdas8051 >/dev/null && command -v sdld >/dev/null && "
                  "command -v srec_cat >/dev/null") != 0) {
    GTEST_SKIP() << "sdas8051, sdld or srec_cat is not installed";
  }
  const std::filesystem::path firmware = std::filesystem::path(QRK_SOURCE_DIR) / "firmware/ispdemo";
  const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                    ("isp_demo_check_" + std::to_string(getpid()) + ".inc");
  const std::string command =
      "'" + (firmware / "assemble.sh").string() + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::string assembled = readFile(out);
  std::filesystem::remove(out);
  EXPECT_EQ(assembled, readFile(firmware / "isp_demo_template.inc"))
      << "run firmware/ispdemo/assemble.sh and commit isp_demo_template.inc";
}

}  // namespace
