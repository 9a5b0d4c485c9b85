#include "ispdemo/isp_demo_builder.h"

#include <array>
#include <cmath>
#include <span>

#include "image/number_text.h"
#include "ispdemo/baud_calculator.h"

namespace qrk {

namespace {

// Offsets from the start of the kilobyte.
constexpr std::size_t kWaitCount = 0x040;
constexpr std::size_t kWatchdogFeed = 0x043;
constexpr std::size_t kReceiveSwitch = 0x046;
constexpr std::size_t kTransmitSwitch = 0x04F;
constexpr std::size_t kTransmitSwitchEnd = 0x05C;
constexpr std::size_t kParityFlags = 0x060;
constexpr std::size_t kIapControl = 0x063;
constexpr std::size_t kReloadHigh = 0x066;
constexpr std::size_t kReloadLow = 0x069;
constexpr std::size_t kEraseSectors = 0x06C;
constexpr std::size_t kCodeHigh = 0x06F;
constexpr std::size_t kCodeLow = 0x072;
constexpr std::size_t kTurnRoundDelay = 0x075;
constexpr std::size_t kClockBand = 0x077;

constexpr std::uint8_t kRet = 0x22;
constexpr std::uint8_t kSetb = 0xD2;
constexpr std::uint8_t kClr = 0xC2;

struct DemoCode {
  std::string_view model;
  std::uint16_t code;
};
constexpr std::array<DemoCode, 12> kDemoCodes = {{
    {"QRK3-04A", 0x0001},
    {"QRK3-08A", 0x0002},
    {"QRK3-12A", 0x0003},
    {"QRK3-16B", 0x0004},
    {"QRK3-32B", 0x0005},
    {"QRK3-64B", 0x0006},
    {"QRK5-04A", 0x4001},
    {"QRK5-08A", 0x4002},
    {"QRK5-12A", 0x4003},
    {"QRK5-16B", 0x4004},
    {"QRK5-32B", 0x4005},
    {"QRK5-64B", 0x4006},
}};

// "P0" .. "P4" as the port list holds them.
std::optional<int> portBase(std::string_view text) {
  constexpr std::array<std::pair<std::string_view, int>, 5> kPorts = {
      {{"P0", 0x80}, {"P1", 0x90}, {"P2", 0xA0}, {"P3", 0xB0}, {"P4", 0xE8}}};
  for (const auto& [name, base] : kPorts) {
    if (name == text) return base;
  }
  return std::nullopt;
}

// A whole bit number 0..7; the bit list is editable, so anything can arrive.
std::optional<int> bitNumber(std::string_view text) {
  const std::optional<std::int64_t> bit = parseDecimalText(text);
  if (!bit || *bit > 7) return std::nullopt;
  return static_cast<int>(*bit);
}

std::optional<int> pinAddress(std::string_view portText, std::string_view bitText) {
  const auto base = portBase(portText);
  const auto bit = bitNumber(bitText);
  if (!base || !bit) return std::nullopt;
  return *base + *bit;
}

IspDemoBuild refuse(std::string reason) {
  IspDemoBuild build;
  build.refusal = std::move(reason);
  return build;
}

void fill(IspDemoBytes& bytes, std::size_t first, std::size_t last, std::uint8_t value) {
  for (std::size_t i = first; i <= last; ++i) bytes[i] = value;
}

}  // namespace

std::optional<std::uint16_t> modelDemoCode(std::string_view modelName) {
  for (const DemoCode& entry : kDemoCodes) {
    if (entry.model == modelName) return entry.code;
  }
  return std::nullopt;
}

int clockBand(double mhz) {
  constexpr std::array<std::pair<double, int>, 8> kBands = {
      {{4, 1}, {6, 2}, {12, 3}, {18, 4}, {24, 5}, {30, 7}, {36, 8}, {42, 9}}};
  for (const auto& [upTo, band] : kBands) {
    if (mhz <= upTo) return band;
  }
  return 12;
}

std::uint8_t iapControlValue(double mhz) {
  const double m = std::nearbyint(mhz);
  if (m <= 5) return 0x83;
  if (m <= 10) return 0x82;
  if (m <= 20) return 0x81;
  return 0x80;
}

IspDemoBuild patchIspDemo(const SelectedModel& model, const IspDemoSettings& settings) {
  const double mhz = leadingDecimal(settings.crystalMhzText);
  if (!(mhz > 0.0)) return refuse("The crystal frequency must be a positive number of MHz.");

  const auto watchdog = pinAddress(settings.watchdogPortText, settings.watchdogBitText);
  const auto rs485 = pinAddress(settings.rs485PortText, settings.rs485BitText);
  if (settings.watchdogPin && settings.rs485Pin) {
    // Texts that differ can still name one pin ("1" and "01").
    const bool sameTexts = settings.watchdogPortText == settings.rs485PortText &&
                           settings.watchdogBitText == settings.rs485BitText;
    if (sameTexts || (watchdog && watchdog == rs485)) return refuse(kDemoPinConflictText);
  }
  if (settings.watchdogPin && !watchdog) return refuse(kDemoWatchdogPinText);
  if (settings.rs485Pin && !portBase(settings.rs485PortText)) return refuse(kDemo485PortText);
  if (settings.rs485Pin && !rs485) return refuse(kDemo485BitText);

  const BaudCalculation baud = computeIspBaud(settings.crystalMhzText, settings.baudText);
  if (!baud.divisor) return refuse(baud.refusal);
  if (!baud.usable()) {
    return refuse("The baud rate is " + baud.caption.substr(1) +
                  " off at this crystal, too far for the UART: choose a rate whose error is not "
                  "red ('qrkprog baud --freq MHZ' lists them).");
  }
  const auto code = modelDemoCode(model.name);
  if (!code) return refuse(kDemoModelText);

  // Judged before any conversion: a crystal typed as 1e30 MHz must not wrap
  // into a small count.
  const double waitCount = std::nearbyint(mhz * 2.5431 + 0.5);
  const double turnRound = std::nearbyint(mhz / 0.579);
  if (!(waitCount <= 255) || !(turnRound <= 255)) {
    return refuse(
        "The crystal is too fast for the ISP DEMO: its power-up wait or RS-485 delay would not "
        "fit one byte (crystals up to 100 MHz can be used).");
  }
  const bool wholeFlash = settings.eraseDataFlash || model.apUpToIsp;
  // Ties go to the even neighbour, as the page has always rounded.
  const double sectors =
      std::nearbyint((wholeFlash ? model.writableTop - 1024 : model.apLast) / 512.0);
  if (sectors < 0 || sectors > 255) return refuse(kDemoModelText);

  IspDemoBuild build;
  build.base = model.topAddress - static_cast<std::int32_t>(kIspDemoSize - 1);
  IspDemoBytes bytes = ispDemoTemplate();
  bytes[kParityFlags] = settings.parity ? 0xFF : 0xFE;
  bytes[kWaitCount] = static_cast<std::uint8_t>(waitCount);
  bytes[kEraseSectors] = static_cast<std::uint8_t>(sectors);
  if (settings.watchdogPin) {
    bytes[kWatchdogFeed + 1] = static_cast<std::uint8_t>(*watchdog);
  } else {
    bytes[kWatchdogFeed] = kRet;
    fill(bytes, kWatchdogFeed + 1, kWatchdogFeed + 2, 0x00);
  }
  if (settings.rs485Pin) {
    const auto pin = static_cast<std::uint8_t>(*rs485);
    for (std::size_t at : {0x047, 0x049, 0x052, 0x054}) bytes[at] = pin;
    if (settings.rs485HighReceives) {
      bytes[0x046] = bytes[0x048] = kSetb;
      bytes[0x051] = bytes[0x053] = kClr;
    }
  } else {
    bytes[kReceiveSwitch] = kRet;
    fill(bytes, kReceiveSwitch + 1, kTransmitSwitch - 1, 0x00);
    bytes[kTransmitSwitch] = kRet;
    fill(bytes, kTransmitSwitch + 1, kTransmitSwitchEnd, 0x00);
  }
  bytes[kIapControl] = iapControlValue(mhz);
  const int reload = 65536 - *baud.divisor;
  bytes[kReloadHigh] = static_cast<std::uint8_t>(reload / 256);
  bytes[kReloadLow] = static_cast<std::uint8_t>(reload % 256);
  bytes[kCodeHigh] = static_cast<std::uint8_t>(*code >> 8);
  bytes[kCodeLow] = static_cast<std::uint8_t>(*code & 0xFF);
  bytes[kTurnRoundDelay] = static_cast<std::uint8_t>(turnRound);
  bytes[kClockBand] = static_cast<std::uint8_t>(clockBand(mhz));
  build.bytes = bytes;
  return build;
}

bool buildIspDemo(ImageBuffer& image, const SelectedModel& model, const IspDemoSettings& settings,
                  Host& host) {
  const IspDemoBuild build = patchIspDemo(model, settings);
  if (!build.bytes) {
    host.messageBox(build.refusal, {}, MessageButtons::Ok);
    return false;
  }
  if (!image.store(build.base, std::span<const std::uint8_t>(*build.bytes))) {
    host.messageBox(kDemoModelText, {}, MessageButtons::Ok);
    return false;
  }
  image.holdsDemoImage = true;
  return true;
}

}  // namespace qrk
