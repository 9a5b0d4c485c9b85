#pragma once

#include <cstdint>
#include <string>

#include "platform/host.h"
#include "platform/settings_store.h"

namespace qrk {

// The count of successful Auto runs, kept under
// "Settings" / "Write_OK_Count". Its text is what the user sees and may type;
// it is read as a number (its leading digits) only when it grows.
class SuccessCounter {
 public:
  static constexpr const char* kSection = "Settings";
  static constexpr const char* kKey = "Write_OK_Count";
  static constexpr const char* kClearQuestion =
      " You want to clear the Auto Count(Y/N)? \r\n    您要把烧录成功计数清0吗(Y/N)? ";

  explicit SuccessCounter(SettingsStore& settings);

  void load();
  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  // The text read as a number: its leading decimal digits, 0 when there are none.
  std::uint64_t value() const;

  // One more successful run, stored at once so that a crash loses nothing.
  void increment();
  // The "Clear" button: asks first when there is something to clear; the text
  // is stored in every case. True when the counter was cleared.
  bool clear(Host& host);

 private:
  static std::uint64_t valueOf(const std::string& text);
  void store();

  SettingsStore& settings_;
  std::string text_ = "0";
  std::string storedText_ = "0";  // as last read from or written to the store
};

}  // namespace qrk
