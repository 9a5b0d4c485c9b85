#include "device/option_bytes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace qrk {

namespace {

constexpr std::string_view kBreak = "\r\n";

bool bit(std::uint8_t value, int index) { return ((value >> index) & 1) != 0; }

// "1.5 K": one decimal, as the pane and the labels show sizes.
std::string kilobytesText(double k) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.1f K", k);
  return text.data();
}

// The kind-1 ISP size code n = 16 - 2K (0..15; 15 also stands for 0 K). A
// size outside 0..8 K cannot be encoded, so it is held to the nearest code.
int kind1SizeCode(double k) {
  double n = std::nearbyint(16.0 - 2.0 * std::clamp(k, -1e6, 1e6));
  if (n == 16.0) n = 15.0;
  return static_cast<int>(std::clamp(n, 0.0, 15.0));
}

// The kind-2 ISP size code 3 - x for x = 0, 1, 2 and 4 K (4 counted as 3).
int kind2SizeCode(double k) {
  long long x = static_cast<long long>(std::nearbyint(std::clamp(k, -1e6, 1e6)));
  if (x == 4) x = 3;
  return static_cast<int>(((255 - x) % 4 + 4) % 4);
}

std::string kind1SizeText(std::uint8_t b1) {
  const int n = b1 >> 4;
  return n == 15 ? kilobytesText(0.0) : kilobytesText((16 - n) / 2.0);
}

// The label shows whole K only: half sizes go to the even neighbour.
std::string kind1SizeLabel(std::uint8_t b1) {
  const int n = b1 >> 4;
  return n == 15 ? kilobytesText(0.0) : kilobytesText(std::nearbyint((16 - n) / 2.0));
}

std::string kind2SizeText(std::uint8_t b1) {
  constexpr std::array<std::string_view, 4> kByCode{"4.0 K", "2.0 K", "1.0 K", "0.0 K"};
  return std::string(kByCode[(b1 >> 4) & 3]);
}

// One report line per bit: the first text when the bit is 1, the second when 0.
struct BitLine {
  bool inSecondByte;
  int index;
  std::string_view whenSet;
  std::string_view whenClear;
};

constexpr std::array<BitLine, 5> kKind1Lines{{
    {false, 0, "LOCK     is No", "LOCK     is Yes"},
    {false, 1, "ENCRYPT  is No", "ENCRYPT  is Yes"},
    {false, 2, "MOVCL    is No", "MOVCL    is Yes"},
    {true, 2, "EN6T     is No", "EN6T     is Yes"},
    {false, 3, "HWEN_ISP is No", "HWEN_ISP is Yes"},
}};

constexpr std::array<BitLine, 8> kKind2Lines{{
    {false, 0, "LOCK   is No", "LOCK   is Yes"},
    {false, 1, "SB     is No", "SB     is Yes"},
    {false, 2, "MOVCL  is No", "MOVCL  is Yes"},
    {true, 0, "EN6T   is No", "EN6T   is Yes"},
    {true, 1, "HWBS   is No", "HWBS   is Yes"},
    {true, 4, "Oscillator Control: Full gain", "Oscillator Control: 1/2 gain"},
    {true, 6, "AUX_RAM:允许访问扩展RAM", "AUX_RAM:禁止访问扩展RAM"},
    {true, 7, "CLOSE_WDT:复位关看门狗,", "CLOSE_WDT:只有停电才关看门狗,"},
}};

template <std::size_t N>
std::string reportLines(const std::array<BitLine, N>& lines, std::uint8_t b1, std::uint8_t b2) {
  std::string out;
  for (const BitLine& line : lines) {
    const bool set = bit(line.inSecondByte ? b2 : b1, line.index);
    out += kBreak;
    out += set ? line.whenSet : line.whenClear;
  }
  return out;
}

std::string yesNo(std::string_view name, bool bitSet) {
  return std::string(name) + (bitSet ? ": No" : ": Yes");
}

}  // namespace

std::uint8_t composeOptionByte1(const OptionPanel& panel, MapKind mapKind) {
  if (mapKind != MapKind::TopOf64k && mapKind != MapKind::TopOfModel) return 0;
  int b = 0;
  if (panel.isSelected(0, 1)) b += 1;
  if (panel.isSelected(1, 1)) b += 2;
  if (panel.isSelected(2, 1)) b += 4;
  const double k = ispSpaceKilobytes(panel.ispSpaceText);
  if (mapKind == MapKind::TopOf64k) {
    if (panel.isSelected(4, 1)) b += 8;
    b += 16 * kind1SizeCode(k);
  } else {
    b += 16 * kind2SizeCode(k);
    b |= 0xC8;
  }
  return static_cast<std::uint8_t>(b);
}

std::uint8_t composeOptionByte2(const OptionPanel& panel, MapKind mapKind) {
  if (mapKind == MapKind::TopOf64k) return panel.isSelected(3, 1) ? 0xFF : 0xFB;
  if (mapKind != MapKind::TopOfModel) return 0;
  int b = 0xFF;
  if (panel.isSelected(3, 0)) b &= ~0x01;
  if (panel.isSelected(4, 0)) b &= ~0x02;
  if (panel.isSelected(5, 0)) b &= ~0x10;
  if (panel.isSelected(6, 0)) b &= ~0x40;
  if (panel.isSelected(7, 0)) b &= ~0x80;
  return static_cast<std::uint8_t>(b);
}

OptionBytes composeOptionBytes(const OptionPanel& panel, MapKind mapKind) {
  return {composeOptionByte1(panel, mapKind), composeOptionByte2(panel, mapKind)};
}

std::string optionReportText(MapKind mapKind, std::uint8_t b1, std::uint8_t b2) {
  std::string out;
  if (mapKind == MapKind::TopOf64k) {
    out = "ISP space = " + kind1SizeText(b1) + reportLines(kKind1Lines, b1, b2);
  } else if (mapKind == MapKind::TopOfModel) {
    out = "ISP space = " + kind2SizeText(b1) + reportLines(kKind2Lines, b1, b2);
  } else {
    return out;
  }
  out += kBreak;
  out += "It's the reference of Option.";
  out += kBreak;
  out += "加密后的 Option 仅供参考。";
  return out;
}

void reportOptionLabels(OptionPanel& panel, MapKind mapKind, std::uint8_t b1, std::uint8_t b2) {
  if (mapKind != MapKind::TopOf64k && mapKind != MapKind::TopOfModel) return;
  auto& labels = panel.readOptionLabels;
  labels[0] = yesNo("LOCK", bit(b1, 0));
  labels[1] = yesNo("SB", bit(b1, 1));
  labels[2] = yesNo("MOVCL", bit(b1, 2));
  if (mapKind == MapKind::TopOf64k) {
    labels[6] = "ISP Space: " + kind1SizeLabel(b1);
    labels[3] = yesNo("EN6T", bit(b2, 2));
    labels[4] = yesNo("HWEN_ISP", bit(b1, 3));
  } else {
    labels[6] = "ISP Space: " + kind2SizeText(b1);
    labels[3] = yesNo("EN6T", bit(b2, 0));
    labels[4] = yesNo("HWBSL", bit(b2, 1));
    labels[kReadOptionOscillatorLabel] =
        bit(b2, 4) ? "Oscillator Control: Full gain" : "Oscillator Control: 1/2 gain";
  }
}

}  // namespace qrk
