#include "ops/function_list.h"

#include <algorithm>

#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::array<std::string_view, FunctionList::kPaletteRows> kPalette = {
    "Verify_ID", "Erase_All",    "Blank_Check", "Program",
    "Verify",    "Write_Option", "Read_Option", ""};

// Erase first: Verify_ID cannot read the ID of a chip that is still protected.
constexpr std::array<std::string_view, 7> kDefaultList = {
    "Erase_All", "Verify_ID", "Blank_Check", "Program", "Verify", "Write_Option", "Read_Option"};
static_assert(kDefaultList.size() <= FunctionList::kSlotCount);

std::string slotKey(int slotIndex) {
  return "Auto_" + std::to_string(FunctionList::kFirstSlot + slotIndex);
}

}  // namespace

FunctionList::FunctionList(SettingsStore& settings) : settings_(settings) {}

std::span<const std::string_view> FunctionList::palette() { return kPalette; }

bool FunctionList::isListFunction(std::string_view name) {
  return !name.empty() && std::find(kPalette.begin(), kPalette.end(), name) != kPalette.end();
}

std::span<const std::string_view> FunctionList::defaultList() { return kDefaultList; }

std::string FunctionList::rowText(int row) const {
  if (row >= 0 && row < kPaletteRows) return std::string(kPalette[static_cast<std::size_t>(row)]);
  if (row >= kFirstSlot && row < kRowCount)
    return slots_[static_cast<std::size_t>(row - kFirstSlot)];
  return {};
}

std::vector<std::string> FunctionList::names() const {
  std::vector<std::string> out;
  for (const std::string& s : slots_) {
    if (!s.empty()) out.push_back(s);
  }
  return out;
}

void FunctionList::press(int row) {
  selected_ = -1;
  if (!rowText(row).empty()) selected_ = row;
}

bool FunctionList::add() {
  if (selected_ < 0 || selected_ >= kPaletteRows) return false;
  const std::string name = rowText(selected_);
  auto free = std::find(slots_.begin(), slots_.end(), std::string());
  if (name.empty() || free == slots_.end()) return false;
  *free = name;
  save();
  return true;
}

bool FunctionList::remove() {
  if (selected_ < kFirstSlot || selected_ >= kRowCount) return false;
  slots_[static_cast<std::size_t>(selected_ - kFirstSlot)].clear();
  selected_ = -1;
  // Close every gap, not only the one just made: a list stored by hand may
  // have others, and the rows must stay filled from the top.
  setSlots(names());
  save();
  return true;
}

void FunctionList::removeAll() {
  slots_.fill(std::string());
  if (selected_ >= kFirstSlot) selected_ = -1;
  save();
}

void FunctionList::doubleClick(int row) {
  press(row);
  if (row >= kFirstSlot) {
    remove();
  } else {
    add();
  }
}

void FunctionList::load() {
  for (int i = 0; i < kSlotCount; ++i) {
    slots_[static_cast<std::size_t>(i)] =
        std::string(trimmed(settings_.value(kSection, slotKey(i), "")));
  }
}

void FunctionList::loadOrDefault() {
  load();
  if (!empty()) return;
  std::vector<std::string> defaults(kDefaultList.begin(), kDefaultList.end());
  setSlots(defaults);
}

void FunctionList::save() const {
  for (int i = 0; i < kSlotCount; ++i) {
    settings_.setValue(kSection, slotKey(i), slots_[static_cast<std::size_t>(i)]);
  }
}

bool FunctionList::setForRun(const std::vector<std::string>& names, std::string* error) {
  if (names.size() > static_cast<std::size_t>(kSlotCount)) {
    if (error) *error = "the function list holds at most 8 functions";
    return false;
  }
  for (const std::string& name : names) {
    if (!isListFunction(name)) {
      if (error) *error = "'" + name + "' cannot stand in the function list";
      return false;
    }
  }
  setSlots(names);
  return true;
}

void FunctionList::setSlots(const std::vector<std::string>& names) {
  slots_.fill(std::string());
  for (std::size_t i = 0; i < names.size() && i < slots_.size(); ++i) slots_[i] = names[i];
}

}  // namespace qrk
