#include "image/bin_reader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

struct Loaded {
  ImageBuffer image;
  ReadResult result;
};

std::unique_ptr<Loaded> readBin(const std::vector<std::uint8_t>& bytes, const LoadOptions& load,
                                std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>();
  clearImage(loaded->image, load.fillByte);
  loaded->result = readBinBytes(loaded->image, bytes, context(load, start));
  return loaded;
}

std::vector<std::uint8_t> counting(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

TEST(BinReader, PlacesTheFileAtTheBufferStart) {
  const auto loaded = readBin({1, 2, 3}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(loaded->image.at(0xFF), 0xFF);
  EXPECT_EQ(loaded->image.at(0x100), 1);
  EXPECT_EQ(loaded->image.at(0x102), 3);
  EXPECT_EQ(loaded->image.fileStart, 0x100);
  EXPECT_EQ(loaded->image.fileEnd, 0x102);
  EXPECT_EQ(loaded->result.sum, 6u);
  EXPECT_FALSE(loaded->result.flags.any());
}

TEST(BinReader, AnEmptyFileSumsToZeroAndKeepsTheEnd) {
  const auto loaded = readBin({}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(loaded->result.sum, 0u);
  EXPECT_EQ(loaded->image.fileStart, 0x100);
  EXPECT_EQ(loaded->image.fileEnd, 0);
  EXPECT_TRUE(loaded->image.fileLoaded);
}

TEST(BinReader, KindTwoNamesDataMemoryAndTheIspArea) {
  const auto intoData = readBin(counting(0x1001), options("QRK5-04A", "4.0k"));
  EXPECT_TRUE(intoData->result.flags.dataMemory);
  EXPECT_FALSE(intoData->result.flags.ispBlock);
  const auto intoIsp = readBin(counting(0x2C01), options("QRK5-04A", "4.0k"));
  EXPECT_TRUE(intoIsp->result.flags.ispBlock);
  const auto noIspArea = readBin(counting(0x2C01), options("QRK5-04A", "0.0k"));
  EXPECT_FALSE(noIspArea->result.flags.ispBlock);
  EXPECT_EQ(intoIsp->image.at(0x2C00), counting(0x2C01)[0x2C00]);
}

TEST(BinReader, KindZeroWipesTheGapAndKeepsTheUpperBlockTail) {
  const std::vector<std::uint8_t> file = counting(0xE010);
  for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
    const auto loaded = readBin(file, options("QRK5-32D", "0.0k", "0", fill));
    EXPECT_TRUE(loaded->result.flags.over);
    EXPECT_TRUE(loaded->result.flags.ispBlock);
    EXPECT_EQ(loaded->image.at(0x7FFF), file[0x7FFF]);
    EXPECT_EQ(loaded->image.at(0x8000), fill);
    EXPECT_EQ(loaded->image.at(0xDFFF), fill);
    EXPECT_EQ(loaded->image.at(0xE00F), file[0xE00F]);
    EXPECT_EQ(loaded->image.fileEnd, 0xE00F);
  }
}

TEST(BinReader, ApUpToIspModelsNameTheIspArea) {
  const auto loaded = readBin(counting(0xDFF0 + 0x20), options("QRK3-64F", "8.0k"));
  EXPECT_TRUE(loaded->result.flags.ispBlock);
  EXPECT_FALSE(loaded->result.flags.over);
}

TEST(BinReader, AFileLargerThanTheImageStopsAtItsEnd) {
  TempDir dir;
  const std::vector<std::uint8_t> file = counting(0x30000);
  std::FILE* handle = std::fopen(dir.file("big.bin", file).c_str(), "rb");
  ASSERT_NE(handle, nullptr);
  ImageBuffer image;
  clearImage(image, 0xFF);
  const LoadOptions load = options("QRK5-64E");
  const ReadResult result = readBinFile(image, handle, context(load, 0x100));
  std::fclose(handle);

  EXPECT_TRUE(result.flags.over);
  EXPECT_EQ(image.fileEnd, 0x11FFF);
  EXPECT_EQ(image.at(ImageBuffer::kLastIndex), file[ImageBuffer::kLastIndex - 0x100]);
  std::uint64_t stored = 0;
  for (std::int32_t i = 0; i <= ImageBuffer::kLastIndex - 0x100; ++i) stored += file[i];
  EXPECT_EQ(result.sum, stored);
}

}  // namespace
}  // namespace qrk
