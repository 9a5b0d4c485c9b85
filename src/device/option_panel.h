#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qrk {

inline constexpr int kOptionRowCount = 8;
inline constexpr int kReadOptionLabelCount = 7;
// Index of the oscillator read-back label, the one kind 1 hides.
inline constexpr int kReadOptionOscillatorLabel = 5;

// One option row: the container `Picture2(i)`, its two captions and the
// option-button pair `Option<i>(0)` / `Option<i>(1)`.
struct OptionRow {
  bool visible = false;
  std::string labOptionE;  // row caption
  std::string labOptionC;  // second caption line (Chinese), shown by kind 1 only
  bool labOptionCVisible = false;
  std::array<std::string, 2> buttonCaptions{"YES", "NO"};
  int selected = 0;  // index of the selected button, 0 or 1

  friend bool operator==(const OptionRow&, const OptionRow&) = default;
};

// The option panel as the window holds it: the rows, the ISP Space list
// `Combo2` and the read-back labels `read_Option(0..6)`. Widgets bind to this;
// the option bytes are composed from it.
struct OptionPanel {
  std::array<OptionRow, kOptionRowCount> rows;
  std::vector<std::string> ispSpaceEntries;  // the entries of `Combo2`
  std::string ispSpaceText;                  // the chosen entry; empty when none is chosen
  // read_Option(0..6): 0 LOCK, 1 ENCRYPT/SB, 2 MOVCL, 3 EN6T, 4 HWEN_ISP/HWBS,
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
void buildOptionPanel(OptionPanel& panel, int mapKind);

// The ISP Space sizes a kind offers, in list order; empty for kind 0.
std::vector<std::string> ispSpaceChoices(int mapKind);

// The size in K that an ISP Space text stands for: the number it starts with
// ("1.5k" gives 1.5); a text that starts with no number counts as 0.
double ispSpaceKilobytes(std::string_view text);

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

// --- rows by the names a user types (command line) ---------------------------

// What a row of a kind offers: the name to type, the other names that are
// accepted, its caption, the two choices with a plain-word alias where the
// caption is Chinese or has a space in it, and the default choice.
struct OptionRowInfo {
  int row = 0;
  std::string_view name;
  std::vector<std::string_view> otherNames;
  std::string_view caption;
  std::array<std::string_view, 2> choices;
  std::array<std::string_view, 2> choiceAliases;  // empty where the caption is a plain word
  int defaultChoice = 0;
};

// The rows of a kind in row order; empty for kind 0.
std::vector<OptionRowInfo> optionRows(int mapKind);

// Row index of a typed name on a kind (case-insensitive; "SB" and "ENCRYPT"
// both name row 1, "HWBS" and "HWEN_ISP" row 4). -1 and *error when the kind
// has no such row.
int findOptionRow(int mapKind, std::string_view name, std::string* error = nullptr);
// Button index (0 or 1) of a typed choice on row `row` of a kind: its button
// caption (case-insensitive) or the plain-word alias. -1 and *error otherwise.
int findOptionChoice(int mapKind, int row, std::string_view choice, std::string* error = nullptr);
// Selects the typed choice on the typed row; false with *error and the panel
// untouched when either is unknown.
bool setOption(OptionPanel& panel, int mapKind, std::string_view rowName, std::string_view choice,
               std::string* error = nullptr);

// The rows, choices, defaults and ISP Space sizes of a kind as lines of text
// (LF line ends), for listing a model's options.
std::string optionListing(int mapKind);

}  // namespace qrk
