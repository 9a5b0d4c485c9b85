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

}  // namespace qrk
