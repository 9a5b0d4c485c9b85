#include "image/hex_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/box_recorder.h"

namespace qrk {
namespace {

using test::BoxRecorder;

// The dump's lines after its two leading empty lines.
std::vector<std::string> dumpLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  EXPECT_EQ(at, text.size()) << "the dump ends with a line break";
  EXPECT_GE(lines.size(), 2U);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "");
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
  BoxRecorder host;
  HexView view{image, host};
};

TEST_F(HexViewTest, ResetShowsTheFirstKilobyteInSixteenByteLines) {
  view.reset();
  const auto lines = dumpLines(view.text());
  ASSERT_EQ(lines.size(), 62U);  // 0 .. 1023 would be 64 lines; the box holds 62
  EXPECT_EQ(lines[0], " 000000   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
  EXPECT_EQ(lines[61].substr(0, 13), " 0003D0   D0 ");
  EXPECT_EQ(lines[0].size(), 10U + 48U);
  EXPECT_EQ(view.scrollBar().maximum, 64);
}

TEST_F(HexViewTest, WindowStartsAtTheLineOfRangeLowAndEndsInsideALine) {
  loadRange(0x0105, 0x2000);
  auto lines = dumpLines(view.text());
  EXPECT_EQ(view.viewStart(), 0x0100);
  EXPECT_EQ(lines.front(), " 000100   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
  // viewEnd = viewStart + 989: the 62nd line stops after 14 bytes.
  EXPECT_EQ(view.viewEnd(), 0x0100 + 989);
  ASSERT_EQ(lines.size(), 62U);
  EXPECT_EQ(lines.back(), " 0004D0   D0 D1 D2 D3 D4 D5 D6 D7 D8 D9 DA DB DC DD ");
}

TEST_F(HexViewTest, WindowStopsAtRangeHighAndAtTheBoxHeight) {
  loadRange(0x0000, 0x0024);
  auto lines = dumpLines(view.text());
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines.back(), " 000020   20 21 22 23 24 ");

  EXPECT_EQ(HexView::linesForHeight(20 * 194 + 96), 20);
  EXPECT_EQ(HexView::linesForHeight(20 * 194 + 97), 21);
  view.setLineCapacity(HexView::linesForHeight(20 * 194));
  loadRange(0x0000, 0x2000);
  EXPECT_EQ(dumpLines(view.text()).size(), 20U);
}

TEST_F(HexViewTest, ScrollBarSpansTheRangeAndEachScrollSetsTheStoreLength) {
  loadRange(0x0000, 0xFFFF);
  EXPECT_EQ(view.scrollBar().maximum, 0xFFFF / 16 - 3);
  EXPECT_EQ(view.storeLengthText(), "10000");
  ASSERT_TRUE(view.setScrollValue(2));
  EXPECT_EQ(view.viewStart(), 0x20);
  EXPECT_EQ(dumpLines(view.text()).front().substr(0, 7), " 000020");

  // A range shorter than four lines leaves nothing to scroll.
  loadRange(0x0000, 0x001F);
  EXPECT_EQ(view.scrollBar().maximum, 0);
  EXPECT_EQ(view.scrollBar().value, 0);
  EXPECT_EQ(view.storeLengthText(), "20");
}

TEST_F(HexViewTest, PageKeysMoveByTheLargeChangeAndStopAtTheEnds) {
  loadRange(0x0000, 0x07FF);  // maximum 124
  const std::string top = view.text();
  EXPECT_FALSE(view.pageUp());
  EXPECT_EQ(view.text(), top);

  EXPECT_TRUE(view.pageDown());
  EXPECT_EQ(view.scrollBar().value, 16);
  EXPECT_EQ(view.viewStart(), 0x100);
  view.setLargeChange(100);
  EXPECT_TRUE(view.pageDown());
  EXPECT_EQ(view.scrollBar().value, 116);
  EXPECT_FALSE(view.pageDown());  // 216 is past the maximum: the view stays
  EXPECT_EQ(view.scrollBar().value, 116);
}

TEST_F(HexViewTest, SerialFieldIsSelectedWithinALineAndAcrossLineBreaks) {
  loadRange(0x0000, 0x07FF);
  view.setHighlightField(ImageBuffer::Field{0x11, 2});
  view.scrollView();
  EXPECT_EQ(selected(), "10 11");

  // Four bytes from column 14: the selection runs over the line break.
  view.setHighlightField(ImageBuffer::Field{0x21, 4});
  view.scrollView();
  EXPECT_EQ(view.selectionLength(), 23U);
  EXPECT_EQ(selected(), "1E 1F \r\n 000020   20 21");

  // A field wider than a line crosses every break it spans.
  view.setHighlightField(ImageBuffer::Field{0x21, 20});
  view.scrollView();
  EXPECT_EQ(view.selectionLength(), 3U * 20 - 1 + 2 * 12);
  EXPECT_EQ(selected().substr(0, 3), "0E ");
  EXPECT_EQ(selected().substr(selected().size() - 2), "21");

  view.setHighlightField(std::nullopt);
  view.scrollView();
  EXPECT_EQ(view.selectionLength(), 0U);
}

TEST_F(HexViewTest, FieldRunningPastTheShownLinesIsSelectedOnlyAsFarAsTheyGo) {
  view.setLineCapacity(1);
  loadRange(0x0000, 0x07FF);
  view.setHighlightField(ImageBuffer::Field{0x11, 4});
  view.scrollView();
  EXPECT_EQ(view.selectionStart() + view.selectionLength(), view.text().size());
}

TEST_F(HexViewTest, ClicksSnapToTheNextByteDigit) {
  loadRange(0x0000, 0x07FF);
  const std::size_t line1 = 4;  // after the two empty lines
  view.click(line1 + 3);        // inside the address column
  EXPECT_EQ(view.selectionStart(), line1 + 10);
  EXPECT_EQ(selected(), "0");

  view.click(line1 + 10 + 3 * 15 + 2);                // the space after the last byte of the line
  EXPECT_EQ(view.selectionStart(), line1 + 60 + 10);  // first digit of the next line
  view.click(line1 + 11);
  EXPECT_EQ(view.selectionStart(), line1 + 11);  // a second digit stays selected

  view.click(view.text().size() + 5);
  EXPECT_EQ(view.selectionStart(), view.text().size());
  EXPECT_EQ(view.selectionLength(), 0U);
}

TEST_F(HexViewTest, FirstEditAsksOnceAndOvertypesTheImage) {
  loadRange(0x0000, 0x07FF);
  image.set(0x13, 0x3F);
  view.scrollView();
  const std::size_t secondDigit = 4 + 60 + 10 + 3 * 3 + 1;  // line 0x10, column 3
  view.click(secondDigit);

  host.answers = {MessageAnswer::No};
  view.typeKey('a');
  EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(HexView::kEditQuestion)});
  EXPECT_EQ(image.at(0x13), 0x3F);
  EXPECT_FALSE(view.editConfirmed());

  host.answers = {MessageAnswer::Yes};
  view.typeKey('a');
  EXPECT_TRUE(view.editConfirmed());
  EXPECT_EQ(image.at(0x13), 0x3A);
  EXPECT_EQ(view.text().substr(secondDigit - 1, 2), "3A");
  EXPECT_EQ(view.selectionStart(), secondDigit + 2);  // first digit of the next byte

  view.typeKey('c');  // no second question
  EXPECT_EQ(host.boxes.size(), 2U);
  EXPECT_EQ(image.at(0x14), 0xC4);
  EXPECT_EQ(view.selectionStart(), secondDigit + 3);
}

TEST_F(HexViewTest, EditingWithoutAFileAsksToOpenOneAndChangesNothing) {
  view.reset();
  view.click(4 + 10);
  host.answers = {MessageAnswer::Yes};
  view.typeKey('7');
  ASSERT_EQ(host.boxes.size(), 2U);
  EXPECT_EQ(host.boxes[1], HexView::kOpenFileFirst);
  EXPECT_FALSE(view.editConfirmed());
  EXPECT_EQ(image.at(0), 0x00);
  EXPECT_EQ(view.text().substr(4, 13), " 000000   00 ");
}

TEST_F(HexViewTest, OtherKeysAndWideSelectionsChangeNothing) {
  loadRange(0x0000, 0x07FF);
  host.answers = {MessageAnswer::Yes};
  view.click(4 + 10);
  view.typeKey('g');
  view.typeKey(' ');
  EXPECT_TRUE(host.boxes.empty());

  view.setHighlightField(ImageBuffer::Field{0x01, 2});  // a two-byte selection
  view.scrollView();
  view.typeKey('5');
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(image.at(0x00), 0x00);
  EXPECT_EQ(image.at(0x01), 0x01);
}

}  // namespace
}  // namespace qrk
