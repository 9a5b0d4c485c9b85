#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/mcu_model.h"
#include "image/hex_view.h"
#include "image/image_buffer.h"
#include "platform/host.h"
#include "platform/settings_store.h"

namespace qrk {

// How the serial number is laid into its field, most significant byte first.
enum class SerialFormat { Hex = 0, Decimal = 1, Ascii = 2 };

// The inputs of the auto-increment page as the user typed them
// (address, length, next value, increment and format), with their defaults.
struct AutoIncrementInputs {
  std::string address = "FFFF";  // hex: address of the field's low-order (last) byte
  std::string length = "8";      // decimal: width of the field in bytes
  std::string nextValue = "0000";
  std::string increment = "1";
  SerialFormat format = SerialFormat::Decimal;
};

// A next value ready to be stamped: the text normalised to the field's digit
// width and the field's bytes in address order; or why it cannot be.
struct SerialEncoding {
  std::string refusal;
  std::string digits;
  std::vector<std::uint8_t> bytes;
  bool ok() const { return refusal.empty(); }
};

// Checks `nextValue` against a field of `length` bytes in `format`. A value is
// never cut to fit: one with more significant digits than the field holds is refused.
SerialEncoding encodeSerial(std::string_view nextValue, std::int64_t length, SerialFormat format);

// The serial number stamped into the image for the next chip. Ticking the
// feature checks the inputs and arms the field (address A, width N, bytes
// A - N + 1 .. A); every successful option write advances the number, stamps
// it again and saves it, so the count survives a restart.
class AutoIncrement {
 public:
  static constexpr std::string_view kSection = "Auto_Increase";

  static constexpr std::string_view kAddressTooBig = "自动增量低位地址太大";
  static constexpr std::string_view kAddressTooSmall = "自动增量低位地址太小或字节数太长";
  static constexpr std::string_view kNextNotDecimal = " '下一个值' 应输入10进制数";
  static constexpr std::string_view kHexTooWide = "选择 16进制时，字节数必须小于或等于 4。";
  static constexpr std::string_view kHexValueTooBig =
      "选择 16进制时，“下一值”必须小于 2147483648。";
  static constexpr std::string_view kAddressNotHex = " '存放地址' 应输入16进制数";
  static constexpr std::string_view kLengthInvalid = " '字节数' 应输入大于 0 的10进制数";
  static constexpr std::string_view kIncrementInvalid = " '增量' 应输入10进制整数";
  static constexpr std::string_view kValueTooLarge = " '下一个值' 超出了字节数能存放的范围";
  static constexpr std::string_view kAdvanceOverflow =
      "下一个序列号超出了字节数能存放的范围，自动增量已停止";

  // `view` may be null where nothing is shown (the command line).
  AutoIncrement(ImageBuffer& image, const SelectedModel& model, SettingsStore& settings, Host& host,
                HexView* view = nullptr);

  // The five keys of section "Auto_Increase"; a format outside 0 .. 2 reads as hex.
  void load();
  void save() const;

  // The hex view that shows the field; a window attaches its view once it
  // stands (null detaches it).
  void attachView(HexView* view) { view_ = view; }

  const AutoIncrementInputs& inputs() const { return inputs_; }
  // Each edit disarms the field: the stamped bytes no longer match the inputs.
  void setAddressText(std::string text);
  void setLengthText(std::string text);
  void setNextValueText(std::string text);
  void setIncrementText(std::string text);
  void setFormat(SerialFormat format);

  // The serial-number check box. Ticking checks the inputs; when they pass,
  // the settings are saved, the number is stamped, the range of interest grows
  // to the field and the view scrolls to it. False (after a message box) when
  // ticking could not arm; the box stays ticked until the user unticks it.
  bool onToggle(bool ticked);
  // Validates the inputs, normalises the next value to its digit width and arms
  // the field. Every refusal is shown in a message box and leaves it disarmed.
  bool check();
  // Stamps the next value into the armed field; false when not armed.
  bool write();
  // After a successful option write: next value += increment, stamped, shown and
  // saved. A number that no longer fits its field is never cut to a duplicate:
  // the sum is kept in the inputs (so re-arming refuses it), the field is
  // disarmed and the result is false, so the run fails. True without effect
  // when the feature is not ticked and armed.
  bool advance();
  void disarm();
  // Ticks and arms again. A reload before a run replaces the image and unticks
  // the feature: a caller that saw it ticked() before the reload calls this
  // after it, so the chip still gets its number.
  bool rearm() { return onToggle(true); }

  bool ticked() const { return ticked_; }
  bool armed() const { return armed_; }
  // The field while armed, for ImageBuffer::mergeRange.
  std::optional<ImageBuffer::Field> armedField() const;

 private:
  bool refuse(std::string_view message);
  void showField();

  ImageBuffer& image_;
  const SelectedModel& model_;
  SettingsStore& settings_;
  Host& host_;
  HexView* view_;
  AutoIncrementInputs inputs_;
  bool ticked_ = false;
  bool armed_ = false;
  ImageBuffer::Field field_{0, 0};
};

}  // namespace qrk
