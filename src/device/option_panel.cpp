#include "device/option_panel.h"

#include <optional>
#include <span>

#include "device/option_rows.h"
#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::array<std::string_view, kReadOptionLabelCount> kKind1UnknownLabels{
    "LOCK: Unknown",     "ENCRYPT: Unknown",  "MOVCL: Unknown",
    "EN6T: Unknown",     "HWEN_ISP: Unknown", "",
    "ISP Space: Unknown"};
constexpr std::array<std::string_view, kReadOptionLabelCount> kKind2UnknownLabels{
    "LOCK: Unknown",     "SB: Unknown",   "MOVCL: Unknown",
    "EN6T: Unknown",     "HWBS: Unknown", "Oscillator Control: Unknown",
    "ISP Space: Unknown"};

}  // namespace

bool OptionPanel::isSelected(int row, int button) const {
  if (row < 0 || row >= kOptionRowCount) return false;
  return rows[row].selected == button;
}

void buildOptionPanel(OptionPanel& panel, MapKind mapKind) {
  for (OptionRow& row : panel.rows) row.visible = false;
  if (mapKind != MapKind::TopOf64k && mapKind != MapKind::TopOfModel) return;

  const std::span<const OptionRowInfo> infos = optionRows(mapKind);
  for (std::size_t i = 0; i < infos.size(); ++i) {
    const OptionRowInfo& info = infos[i];
    OptionRow& row = panel.rows[i];
    row.visible = true;
    row.caption = std::string(info.caption);
    if (mapKind == MapKind::TopOf64k) row.secondCaption = std::string(info.secondCaption);
    row.secondCaptionVisible = (mapKind == MapKind::TopOf64k);
    row.buttonCaptions = {std::string(info.choices[0]), std::string(info.choices[1])};
    row.selected = info.defaultChoice;
  }
  if (mapKind == MapKind::TopOfModel) {
    for (OptionRow& row : panel.rows) row.secondCaptionVisible = false;
  }

  panel.ispSpaceEntries = ispSpaceChoices(mapKind);
  panel.ispSpaceText.clear();

  const auto& labels = (mapKind == MapKind::TopOf64k) ? kKind1UnknownLabels : kKind2UnknownLabels;
  for (int i = 0; i < kReadOptionLabelCount; ++i) {
    // Kind 1 has no oscillator row: its label is hidden and keeps its text.
    if (mapKind == MapKind::TopOf64k && i == kReadOptionOscillatorLabel) continue;
    panel.readOptionLabels[i] = std::string(labels[i]);
  }
  panel.readOptionOscillatorVisible = (mapKind == MapKind::TopOfModel);
}

bool setIspSpace(OptionPanel& panel, std::string_view text, std::string* error) {
  const std::string_view wanted = trimmed(text);
  for (const std::string& entry : panel.ispSpaceEntries) {
    if (equalsIgnoreCase(entry, wanted)) {
      panel.ispSpaceText = entry;
      return true;
    }
  }
  if (const std::optional<double> size = typedIspSpaceKilobytes(wanted)) {
    for (const std::string& entry : panel.ispSpaceEntries) {
      if (ispSpaceKilobytes(entry) == *size) {
        panel.ispSpaceText = entry;
        return true;
      }
    }
  }
  if (panel.ispSpaceEntries.empty()) {
    if (error) *error = "this model has no ISP Space choice: its ISP block is fixed";
  } else if (error) {
    *error =
        "ISP Space \"" + std::string(text) +
        "\" is not offered for this model; choose one of: " + joined(panel.ispSpaceEntries, ", ");
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

}  // namespace qrk
