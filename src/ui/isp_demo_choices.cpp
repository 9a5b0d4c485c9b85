#include "ui/isp_demo_choices.h"

#include <algorithm>

namespace qrk {

namespace {

template <std::size_t N>
int positionOf(const std::array<std::string_view, N>& entries, const std::string& text) {
  const auto it = std::find(entries.begin(), entries.end(), text);
  return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

}  // namespace

int IspDemoChoices::crystalIndex() const { return positionOf(kCrystalEntries, crystalText); }

int IspDemoChoices::baudIndex() const { return positionOf(kBaudEntries, baudText); }

IspDemoSettings toIspDemoSettings(const IspDemoChoices& c) {
  // A position outside its list names no pin: the builder refuses the empty
  // text with its message instead of building for a pin nobody chose.
  const auto entry = [](const auto& entries, int position) {
    const bool listed = position >= 0 && position < static_cast<int>(entries.size());
    return listed ? std::string(entries[static_cast<std::size_t>(position)]) : std::string();
  };
  IspDemoSettings s;
  s.crystalMhzText = c.crystalText;
  s.baudText = c.baudText;
  s.parity = c.parityYes;
  s.eraseDataFlash = c.eraseDataYes;
  s.watchdogPin = !c.noWatchdog;
  s.watchdogPortText = entry(IspDemoChoices::kPortEntries, c.watchdogPort);
  s.watchdogBitText = entry(IspDemoChoices::kBitEntries, c.watchdogBit);
  s.rs485Pin = !c.no485Pin;
  s.rs485PortText = entry(IspDemoChoices::kPortEntries, c.rs485Port);
  s.rs485BitText = entry(IspDemoChoices::kBitEntries, c.rs485Bit);
  s.rs485HighReceives = c.rs485Logic == 1;
  return s;
}

}  // namespace qrk
