#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace qrk {

// The user's own function list ("Auto"): a palette of the functions it may
// hold (rows 0..7 of the list, one row empty) and eight slots (rows 8..15),
// filled from slot 8 upward without gaps. Every edit is saved at once under
// "Settings" / "Auto_8" .. "Auto_15".
class FunctionList {
 public:
  static constexpr int kPaletteRows = 8;
  static constexpr int kFirstSlot = 8;
  static constexpr int kSlotCount = 8;
  static constexpr int kRowCount = kFirstSlot + kSlotCount;
  static constexpr const char* kSection = "Settings";

  explicit FunctionList(SettingsStore& settings);

  // The palette rows 0..7; the last one is empty.
  static std::span<const std::string_view> palette();
  // Whether `name` may stand in the list (a palette name).
  static bool isListFunction(std::string_view name);
  // The list a fresh installation starts with: a whole programming cycle.
  static std::span<const std::string_view> defaultList();

  // The text of row 0..15 (palette or slot); empty outside.
  std::string rowText(int row) const;
  // The names in the slots, in order, empty slots left out.
  std::vector<std::string> names() const;
  bool empty() const { return names().empty(); }

  // --- selection (one row of the 16 at most) ---------------------------------
  // A mouse press on a row: every row loses the selection, then the pressed
  // row takes it if it has text.
  void press(int row);
  int selectedRow() const { return selected_; }
  void clearSelection() { selected_ = -1; }

  // --- edits; each one saves the list ----------------------------------------
  // Copies the selected palette name into the first empty slot. False when no
  // palette row is selected or every slot is taken.
  bool add();
  // Empties the selected slot and closes the gap. False when no slot is selected.
  bool remove();
  void removeAll();
  // A double-click: on a slot it deletes, on a palette row it adds.
  void doubleClick(int row);

  // --- persistence -----------------------------------------------------------
  // Reads the eight keys (trimmed); at start-up an empty list then receives the
  // default list, so that "Auto" does something useful out of the box.
  void load();
  void loadOrDefault();
  void save() const;

  // Puts `names` into the slots for one run without saving them (a scripted
  // run's own list). False, list unchanged, when there are more than eight or
  // one is not a list function; *error then names it.
  bool setForRun(const std::vector<std::string>& names, std::string* error = nullptr);

 private:
  void setSlots(const std::vector<std::string>& names);

  SettingsStore& settings_;
  std::array<std::string, kSlotCount> slots_;
  int selected_ = -1;
};

}  // namespace qrk
