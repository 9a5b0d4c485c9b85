#include "image/bin_store.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <csignal>
#include <tuple>

#include "image_fixtures.h"

namespace qrk {
namespace {

namespace fs = std::filesystem;
using namespace imagetest;

class BinStore : public ::testing::Test {
 protected:
  BinStore() {
    for (int a = 0; a < ImageBuffer::kSize; ++a)
      image.set(a, static_cast<std::uint8_t>(a * 7 + a / 256));
  }
  StoreOutcome store(const std::string& start, const std::string& length, const fs::path& path) {
    return storeBinFile(image, start, length, host, [&] { return std::optional<fs::path>(path); });
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.root), {}));
  }

  TempDir dir;
  ImageBuffer image;
  BoxHost host;
  const fs::path out = dir.path("out.bin");
};

TEST_F(BinStore, WritesTheWholeRangeOverTheOldFileOrRefusesWithTheMessageOfEachLimit) {
  dir.file("out.bin", Bytes(5000, 0xAA));
  dir.file("out.bin.tmp0", Bytes{1, 2, 3});
  EXPECT_EQ(store(" F000 ", "1000", out), StoreOutcome::Written);
  EXPECT_EQ(readAll(out), bytesAt(image, 0xF000, 0x1000));
  EXPECT_EQ(store("0000", "0010000", out), StoreOutcome::Written);  // the whole text, 64 KB
  EXPECT_EQ(readAll(out), bytesAt(image, 0, 0x10000));
  // No temporary file left beside them, and another's left alone.
  EXPECT_EQ(std::tuple(readAll(dir.path("out.bin.tmp0")), filesInDir(), host.boxes.size()),
            std::tuple(Bytes{1, 2, 3}, 2U, 0U));

  // (The plain limits are checked through the store command.)
  const std::tuple<const char*, const char*, std::string_view> refused[] = {
      {"x12", "1", kStoreStartNegative},
      {"0", "0", kStoreLengthTooSmall},
      {"1", "10000", kStoreLengthTooBig},
      {"0", "FFFFFFFFFFFFFFFFFFFF", kStoreLengthTooBig},
  };
  for (const auto& [start, length, message] : refused) {
    EXPECT_EQ(store(start, length, dir.path("refused.bin")), StoreOutcome::Refused) << start;
    EXPECT_EQ(host.boxes.back(), message) << start << " " << length;
  }
  EXPECT_EQ(storeBinFile(image, "0", "100", host, [] { return std::optional<fs::path>(); }),
            StoreOutcome::Cancelled);
  EXPECT_EQ(filesInDir(), 2U);
}

#if !defined(_WIN32)  // Windows has no file-size limit to make a write fail with
// A write that fails half-way (here the process may not grow a file past 100
// bytes, which binds root as well) must leave the previous file as it was.
TEST_F(BinStore, AFailedWriteNamesThePathAndTheReasonAndKeepsTheOldFile) {
  dir.file("out.bin", Bytes(64, 0x5A));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const StoreOutcome outcome = store("0", "10000", out);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(outcome, StoreOutcome::WriteFailed);
  EXPECT_EQ(readAll(out), Bytes(64, 0x5A));

  EXPECT_EQ(filesInDir(), 1U);  // no temporary file left
  ASSERT_EQ(host.boxes.size(), 1U);
  EXPECT_NE(host.boxes[0].find(out.string()), std::string::npos);
  EXPECT_NE(host.boxes[0].find("File too large"), std::string::npos) << host.boxes[0];
  EXPECT_NE(host.boxes[0].find("\r\n无法写入文件"), std::string::npos);
}
#endif

}  // namespace
}  // namespace qrk
