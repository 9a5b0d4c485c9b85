#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "ispdemo/isp_demo_settings.h"
#include "ispdemo/isp_demo_template.h"
#include "platform/host.h"

namespace qrk {

// The refusals the page has always shown, word for word.
inline constexpr const char* kDemoPinConflictText =
    "喂外部看门狗和485收发控制不能用同一个 I/O 口。";
inline constexpr const char* kDemoWatchdogPinText = "喂外部看门狗 I/O 口地址不正确。";
inline constexpr const char* kDemo485PortText = "485收发控制 I/O 口地址不正确。";
inline constexpr const char* kDemo485BitText = "485收发控制: I/O 口地址不正确。";
inline constexpr const char* kDemoModelText = "MCU 型号不正确。";

// The firmware patched for one model and one page of settings, and where it
// goes; or, when the settings cannot be built, the reason and no bytes.
struct IspDemoBuild {
  std::optional<IspDemoBytes> bytes;
  std::int32_t base = 0;  // topAddress - 1023: the model's top kilobyte
  std::string refusal;
};

// Patches a copy of the template. Every setting is checked before any byte is
// patched, and a value that does not fit its byte (a divisor beyond the reload
// bytes, a red baud rate, delay counts above 255 for very fast crystals) is
// refused rather than cut.
IspDemoBuild patchIspDemo(const SelectedModel& model, const IspDemoSettings& settings);

// Builds the firmware into the image's top kilobyte and marks the image as
// holding it. On refusal the message box tells why, false is returned and the
// image is exactly as it was: a half-patched kilobyte must never be programmed.
bool buildIspDemo(ImageBuffer& image, const SelectedModel& model, const IspDemoSettings& settings,
                  Host& host);

// The code the DEMO reports for a model name, nullopt for a model without one.
std::optional<std::uint16_t> modelDemoCode(std::string_view modelName);

// The clock band of a crystal (MHz): 1, 2, 3, 4, 5, 7, 8, 9 or 12.
int clockBand(double mhz);

// The value for the IAP control register: enable bit plus a wait time that
// grows as the clock (rounded to whole MHz) gets slower.
std::uint8_t iapControlValue(double mhz);

}  // namespace qrk
