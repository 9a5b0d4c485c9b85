#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "device/isp_space.h"

namespace qrk {

inline constexpr int kOptionRowCount = 8;
inline constexpr int kReadOptionLabelCount = 7;
// Index of the oscillator read-back label, the one kind 1 hides.
inline constexpr int kReadOptionOscillatorLabel = 5;

// One option row: its two captions and its YES/NO pair of choices.
struct OptionRow {
  bool visible = false;
  std::string caption;
  std::string secondCaption;  // second caption line (Chinese), shown by kind 1 only
  bool secondCaptionVisible = false;
  std::array<std::string, 2> buttonCaptions{"YES", "NO"};
  int selected = 0;  // index of the selected button, 0 or 1

  friend bool operator==(const OptionRow&, const OptionRow&) = default;
};

// The option panel as the window holds it: the rows, the ISP Space list
// and the read-back labels. Widgets bind to this;
// the option bytes are composed from it.
struct OptionPanel {
  std::array<OptionRow, kOptionRowCount> rows;
  std::vector<std::string> ispSpaceEntries;  // the ISP Space list
  std::string ispSpaceText;                  // the chosen entry; empty when none is chosen
  // The read-back labels: 0 LOCK, 1 ENCRYPT/SB, 2 MOVCL, 3 EN6T, 4 HWEN_ISP/HWBS,
  // 5 oscillator, 6 ISP Space. Until a first model is chosen they carry the
  // bare captions of the window.
  std::array<std::string, kReadOptionLabelCount> readOptionLabels{
      "LOCK:", "SB:", "MOVCL:", "EN6T:", "HWBS:", "Oscillator Control:", "ISP Space:"};
  bool readOptionOscillatorVisible = true;

  // Whether button `button` (0 or 1) of row `row` is the selected one.
  bool isSelected(int row, int button) const;
};

// Rebuilds the panel for a model of `mapKind`: hides every row, shows the
// kind's rows with their captions and default choices, refills the ISP Space
// list with nothing chosen and resets the read-back labels. Kind 0 only hides
// the rows: its ISP block is fixed, so the list, the chosen size and the
// labels stay as they were.
void buildOptionPanel(OptionPanel& panel, MapKind mapKind);

// Chooses the ISP Space entry matching `text` ("1.5k", "1.5K", "1.5" all name
// the entry "1.5k"). Only an entry of the panel's list can be chosen; on any
// other text the choice is left as it was, false is returned and *error says
// which sizes there are.
bool setIspSpace(OptionPanel& panel, std::string_view text, std::string* error = nullptr);
// Chooses the entry at list position `index` (as the settings store it);
// false, choice unchanged, when there is no such entry.
bool selectIspSpaceIndex(OptionPanel& panel, int index);

// Sets LOCK, ENCRYPT/SB and MOVCL to "YES": what writing the ISP DEMO does
// before it writes the option bytes.
void selectProtectionYes(OptionPanel& panel);

}  // namespace qrk
