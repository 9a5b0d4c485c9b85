#include "image/hex_view.h"

#include <gtest/gtest.h>

#include "image_fixtures.h"

namespace qrk {
namespace {

// The dump's lines after its two leading empty lines.
std::vector<std::string> dumpLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  EXPECT_EQ(at, text.size()) << "the dump ends with a line break";
  EXPECT_GE(lines.size(), 2U);
  EXPECT_EQ(lines[0] + lines[1], "");
  return {lines.begin() + 2, lines.end()};
}

class HexViewTest : public ::testing::Test {
 protected:
  HexViewTest() {
    for (std::int32_t a = 0; a < ImageBuffer::kSize; ++a)
      image.set(a, static_cast<std::uint8_t>(a));
  }
  // A loaded file over `low` .. `high`, merged as the load sequence does.
  void loadRange(std::int32_t low, std::int32_t high) {
    image.rangeLow = ImageBuffer::kClearedLow;
    image.rangeHigh = 0;
    image.fileStart = low;
    image.fileEnd = high;
    image.fileLoaded = true;
    image.mergeRange(std::nullopt);
    view.fitToRange();
  }
  std::string selected() const {
    return view.text().substr(view.selectionStart(), view.selectionLength());
  }

  ImageBuffer image;
  imagetest::BoxHost host;
  HexView view{image, host};
};

TEST_F(HexViewTest, WindowStartsAtTheLineOfRangeLowAndStopsAtRangeHighOrTheBoxHeight) {
  loadRange(0x0105, 0x2000);
  auto lines = dumpLines(view.text());
  EXPECT_EQ(lines.front(), " 000100   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
  // The box holds 62 lines and the window 990 bytes: the last line stops after 14.
  ASSERT_EQ(lines.size(), 62U);
  EXPECT_EQ(lines.back(), " 0004D0   D0 D1 D2 D3 D4 D5 D6 D7 D8 D9 DA DB DC DD ");

  loadRange(0x0000, 0x0024);
  lines = dumpLines(view.text());
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines.back(), " 000020   20 21 22 23 24 ");
  EXPECT_EQ(view.storeLengthText(), "25");

  EXPECT_EQ(HexView::linesForHeight(20 * 194 + 96), 20);
  EXPECT_EQ(HexView::linesForHeight(20 * 194 + 97), 21);
  view.setLineCapacity(20);
  loadRange(0x0000, 0xFFFF);
  EXPECT_EQ(dumpLines(view.text()).size(), 20U);
  EXPECT_EQ(view.scrollBar().maximum, 0xFFFF / 16 - 3);
  EXPECT_EQ(view.storeLengthText(), "10000");
  ASSERT_TRUE(view.setScrollValue(2));
  EXPECT_EQ(dumpLines(view.text()).front().substr(0, 7), " 000020");
}

TEST_F(HexViewTest, SerialFieldIsSelectedAcrossLineBreaksAsFarAsTheLinesGo) {
  loadRange(0x0000, 0x07FF);
  view.setHighlightField(ImageBuffer::Field{0x21, 4});  // from column 14, over the break
  view.scrollView();
  EXPECT_EQ(selected(), "1E 1F \r\n 000020   20 21");

  view.setLineCapacity(1);
  loadRange(0x0000, 0x07FF);
  view.setHighlightField(ImageBuffer::Field{0x11, 4});
  view.scrollView();
  EXPECT_EQ(view.selectionStart() + view.selectionLength(), view.text().size());
}

TEST_F(HexViewTest, TheFirstEditAsksOnceThenOvertypesTheImage) {
  view.reset();
  view.click(4 + 10);  // the first digit, after the two empty lines and the address
  host.answers = {MessageAnswer::Yes};
  view.typeKey('7');
  ASSERT_EQ(host.texts.size(), 2U);
  EXPECT_EQ(host.texts[1], HexView::kOpenFileFirst);
  EXPECT_EQ(image.at(0), 0x00);

  host.texts.clear();
  loadRange(0x0000, 0x07FF);
  image.set(0x13, 0x3F);
  view.scrollView();
  const std::size_t secondDigit = 4 + 60 + 10 + 3 * 3 + 1;  // line 0x10, column 3
  view.click(secondDigit - 2);  // the space before the byte snaps to its first digit
  EXPECT_EQ(view.selectionStart(), secondDigit - 1);
  view.click(secondDigit);
  host.answers = {MessageAnswer::No};
  view.typeKey('a');
  EXPECT_EQ(host.texts, std::vector<std::string>{std::string(HexView::kEditQuestion)});
  EXPECT_EQ(image.at(0x13), 0x3F);

  host.answers = {MessageAnswer::Yes};
  view.typeKey('a');
  EXPECT_EQ(image.at(0x13), 0x3A);
  EXPECT_EQ(view.text().substr(secondDigit - 1, 2), "3A");
  EXPECT_EQ(view.selectionStart(), secondDigit + 2);  // first digit of the next byte
  view.typeKey('c');                                  // no second question
  view.typeKey('g');                                  // nor any change for a non-digit
  EXPECT_EQ(host.texts.size(), 2U);
  EXPECT_EQ(image.at(0x14), 0xC4);

  view.setHighlightField(ImageBuffer::Field{0x01, 2});  // a two-byte selection is not edited
  view.scrollView();
  view.typeKey('5');
  EXPECT_EQ(imagetest::bytesAt(image, 0, 2), (imagetest::Bytes{0x00, 0x01}));
}

}  // namespace
}  // namespace qrk
