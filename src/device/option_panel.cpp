#include "device/option_panel.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>
#include <utility>

namespace qrk {

namespace {

// One row as a kind shows it. The names are what a user types on the command
// line; the captions are the window's own.
struct RowTemplate {
  std::string_view name;
  std::array<std::string_view, 2> otherNames;
  std::string_view caption;        // LabOptionE
  std::string_view secondCaption;  // LabOptionC, kind 1 only
  std::array<std::string_view, 2> buttons;
  std::array<std::string_view, 2> aliases;
  int defaultButton;
};

constexpr std::array<std::string_view, 2> kYesNo{"YES", "NO"};

constexpr std::array<RowTemplate, 5> kKind1Rows{{
    {"LOCK", {}, "LOCK", "锁芯片(读为FF)", kYesNo, {}, 0},
    {"ENCRYPT", {"SB"}, "ENCRYPT", "编程器读加密", kYesNo, {}, 0},
    {"MOVCL", {}, "MOVCL", "禁止外部MOVC指令", kYesNo, {}, 0},
    {"EN6T", {}, "EN6T", "双倍速", kYesNo, {}, 1},
    {"HWEN_ISP", {"HWBS", "HWBSL"}, "HWEN_ISP", "上电复位执行ISP", kYesNo, {}, 1},
}};

constexpr std::array<RowTemplate, 8> kKind2Rows{{
    {"LOCK", {}, "LOCK/锁芯片(读为FF)", "", kYesNo, {}, 0},
    {"SB", {"ENCRYPT"}, "SB/编程器读加密", "", kYesNo, {}, 0},
    {"MOVCL", {}, "MOVCL/禁止外部MOVC指令", "", kYesNo, {}, 0},
    {"EN6T", {}, "EN6T/双倍速", "", kYesNo, {}, 1},
    {"HWBS", {"HWEN_ISP", "HWBSL"}, "HWBS/上电复位执行ISP", "", kYesNo, {}, 1},
    {"OSC",
     {"OSCILLATOR"},
     "Oscillator Control/振荡器控制",
     "",
     {"1/2 gain", "Full gain"},
     {"half", "full"},
     0},
    {"AUX_RAM",
     {},
     "访问内部扩展RAM-MCU新版C版有效",
     "",
     {"禁止访问", "允许(推荐)"},
     {"forbid", "allow"},
     1},
    {"WDT",
     {"CLOSE_WDT"},
     "用户启动内看门狗后-MCU C版有效",
     "",
     {"仅停电关狗", "复位关狗"},
     {"power-off", "reset"},
     1},
}};

constexpr std::array<std::string_view, 16> kKind1IspSpace{
    "0.0k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k",
    "4.5k", "5.0k", "5.5k", "6.0k", "6.5k", "7.0k", "7.5k", "8.0k"};
constexpr std::array<std::string_view, 4> kKind2IspSpace{"0.0k", "1.0k", "2.0k", "4.0k"};

constexpr std::array<std::string_view, kReadOptionLabelCount> kKind1UnknownLabels{
    "LOCK: Unknown",     "ENCRYPT: Unknown",  "MOVCL: Unknown",
    "EN6T: Unknown",     "HWEN_ISP: Unknown", "",
    "ISP Space: Unknown"};
constexpr std::array<std::string_view, kReadOptionLabelCount> kKind2UnknownLabels{
    "LOCK: Unknown",     "SB: Unknown",   "MOVCL: Unknown",
    "EN6T: Unknown",     "HWBS: Unknown", "Oscillator Control: Unknown",
    "ISP Space: Unknown"};

std::span<const RowTemplate> rowsOf(int mapKind) {
  if (mapKind == 1) return kKind1Rows;
  if (mapKind == 2) return kKind2Rows;
  return {};
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads the number at the start of `s` (sign, digits, one decimal point) and
// returns it with the count of characters it used. Far beyond any ISP size
// the value stops growing, so no text can overflow it.
std::pair<double, std::size_t> leadingNumber(std::string_view s) {
  std::size_t i = 0;
  double sign = 1.0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') sign = -1.0;
    ++i;
  }
  constexpr double kCeiling = 1e9;
  double value = 0.0;
  bool anyDigit = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    anyDigit = true;
    if (value < kCeiling) value = value * 10.0 + (s[i] - '0');
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    double scale = 0.1;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      anyDigit = true;
      value += (s[i] - '0') * scale;
      scale /= 10.0;
    }
  }
  if (!anyDigit) return {0.0, 0};
  return {sign * value, i};
}

// A typed size like "1.5", "1.5k" or "4K": the whole text must be the number
// with at most a trailing k.
std::optional<double> typedSize(std::string_view text) {
  text = trim(text);
  auto [value, used] = leadingNumber(text);
  if (used == 0) return std::nullopt;
  std::string_view rest = trim(text.substr(used));
  if (rest.empty() || equalsIgnoreCase(rest, "k")) return value;
  return std::nullopt;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::string rowNames(int mapKind) {
  std::vector<std::string> names;
  for (const RowTemplate& r : rowsOf(mapKind)) names.emplace_back(r.name);
  return joined(names, ", ");
}

std::string choiceText(const RowTemplate& r, int button) {
  std::string text(r.buttons[button]);
  if (!r.aliases[button].empty()) text += " (" + std::string(r.aliases[button]) + ")";
  return text;
}

void setError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

bool OptionPanel::isSelected(int row, int button) const {
  if (row < 0 || row >= kOptionRowCount) return false;
  return rows[row].selected == button;
}

void buildOptionPanel(OptionPanel& panel, int mapKind) {
  for (OptionRow& row : panel.rows) row.visible = false;
  if (mapKind != 1 && mapKind != 2) return;

  const std::span<const RowTemplate> templates = rowsOf(mapKind);
  for (std::size_t i = 0; i < templates.size(); ++i) {
    const RowTemplate& t = templates[i];
    OptionRow& row = panel.rows[i];
    row.visible = true;
    row.labOptionE = std::string(t.caption);
    if (mapKind == 1) row.labOptionC = std::string(t.secondCaption);
    row.labOptionCVisible = (mapKind == 1);
    row.buttonCaptions = {std::string(t.buttons[0]), std::string(t.buttons[1])};
    row.selected = t.defaultButton;
  }
  if (mapKind == 2) {
    for (OptionRow& row : panel.rows) row.labOptionCVisible = false;
  }

  panel.ispSpaceEntries = ispSpaceChoices(mapKind);
  panel.ispSpaceText.clear();

  const auto& labels = (mapKind == 1) ? kKind1UnknownLabels : kKind2UnknownLabels;
  for (int i = 0; i < kReadOptionLabelCount; ++i) {
    // Kind 1 has no oscillator row: its label is hidden and keeps its text.
    if (mapKind == 1 && i == kReadOptionOscillatorLabel) continue;
    panel.readOptionLabels[i] = std::string(labels[i]);
  }
  panel.readOptionOscillatorVisible = (mapKind == 2);
}

std::vector<std::string> ispSpaceChoices(int mapKind) {
  std::vector<std::string> out;
  if (mapKind == 1) out.assign(kKind1IspSpace.begin(), kKind1IspSpace.end());
  if (mapKind == 2) out.assign(kKind2IspSpace.begin(), kKind2IspSpace.end());
  return out;
}

double ispSpaceKilobytes(std::string_view text) { return leadingNumber(trim(text)).first; }

bool setIspSpace(OptionPanel& panel, std::string_view text, std::string* error) {
  const std::string_view wanted = trim(text);
  for (const std::string& entry : panel.ispSpaceEntries) {
    if (equalsIgnoreCase(entry, wanted)) {
      panel.ispSpaceText = entry;
      return true;
    }
  }
  if (const std::optional<double> size = typedSize(wanted)) {
    for (const std::string& entry : panel.ispSpaceEntries) {
      if (ispSpaceKilobytes(entry) == *size) {
        panel.ispSpaceText = entry;
        return true;
      }
    }
  }
  if (panel.ispSpaceEntries.empty()) {
    setError(error, "this model has no ISP Space choice: its ISP block is fixed");
  } else {
    setError(error, "ISP Space \"" + std::string(text) +
                        "\" is not offered for this model; choose one of: " +
                        joined(panel.ispSpaceEntries, ", "));
  }
  return false;
}

bool selectIspSpaceIndex(OptionPanel& panel, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= panel.ispSpaceEntries.size()) return false;
  panel.ispSpaceText = panel.ispSpaceEntries[static_cast<std::size_t>(index)];
  return true;
}

void selectProtectionYes(OptionPanel& panel) {
  for (int row = 0; row < 3; ++row) panel.rows[row].selected = 0;
}

std::vector<OptionRowInfo> optionRows(int mapKind) {
  std::vector<OptionRowInfo> out;
  const std::span<const RowTemplate> templates = rowsOf(mapKind);
  for (std::size_t i = 0; i < templates.size(); ++i) {
    const RowTemplate& t = templates[i];
    OptionRowInfo info;
    info.row = static_cast<int>(i);
    info.name = t.name;
    for (std::string_view other : t.otherNames) {
      if (!other.empty()) info.otherNames.push_back(other);
    }
    info.caption = t.caption;
    info.choices = t.buttons;
    info.choiceAliases = t.aliases;
    info.defaultChoice = t.defaultButton;
    out.push_back(std::move(info));
  }
  return out;
}

int findOptionRow(int mapKind, std::string_view name, std::string* error) {
  const std::span<const RowTemplate> templates = rowsOf(mapKind);
  if (templates.empty()) {
    setError(error, "this model has no option bits");
    return -1;
  }
  const std::string_view wanted = trim(name);
  for (std::size_t i = 0; i < templates.size(); ++i) {
    const RowTemplate& t = templates[i];
    if (equalsIgnoreCase(t.name, wanted)) return static_cast<int>(i);
    for (std::string_view other : t.otherNames) {
      if (!other.empty() && equalsIgnoreCase(other, wanted)) return static_cast<int>(i);
    }
  }
  // A row of the other kind gets a more helpful answer than "unknown".
  const int otherKind = (mapKind == 1) ? 2 : 1;
  for (const RowTemplate& t : rowsOf(otherKind)) {
    const bool named =
        equalsIgnoreCase(t.name, wanted) ||
        std::any_of(t.otherNames.begin(), t.otherNames.end(), [&](std::string_view other) {
          return !other.empty() && equalsIgnoreCase(other, wanted);
        });
    if (named) {
      setError(error, "option " + std::string(t.name) +
                          " is not available on this model; its options are: " + rowNames(mapKind));
      return -1;
    }
  }
  setError(error, "unknown option \"" + std::string(name) +
                      "\"; this model's options are: " + rowNames(mapKind));
  return -1;
}

int findOptionChoice(int mapKind, int row, std::string_view choice, std::string* error) {
  const std::span<const RowTemplate> templates = rowsOf(mapKind);
  if (row < 0 || static_cast<std::size_t>(row) >= templates.size()) {
    setError(error, templates.empty() ? "this model has no option bits"
                                      : "this model has no option row " + std::to_string(row));
    return -1;
  }
  const RowTemplate& t = templates[static_cast<std::size_t>(row)];
  const std::string_view wanted = trim(choice);
  for (int button = 0; button < 2; ++button) {
    if (equalsIgnoreCase(t.buttons[button], wanted)) return button;
    if (!t.aliases[button].empty() && equalsIgnoreCase(t.aliases[button], wanted)) return button;
  }
  setError(error, "unknown choice \"" + std::string(choice) + "\" for option " +
                      std::string(t.name) + "; choose " + choiceText(t, 0) + " or " +
                      choiceText(t, 1));
  return -1;
}

bool setOption(OptionPanel& panel, int mapKind, std::string_view rowName, std::string_view choice,
               std::string* error) {
  const int row = findOptionRow(mapKind, rowName, error);
  if (row < 0) return false;
  const int button = findOptionChoice(mapKind, row, choice, error);
  if (button < 0) return false;
  panel.rows[row].selected = button;
  return true;
}

std::string optionListing(int mapKind) {
  const std::vector<OptionRowInfo> rows = optionRows(mapKind);
  if (rows.empty()) return "This model has no option bits; its ISP block is fixed.\n";
  std::string out;
  for (const OptionRowInfo& r : rows) {
    const RowTemplate& t = rowsOf(mapKind)[static_cast<std::size_t>(r.row)];
    std::string line(r.name);
    line.resize(std::max<std::size_t>(line.size() + 1, 10), ' ');
    line += choiceText(t, 0) + " | " + choiceText(t, 1);
    line += "  (default: " + std::string(r.choices[r.defaultChoice]) + ")  ";
    line += std::string(r.caption);
    if (!t.secondCaption.empty()) line += " " + std::string(t.secondCaption);
    if (!r.otherNames.empty()) {
      line += "  [also:";
      for (std::string_view other : r.otherNames) line += " " + std::string(other);
      line += "]";
    }
    out += line + "\n";
  }
  const std::vector<std::string> sizes = ispSpaceChoices(mapKind);
  out += "ISP Space: " + joined(sizes, " | ") + "  (default: " + sizes.front() + ")\n";
  return out;
}

}  // namespace qrk
