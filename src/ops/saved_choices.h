#pragma once

#include <cstdint>
#include <optional>

#include "platform/settings_store.h"

namespace qrk {

// The choices of section "Settings" that a programmer loads on its own
// (the command line has no window to load them), stored as the window has
// always stored them.
namespace saved {
inline constexpr const char* kSection = "Settings";
inline constexpr const char* kModelPosition = "DeviceProducts";  // position in the model list
inline constexpr const char* kIspSpacePosition = "ISP_Space";    // position in the model's list
inline constexpr const char* kFillByte = "fillbyte";             // "FF" or "00"
}  // namespace saved

// A list position as stored: the decimal text of a 16-bit number, 0 when the
// key is absent; nullopt for any other text.
std::optional<int> savedPosition(const SettingsStore& store, const char* key);

std::uint8_t savedFillByte(const SettingsStore& store);
void saveFillByte(SettingsStore& store, std::uint8_t fillByte);

}  // namespace qrk
