#include "image/auto_increment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/box_recorder.h"

namespace qrk {
namespace {

using test::BoxRecorder;

class AutoIncrementTest : public ::testing::Test {
 protected:
  AutoIncrementTest() {
    selectModel(model, "QRK3-32F");  // kind 1: the field may not lie above apLast 0x7FFF
    image.fill(0xFF);
    image.fileLoaded = true;
    image.fileStart = 0x0000;
    image.fileEnd = 0x0FFF;
    image.rangeLow = 0;
    image.rangeHigh = 0x0FFF;
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
  std::vector<std::uint8_t> bytes(std::int32_t first, std::int32_t count) const {
    return {image.bytes().begin() + first, image.bytes().begin() + first + count};
  }
  std::string saved(const std::string& key) const {
    return settings.value("Auto_Increase", key, "<missing>");
  }

  SelectedModel model;
  ImageBuffer image;
  MemorySettingsStore settings;
  BoxRecorder host;
  HexView view{image, host};
  AutoIncrement serial{image, model, settings, host, &view};
};

TEST_F(AutoIncrementTest, EachFormatStampsTheNumberMostSignificantByteFirst) {
  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex));
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x03, 0xE8}));
  EXPECT_EQ(serial.inputs().nextValue, "001000");

  ASSERT_TRUE(arm("0102", "3", "12345", SerialFormat::Decimal));
  EXPECT_EQ(serial.inputs().nextValue, "012345");
  EXPECT_EQ(bytes(0x0100, 3), (std::vector<std::uint8_t>{0x01, 0x23, 0x45}));

  ASSERT_TRUE(arm("0203", "4", " 7 ", SerialFormat::Ascii));
  EXPECT_EQ(serial.inputs().nextValue, "0007");
  EXPECT_EQ(bytes(0x0200, 4), (std::vector<std::uint8_t>{0x30, 0x30, 0x30, 0x37}));

  // Wide BCD fields hold more digits than any machine integer.
  ASSERT_TRUE(arm("0313", "20", "1234567890123456789012345", SerialFormat::Decimal));
  EXPECT_EQ(bytes(0x0300, 3), (std::vector<std::uint8_t>{0x00, 0x00, 0x00}));
  EXPECT_EQ(bytes(0x0311, 3), (std::vector<std::uint8_t>{0x01, 0x23, 0x45}));
  EXPECT_TRUE(host.boxes.empty());
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
  EXPECT_EQ(image.rangeLow, 0);
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

  ASSERT_TRUE(arm("0002", "3", "5", SerialFormat::Decimal));
  EXPECT_EQ(image.rangeLow, 0);
  EXPECT_EQ(bytes(0, 3), (std::vector<std::uint8_t>{0x00, 0x00, 0x05}));
}

TEST_F(AutoIncrementTest, FieldMustLieInTheWritableArea) {
  EXPECT_FALSE(arm("8000", "1", "1", SerialFormat::Decimal));
  EXPECT_FALSE(arm("0001", "3", "1", SerialFormat::Decimal));
  EXPECT_FALSE(arm("10007FFF", "1", "1", SerialFormat::Decimal));  // never cut to 7FFF
  EXPECT_EQ(host.boxes, (std::vector<std::string>{std::string(AutoIncrement::kAddressTooBig),
                                                  std::string(AutoIncrement::kAddressTooSmall),
                                                  std::string(AutoIncrement::kAddressTooBig)}));
  // Kind 2: above the AP area, up to the top of the model's space.
  selectModel(model, "QRK5-04A");
  EXPECT_TRUE(arm("3BFF", "2", "1", SerialFormat::Decimal));
  EXPECT_FALSE(arm("3C00", "2", "1", SerialFormat::Decimal));
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
      {"100", "5", "1", SerialFormat::Hex, "1", AutoIncrement::kHexTooWide},
      {"100", "4", "2147483648", SerialFormat::Hex, "1", AutoIncrement::kHexValueTooBig},
      {"100", "1", "256", SerialFormat::Hex, "1", AutoIncrement::kValueTooLarge},
      {"100", "1", "123", SerialFormat::Decimal, "1", AutoIncrement::kValueTooLarge},
      {"100", "2", "12a", SerialFormat::Decimal, "1", AutoIncrement::kNextNotDecimal},
      {"100", "2", "-1", SerialFormat::Ascii, "1", AutoIncrement::kNextNotDecimal},
      {"100", "0", "1", SerialFormat::Decimal, "1", AutoIncrement::kLengthInvalid},
      {"100", "x", "1", SerialFormat::Decimal, "1", AutoIncrement::kLengthInvalid},
      {"1G0", "2", "1", SerialFormat::Decimal, "1", AutoIncrement::kAddressNotHex},
      {"100", "2", "1", SerialFormat::Decimal, "1.5", AutoIncrement::kIncrementInvalid},
  };
  for (const auto& c : cases) {
    host.boxes.clear();
    EXPECT_FALSE(arm(c.address, c.length, c.next, c.format, c.increment)) << c.next;
    EXPECT_FALSE(serial.armed());
    EXPECT_FALSE(serial.armedField());
    EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(c.message)}) << c.next;
    EXPECT_EQ(serial.inputs().nextValue, c.next);  // a refused tick normalises nothing
    EXPECT_EQ(bytes(0xF8, 16), std::vector<std::uint8_t>(16, 0xFF));
  }
  EXPECT_FALSE(settings.contains("Auto_Increase", "next_value"));
  EXPECT_TRUE(serial.ticked());  // the user unticks to correct the inputs
}

TEST_F(AutoIncrementTest, AdvanceCountsStampsAndSaves) {
  ASSERT_TRUE(arm("1FFF", "2", "0999", SerialFormat::Decimal));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "1000");
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x10, 0x00}));
  EXPECT_EQ(saved("next_value"), "1000");
  EXPECT_TRUE(serial.armed());

  ASSERT_TRUE(arm("1FFF", "2", "1000", SerialFormat::Hex, "-24"));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "000976");
  EXPECT_EQ(bytes(0x1FFE, 2), (std::vector<std::uint8_t>{0x03, 0xD0}));

  ASSERT_TRUE(arm("1FFF", "3", "99", SerialFormat::Ascii, "+12"));
  ASSERT_TRUE(serial.advance());
  EXPECT_EQ(bytes(0x1FFD, 3), (std::vector<std::uint8_t>{'1', '1', '1'}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(AutoIncrementTest, AdvanceDoesNothingUnlessTickedAndArmed) {
  ASSERT_TRUE(arm("1FFF", "1", "05", SerialFormat::Decimal));
  serial.setIncrementText("2");  // an edit disarms
  EXPECT_TRUE(serial.advance());
  EXPECT_EQ(serial.inputs().nextValue, "05");
  ASSERT_TRUE(serial.onToggle(true));
  ASSERT_TRUE(serial.onToggle(false));
  EXPECT_TRUE(serial.advance());
  EXPECT_EQ(image.at(0x1FFF), 0x05);
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
      {"1", "255", SerialFormat::Hex, "1", "256"},
      {"4", "2147483647", SerialFormat::Hex, "1", "2147483648"},
      {"2", "95", SerialFormat::Ascii, "10", "105"},
      {"2", "03", SerialFormat::Decimal, "-4", "-1"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(arm("1FFF", c.length, c.next, c.format, c.increment)) << c.next;
    const auto before = bytes(0x1FF0, 16);
    host.boxes.clear();
    EXPECT_FALSE(serial.advance()) << c.next;
    EXPECT_EQ(host.boxes, std::vector<std::string>{std::string(AutoIncrement::kAdvanceOverflow)});
    EXPECT_FALSE(serial.armed());
    EXPECT_EQ(serial.inputs().nextValue, c.kept);
    EXPECT_EQ(saved("next_value"), c.kept);
    EXPECT_EQ(bytes(0x1FF0, 16), before);
    EXPECT_FALSE(serial.rearm()) << c.next;
    EXPECT_FALSE(serial.armed());
  }
}

TEST_F(AutoIncrementTest, SettingsLoadWithDefaultsAndAnyUnknownFormatIsHex) {
  serial.load();
  EXPECT_EQ(serial.inputs().address, "FFFF");
  EXPECT_EQ(serial.inputs().length, "8");
  EXPECT_EQ(serial.inputs().nextValue, "0000");
  EXPECT_EQ(serial.inputs().increment, "1");
  EXPECT_EQ(serial.inputs().format, SerialFormat::Decimal);

  settings.setValue("Auto_Increase", "numeral_system", "2");
  settings.setValue("Auto_Increase", "next_value", "0815");
  serial.load();
  EXPECT_EQ(serial.inputs().format, SerialFormat::Ascii);
  EXPECT_EQ(serial.inputs().nextValue, "0815");
  for (const char* stored : {"3", "-1", "x", ""}) {
    settings.setValue("Auto_Increase", "numeral_system", stored);
    serial.load();
    EXPECT_EQ(serial.inputs().format, SerialFormat::Hex) << stored;
  }
}

TEST_F(AutoIncrementTest, CountSurvivesARestart) {
  ASSERT_TRUE(arm("0FFF", "2", "41", SerialFormat::Ascii));
  ASSERT_TRUE(serial.advance());
  AutoIncrement restarted(image, model, settings, host, nullptr);
  restarted.load();
  EXPECT_FALSE(restarted.ticked());
  EXPECT_EQ(restarted.inputs().nextValue, "42");
  EXPECT_EQ(restarted.inputs().format, SerialFormat::Ascii);
  EXPECT_EQ(restarted.inputs().address, "0FFF");
}

// A reload before a run replaces the image and unticks the feature; re-arming
// stamps the same next number into the new image.
TEST_F(AutoIncrementTest, RearmAfterAReloadStampsTheNewImage) {
  ASSERT_TRUE(arm("0FFF", "2", "1234", SerialFormat::Decimal));
  const bool wasTicked = serial.ticked();
  serial.disarm();
  image.fill(0xFF);
  serial.onToggle(false);
  EXPECT_EQ(image.at(0x0FFF), 0xFF);

  ASSERT_TRUE(wasTicked);
  ASSERT_TRUE(serial.rearm());
  EXPECT_EQ(bytes(0x0FFE, 2), (std::vector<std::uint8_t>{0x12, 0x34}));
  EXPECT_TRUE(serial.armed());
}

TEST_F(AutoIncrementTest, EncodingPadsButNeverCutsSignificantDigits) {
  EXPECT_EQ(encodeSerial("0023", 1, SerialFormat::Decimal).digits, "23");
  EXPECT_EQ(encodeSerial("", 2, SerialFormat::Ascii).digits, "00");
  EXPECT_EQ(encodeSerial("16777215", 3, SerialFormat::Hex).bytes,
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encodeSerial("16777215", 3, SerialFormat::Hex).digits, "16777215");
  EXPECT_EQ(encodeSerial("16777216", 3, SerialFormat::Hex).refusal, AutoIncrement::kValueTooLarge);
  EXPECT_EQ(encodeSerial("0000000000000000001", 1, SerialFormat::Hex).digits, "001");
}

}  // namespace
}  // namespace qrk
