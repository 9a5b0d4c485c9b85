#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "image/auto_increment.h"
#include "image/hex_view.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

class SerialFieldAndView : public ::testing::Test {
 protected:
  SerialFieldAndView() {
    selectModel(model, "QRK3-32F");  // kind 1: the field may not lie above apLast 0x7FFF
    image.fill(0xFF);
    image.fileLoaded = true;
  }

  // The inputs as the user types them, then a tick.
  bool arm(const std::string& address, const std::string& length, const std::string& next,
           SerialFormat format, const std::string& increment = "1") {
    serial.setAddressText(address);
    serial.setLengthText(length);
    serial.setNextValueText(next);
    serial.setIncrementText(increment);
    serial.setFormat(format);
    return serial.onToggle(true);
  }
  void show(std::int32_t rangeLow, std::int32_t rangeHigh) {
    for (int a = 0; a < ImageBuffer::kSize; ++a) image.set(a, static_cast<std::uint8_t>(a));
    image.rangeLow = rangeLow;
    image.rangeHigh = rangeHigh;
    view.fitToRange();
  }
  std::string savedNext() const { return settings.value("Auto_Increase", "next_value", ""); }

  SelectedModel model;
  ImageBuffer image;
  MemorySettingsStore settings;
  BoxHost host;
  HexView view{image, host};
  AutoIncrement serial{image, model, settings, host, &view};
};

TEST_F(SerialFieldAndView, SerialArmingStampsEachFormatSavesAndHighlights) {
  // The field starts at A - N + 1: a field at address 0 keeps the range at 0, never -1.
  image.rangeLow = image.fileStart = 0x0100;
  ASSERT_TRUE(arm("0", "1", "5", SerialFormat::Decimal));
  EXPECT_EQ(std::tuple(image.rangeLow, image.at(0)), std::tuple(0, 0x05));

  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex));
  EXPECT_EQ(std::tuple(bytesAt(image, 0x1FFE, 2), serial.inputs().nextValue),
            std::tuple(Bytes{0x03, 0xE8}, "001000"));
  ASSERT_TRUE(arm("0203", "4", " 7 ", SerialFormat::Ascii));
  EXPECT_EQ(bytesAt(image, 0x0200, 4), (Bytes{0x30, 0x30, 0x30, 0x37}));
  // Wide BCD fields hold more digits than any machine integer.
  ASSERT_TRUE(arm("0313", "20", "1234567890123456789012345", SerialFormat::Decimal));
  EXPECT_EQ(bytesAt(image, 0x0300, 3), (Bytes{0x00, 0x00, 0x00}));
  EXPECT_EQ(bytesAt(image, 0x0311, 3), (Bytes{0x01, 0x23, 0x45}));

  ASSERT_TRUE(arm("7FFF", "4", "42", SerialFormat::Decimal));
  EXPECT_EQ(std::tuple(savedNext(), image.rangeHigh, view.scrollBar().value),
            std::tuple("00000042", 0x7FFF, 0x7FFF / 16 - 3));
  EXPECT_EQ(view.text().substr(view.selectionStart(), view.selectionLength()), "00 00 00 42");
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(SerialFieldAndView, SerialFieldsThatCannotBeWrittenAreRefusedWhenArmed) {
  using Refusal = std::tuple<const char*, const char*, const char*, SerialFormat, std::string_view>;
  const Refusal cases[] = {
      {"8000", "1", "1", SerialFormat::Decimal, AutoIncrement::kAddressTooBig},
      {"10007FFF", "1", "1", SerialFormat::Decimal, AutoIncrement::kAddressTooBig},
      {"0001", "3", "1", SerialFormat::Decimal, AutoIncrement::kAddressTooSmall},
      {"100", "5", "1", SerialFormat::Hex, AutoIncrement::kHexTooWide},
      {"100", "4", "2147483648", SerialFormat::Hex, AutoIncrement::kHexValueTooBig},
      {"100", "1", "256", SerialFormat::Hex, AutoIncrement::kValueTooLarge},
      {"100", "2", "12a", SerialFormat::Decimal, AutoIncrement::kNextNotDecimal},
      {"100", "0", "1", SerialFormat::Decimal, AutoIncrement::kLengthInvalid},
      {"1G0", "2", "1", SerialFormat::Decimal, AutoIncrement::kAddressNotHex},
  };
  for (const auto& [address, length, next, format, message] : cases) {
    host.boxes.clear();
    EXPECT_FALSE(arm(address, length, next, format)) << address << " " << next;
    EXPECT_FALSE(serial.armed() || serial.armedField());
    EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(message)}) << address;
    EXPECT_EQ(serial.inputs().nextValue, next);  // a refused tick normalises nothing
    EXPECT_EQ(bytesAt(image, 0xF8, 16), Bytes(16, 0xFF));
  }
  EXPECT_FALSE(arm("100", "2", "1", SerialFormat::Decimal, "1.5"));
  EXPECT_EQ(host.boxes.back(), AutoIncrement::kIncrementInvalid);
  EXPECT_FALSE(settings.contains("Auto_Increase", "next_value"));
  EXPECT_TRUE(serial.ticked());  // the user unticks to correct the inputs
}

// A number that outgrows its field is never cut to a used one: the advance
// fails, the field is disarmed and no later tick can stamp it again.
TEST_F(SerialFieldAndView, SerialAdvanceCountsStampsAndSavesButNeverOverflows) {
  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex, "-24"));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(std::tuple(serial.inputs().nextValue, bytesAt(image, 0x1FFE, 2), savedNext()),
            std::tuple("000976", Bytes{0x03, 0xD0}, "000976"));

  serial.setIncrementText("2");  // an edit disarms
  EXPECT_TRUE(serial.advance());
  ASSERT_TRUE(serial.onToggle(true));
  ASSERT_TRUE(serial.onToggle(false));
  EXPECT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "000976");

  const std::tuple<const char*, const char*, SerialFormat, const char*, const char*> cases[] = {
      {"1", "99", SerialFormat::Decimal, "1", "100"},
      {"4", "2147483647", SerialFormat::Hex, "1", "2147483648"},
      {"2", "95", SerialFormat::Ascii, "10", "105"},
      {"2", "03", SerialFormat::Decimal, "-4", "-1"},
  };
  for (const auto& [length, next, format, increment, kept] : cases) {
    ASSERT_TRUE(arm("1FFF", length, next, format, increment)) << next;
    const Bytes before = bytesAt(image, 0x1FF0, 16);
    host.boxes.clear();
    EXPECT_FALSE(serial.advance()) << next;
    EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(AutoIncrement::kAdvanceOverflow)});
    EXPECT_EQ(std::tuple(serial.inputs().nextValue, savedNext(), bytesAt(image, 0x1FF0, 16)),
              std::tuple(kept, kept, before));
    EXPECT_FALSE(serial.rearm() || serial.armed()) << next;
  }
}

TEST_F(SerialFieldAndView, ViewDumpsSixteenBytesALineFromRangeLowAsFarAsTheBoxHolds) {
  show(0x0005, 0x0024);
  EXPECT_EQ(view.text(),
            "\r\n\r\n"
            " 000000   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n"
            " 000010   10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F \r\n"
            " 000020   20 21 22 23 24 \r\n");
  EXPECT_EQ(view.storeLengthText(), "25");
  show(0x0105, 0xFFFF);  // a full 64 KB, as the store box takes it
  EXPECT_EQ(view.storeLengthText(), "10000");
  EXPECT_EQ(std::count(view.text().begin(), view.text().end(), '\n'), 2 + 62);
}

// Asking once and overtyping digit by digit is driven through the window's
// dump; here, what no click there reaches.
TEST_F(SerialFieldAndView, ViewLeavesAWideSelectionUnedited) {
  show(0x0000, 0x07FF);
  host.answers = {MessageAnswer::Yes};
  view.setHighlightField(ImageBuffer::Field{0x21, 4});  // the serial field, over a line break
  view.scrollView();
  EXPECT_EQ(view.text().substr(view.selectionStart(), view.selectionLength()),
            "1E 1F \r\n 000020   20 21");
  view.typeKey('5');  // a wide selection is not edited
  EXPECT_EQ(image.at(0x1E), 0x1E);
}

}  // namespace
}  // namespace qrk
