#include "image/auto_increment.h"

#include <gtest/gtest.h>

#include "image_fixtures.h"

namespace qrk {
namespace {

using imagetest::bytesAt;

class AutoIncrementTest : public ::testing::Test {
 protected:
  AutoIncrementTest() {
    selectModel(model, "QRK3-32F");  // kind 1: the field may not lie above apLast 0x7FFF
    image.fill(0xFF);
    image.fileLoaded = true;
    image.fileStart = 0x0000;
    image.fileEnd = image.rangeHigh = 0x0FFF;
    image.rangeLow = 0;
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
  std::vector<std::uint8_t> bytes(std::int32_t first, int count) const {
    return bytesAt(image, first, count);
  }
  std::string saved(const std::string& key) const {
    return settings.value("Auto_Increase", key, "<missing>");
  }

  SelectedModel model;
  ImageBuffer image;
  MemorySettingsStore settings;
  imagetest::BoxHost host;
  HexView view{image, host};
  AutoIncrement serial{image, model, settings, host, &view};
};

TEST_F(AutoIncrementTest, EachFormatStampsTheNumberMostSignificantByteFirst) {
  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex));
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x03, 0xE8}));
  EXPECT_EQ(serial.inputs().nextValue, "001000");

  ASSERT_TRUE(arm("0203", "4", " 7 ", SerialFormat::Ascii));
  EXPECT_EQ(serial.inputs().nextValue, "0007");
  EXPECT_EQ(bytes(0x0200, 4), (std::vector<std::uint8_t>{0x30, 0x30, 0x30, 0x37}));

  // Wide BCD fields hold more digits than any machine integer.
  ASSERT_TRUE(arm("0313", "20", "1234567890123456789012345", SerialFormat::Decimal));
  EXPECT_EQ(bytes(0x0300, 3), (std::vector<std::uint8_t>{0x00, 0x00, 0x00}));
  EXPECT_EQ(bytes(0x0311, 3), (std::vector<std::uint8_t>{0x01, 0x23, 0x45}));
  EXPECT_TRUE(host.texts.empty());
}

TEST_F(AutoIncrementTest, ArmingSavesGrowsTheRangeAndHighlightsTheField) {
  ASSERT_TRUE(arm("7FFF", "4", "42", SerialFormat::Decimal));
  EXPECT_TRUE(serial.armed());
  EXPECT_EQ(saved("address"), "7FFF");
  EXPECT_EQ(saved("Length"), "4");
  EXPECT_EQ(saved("next_value"), "00000042");
  EXPECT_EQ(saved("Increase"), "1");
  EXPECT_EQ(saved("numeral_system"), "1");
  EXPECT_EQ(image.rangeHigh, 0x7FFF);
  // The view was scrolled to three lines above the field, which is selected.
  EXPECT_EQ(view.scrollBar().value, 0x7FFF / 16 - 3);
  EXPECT_EQ(view.text().substr(view.selectionStart(), view.selectionLength()), "00 00 00 42");
}

// The field starts at A - N + 1: a field at address 0 keeps the range at 0, never -1.
TEST_F(AutoIncrementTest, FieldAtAddressZeroStartsTheRangeAtZero) {
  image.rangeLow = image.fileStart = 0x0100;
  ASSERT_TRUE(arm("0", "1", "5", SerialFormat::Decimal));
  EXPECT_EQ(image.rangeLow, 0);
  EXPECT_EQ(image.at(0), 0x05);
  image.mergeRange(serial.armedField());
  EXPECT_EQ(image.rangeLow, 0);
}

TEST_F(AutoIncrementTest, FieldsThatCannotBeWrittenAreRefusedWhenArmedAndKeepTheImage) {
  struct Case {
    const char* address;
    const char* length;
    const char* next;
    SerialFormat format;
    const char* increment;
    std::string_view message;
  };
  const Case cases[] = {
      {"8000", "1", "1", SerialFormat::Decimal, "1", AutoIncrement::kAddressTooBig},
      {"10007FFF", "1", "1", SerialFormat::Decimal, "1", AutoIncrement::kAddressTooBig},
      {"0001", "3", "1", SerialFormat::Decimal, "1", AutoIncrement::kAddressTooSmall},
      {"100", "5", "1", SerialFormat::Hex, "1", AutoIncrement::kHexTooWide},
      {"100", "4", "2147483648", SerialFormat::Hex, "1", AutoIncrement::kHexValueTooBig},
      {"100", "1", "256", SerialFormat::Hex, "1", AutoIncrement::kValueTooLarge},
      {"100", "1", "123", SerialFormat::Decimal, "1", AutoIncrement::kValueTooLarge},
      {"100", "2", "12a", SerialFormat::Decimal, "1", AutoIncrement::kNextNotDecimal},
      {"100", "2", "-1", SerialFormat::Ascii, "1", AutoIncrement::kNextNotDecimal},
      {"100", "0", "1", SerialFormat::Decimal, "1", AutoIncrement::kLengthInvalid},
      {"1G0", "2", "1", SerialFormat::Decimal, "1", AutoIncrement::kAddressNotHex},
      {"100", "2", "1", SerialFormat::Decimal, "1.5", AutoIncrement::kIncrementInvalid},
  };
  for (const auto& c : cases) {
    host.texts.clear();
    EXPECT_FALSE(arm(c.address, c.length, c.next, c.format, c.increment)) << c.next;
    EXPECT_FALSE(serial.armed());
    EXPECT_FALSE(serial.armedField());
    EXPECT_EQ(host.texts, std::vector<std::string>{std::string(c.message)}) << c.address;
    EXPECT_EQ(serial.inputs().nextValue, c.next);  // a refused tick normalises nothing
    EXPECT_EQ(bytes(0xF8, 16), std::vector<std::uint8_t>(16, 0xFF));
  }
  EXPECT_FALSE(settings.contains("Auto_Increase", "next_value"));
  EXPECT_TRUE(serial.ticked());  // the user unticks to correct the inputs
  // Kind 2: above the AP area, up to the top of the model's space.
  selectModel(model, "QRK5-04A");
  EXPECT_TRUE(arm("3BFF", "2", "1", SerialFormat::Decimal));
  EXPECT_FALSE(arm("3C00", "2", "1", SerialFormat::Decimal));
}

TEST_F(AutoIncrementTest, AdvanceCountsStampsAndSavesOnlyWhileArmed) {
  ASSERT_TRUE(arm("1FFF", "2", "0999", SerialFormat::Decimal));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "1000");
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x10, 0x00}));
  EXPECT_EQ(saved("next_value"), "1000");

  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex, "-24"));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "000976");
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x03, 0xD0}));
  EXPECT_TRUE(host.texts.empty());

  serial.setIncrementText("2");  // an edit disarms
  EXPECT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "000976");
  ASSERT_TRUE(serial.onToggle(true));
  ASSERT_TRUE(serial.onToggle(false));
  EXPECT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "000976");
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x03, 0xD0}));
}

// A number that outgrows its field is never cut to a used one: the advance
// fails, the field is disarmed and no later tick can stamp it again.
TEST_F(AutoIncrementTest, OverflowRefusesToAdvanceAndStaysRefused) {
  struct Case {
    const char* length;
    const char* next;
    SerialFormat format;
    const char* increment;
    const char* kept;
  };
  const Case cases[] = {
      {"1", "99", SerialFormat::Decimal, "1", "100"},
      {"4", "2147483647", SerialFormat::Hex, "1", "2147483648"},
      {"2", "95", SerialFormat::Ascii, "10", "105"},
      {"2", "03", SerialFormat::Decimal, "-4", "-1"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(arm("1FFF", c.length, c.next, c.format, c.increment)) << c.next;
    const auto before = bytes(0x1FF0, 16);
    host.texts.clear();
    EXPECT_FALSE(serial.advance()) << c.next;
    EXPECT_EQ(host.texts, std::vector<std::string>{std::string(AutoIncrement::kAdvanceOverflow)});
    EXPECT_FALSE(serial.armed());
    EXPECT_EQ(serial.inputs().nextValue, c.kept);
    EXPECT_EQ(saved("next_value"), c.kept);
    EXPECT_EQ(bytes(0x1FF0, 16), before);
    EXPECT_FALSE(serial.rearm()) << c.next;
    EXPECT_FALSE(serial.armed());
  }
}

TEST_F(AutoIncrementTest, SettingsLoadWithDefaultsAndTheCountSurvivesARestart) {
  serial.load();
  EXPECT_EQ(serial.inputs().address, "FFFF");
  EXPECT_EQ(serial.inputs().length, "8");
  EXPECT_EQ(serial.inputs().nextValue, "0000");
  EXPECT_EQ(serial.inputs().format, SerialFormat::Decimal);

  ASSERT_TRUE(arm("0FFF", "2", "41", SerialFormat::Ascii));
  ASSERT_TRUE(serial.advance());
  AutoIncrement restarted(image, model, settings, host, nullptr);
  restarted.load();
  EXPECT_FALSE(restarted.ticked());
  EXPECT_EQ(restarted.inputs().nextValue, "42");
  EXPECT_EQ(restarted.inputs().format, SerialFormat::Ascii);
  settings.setValue("Auto_Increase", "numeral_system", "x");
  restarted.load();
  EXPECT_EQ(restarted.inputs().format, SerialFormat::Hex);
}

// A reload before a run replaces the image and unticks the field; re-arming stamps the same next
// number into the new image.
TEST_F(AutoIncrementTest, RearmAfterAReloadStampsTheNewImage) {
  ASSERT_TRUE(arm("0FFF", "2", "1234", SerialFormat::Decimal));
  serial.disarm();
  image.fill(0xFF);
  serial.onToggle(false);
  ASSERT_TRUE(serial.rearm());
  EXPECT_EQ(bytes(0x0FFE, 2), (std::vector<std::uint8_t>{0x12, 0x34}));
  EXPECT_TRUE(serial.armed());
}

}  // namespace
}  // namespace qrk
