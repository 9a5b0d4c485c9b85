#include "device/option_lookup.h"

#include <algorithm>
#include <span>
#include <vector>

#include "device/isp_space.h"
#include "device/option_rows.h"
#include "platform/text.h"

namespace qrk {

namespace {

bool namesRow(const OptionRowInfo& row, std::string_view wanted) {
  return equalsIgnoreCase(row.name, wanted) ||
         std::any_of(row.otherNames.begin(), row.otherNames.end(), [&](std::string_view other) {
           return !other.empty() && equalsIgnoreCase(other, wanted);
         });
}

std::string rowNames(MapKind mapKind) {
  std::vector<std::string> names;
  for (const OptionRowInfo& r : optionRows(mapKind)) names.emplace_back(r.name);
  return joined(names, ", ");
}

std::string choiceText(const OptionRowInfo& r, int button) {
  std::string text(r.choices[button]);
  if (!r.choiceAliases[button].empty()) text += " (" + std::string(r.choiceAliases[button]) + ")";
  return text;
}

void setError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

int findOptionRow(MapKind mapKind, std::string_view name, std::string* error) {
  const std::span<const OptionRowInfo> rows = optionRows(mapKind);
  if (rows.empty()) {
    setError(error, "this model has no option bits");
    return -1;
  }
  const std::string_view wanted = trimmed(name);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (namesRow(rows[i], wanted)) return static_cast<int>(i);
  }
  // A row of the other kind gets a more helpful answer than "unknown".
  for (const OptionRowInfo& r :
       optionRows(mapKind == MapKind::TopOf64k ? MapKind::TopOfModel : MapKind::TopOf64k)) {
    if (namesRow(r, wanted)) {
      setError(error, "option " + std::string(r.name) +
                          " is not available on this model; its options are: " + rowNames(mapKind));
      return -1;
    }
  }
  setError(error, "unknown option \"" + std::string(name) +
                      "\"; this model's options are: " + rowNames(mapKind));
  return -1;
}

int findOptionChoice(MapKind mapKind, int row, std::string_view choice, std::string* error) {
  const std::span<const OptionRowInfo> rows = optionRows(mapKind);
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) {
    setError(error, rows.empty() ? "this model has no option bits"
                                 : "this model has no option row " + std::to_string(row));
    return -1;
  }
  const OptionRowInfo& r = rows[static_cast<std::size_t>(row)];
  const std::string_view wanted = trimmed(choice);
  for (int button = 0; button < 2; ++button) {
    if (equalsIgnoreCase(r.choices[button], wanted)) return button;
    if (!r.choiceAliases[button].empty() && equalsIgnoreCase(r.choiceAliases[button], wanted)) {
      return button;
    }
  }
  setError(error, "unknown choice \"" + std::string(choice) + "\" for option " +
                      std::string(r.name) + "; choose " + choiceText(r, 0) + " or " +
                      choiceText(r, 1));
  return -1;
}

bool setOption(OptionPanel& panel, MapKind mapKind, std::string_view rowName,
               std::string_view choice, std::string* error) {
  const int row = findOptionRow(mapKind, rowName, error);
  if (row < 0) return false;
  const int button = findOptionChoice(mapKind, row, choice, error);
  if (button < 0) return false;
  panel.rows[row].selected = button;
  return true;
}

std::string optionListing(MapKind mapKind) {
  const std::span<const OptionRowInfo> rows = optionRows(mapKind);
  if (rows.empty()) return "This model has no option bits; its ISP block is fixed.\n";
  std::string out;
  for (const OptionRowInfo& r : rows) {
    std::string line(r.name);
    line.resize(std::max<std::size_t>(line.size() + 1, 10), ' ');
    line += choiceText(r, 0) + " | " + choiceText(r, 1);
    line += "  (default: " + std::string(r.choices[r.defaultChoice]) + ")  ";
    line += std::string(r.caption);
    if (!r.secondCaption.empty()) line += " " + std::string(r.secondCaption);
    if (!r.otherNames[0].empty()) {
      line += "  [also:";
      for (std::string_view other : r.otherNames) {
        if (!other.empty()) line += " " + std::string(other);
      }
      line += "]";
    }
    out += line + "\n";
  }
  const std::vector<std::string> sizes = ispSpaceChoices(mapKind);
  out += "ISP Space: " + joined(sizes, " | ") + "  (default: " + sizes.front() + ")\n";
  return out;
}

}  // namespace qrk
