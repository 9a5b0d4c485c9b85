#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_files.h"

namespace qrk {
namespace {

using test::readFile;

// The builder embeds the committed bytes so that no build needs the 8051
// tools; where they are installed, the bytes must be what the source assembles
// to, or a fix to the source would never reach a chip.
TEST(IspDemoTemplate, CommittedBytesAreWhatTheSourceAssemblesTo) {
  if (std::system("command -v sdas8051 >/dev/null && command -v sdld >/dev/null && "
                  "command -v srec_cat >/dev/null") != 0) {
    GTEST_SKIP() << "sdas8051, sdld or srec_cat is not installed";
  }
  const std::filesystem::path firmware = std::filesystem::path(QRK_SOURCE_DIR) / "firmware/ispdemo";
  const test::TempDir dir;
  const std::string command =
      "'" + (firmware / "assemble.sh").string() + "' '" + dir.path("template.inc") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(readFile(dir.path("template.inc")), readFile(firmware / "isp_demo_template.inc"))
      << "run firmware/ispdemo/assemble.sh and commit isp_demo_template.inc";
}

}  // namespace
}  // namespace qrk
