#include "image/hex_view.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image_fixtures.h"

namespace qrk {
namespace {

class HexViewTest : public ::testing::Test {
 protected:
  HexViewTest() {
    for (std::int32_t a = 0; a < ImageBuffer::kSize; ++a)
      image.set(a, static_cast<std::uint8_t>(a));
  }
  void loadRange(std::int32_t low, std::int32_t high) {
    image.fileLoaded = true;
    image.rangeLow = low;
    image.rangeHigh = high;
    view.fitToRange();
  }

  ImageBuffer image;
  imagetest::BoxHost host;
  HexView view{image, host};
};

TEST_F(HexViewTest, DumpsTheRangeSixteenBytesALineFromTheLineOfItsStartAsFarAsTheBoxHolds) {
  loadRange(0x0005, 0x0024);
  EXPECT_EQ(view.text(),
            "\r\n\r\n"
            " 000000   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n"
            " 000010   10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F \r\n"
            " 000020   20 21 22 23 24 \r\n");
  EXPECT_EQ(view.storeLengthText(), "25");
  view.setLineCapacity(HexView::linesForHeight(20 * 194 + 96));
  loadRange(0x0105, 0xFFFF);
  EXPECT_EQ(std::count(view.text().begin(), view.text().end(), '\n'), 2 + 20);
  EXPECT_TRUE(
      view.text().ends_with("\n 000230   30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F \r\n"));
  EXPECT_EQ(view.scrollBar().maximum, (0xFFFF - 0x100) / 16 - 3);
  EXPECT_EQ(view.storeLengthText(), "10000");
  ASSERT_TRUE(view.setScrollValue(2));
  EXPECT_TRUE(view.text().starts_with("\r\n\r\n 000120 "));
}

TEST_F(HexViewTest, TheFirstEditAsksOnceThenOvertypesTheImage) {
  view.reset();
  view.click(4 + 10);  // the first digit, after the two empty lines and the address
  host.answers = {MessageAnswer::Yes};
  view.typeKey('7');
  EXPECT_EQ(host.texts.back(), HexView::kOpenFileFirst);
  EXPECT_EQ(image.at(0), 0x00);

  host.texts.clear();
  loadRange(0x0000, 0x07FF);
  image.set(0x13, 0x3F);
  view.scrollView();
  const std::size_t secondDigit = 4 + 60 + 10 + 3 * 3 + 1;  // line 0x10, column 3
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

  view.setHighlightField(ImageBuffer::Field{0x21, 4});  // the serial field, over a line break
  view.scrollView();
  EXPECT_EQ(view.text().substr(view.selectionStart(), view.selectionLength()),
            "1E 1F \r\n 000020   20 21");
  view.typeKey('5');  // a wide selection is not edited
  EXPECT_EQ(image.at(0x1E), 0x1E);
}

}  // namespace
}  // namespace qrk
