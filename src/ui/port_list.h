#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrk {

// One serial device of this machine, as the front end's enumeration reports it.
struct SerialDeviceEntry {
  std::string name;         // "ttyUSB0"
  std::string path;         // "/dev/ttyUSB0": what a run opens
  std::string description;  // "FT232R USB UART"; may be empty

  friend bool operator==(const SerialDeviceEntry&, const SerialDeviceEntry&) = default;
};

// "COM<n>" (any letter case, n >= 1, at most four digits): n, or nullopt
// when `name` is not a COM name. The window and the command line both count
// COM<n> in the machine's device order.
std::optional<int> comPortNumber(std::string_view name);

// The port list `combCommPort`: the entries COM1 .. COM8, the n-th standing
// for the n-th device of the machine in the order the front end enumerated
// them (the order the command line counts COM<n> in), and a device path the
// user may type instead, for a port beyond the eighth or a pseudo-terminal.
class PortList {
 public:
  static constexpr int kComEntries = 8;

  // The machine's devices in COM order. The choice is kept: it names a COM
  // number or a path, not a device, exactly as the command line does.
  void setDevices(std::vector<SerialDeviceEntry> devices);
  const std::vector<SerialDeviceEntry>& devices() const { return devices_; }

  // "COM1" .. "COM8" for 0 .. 7.
  static std::string comName(int index);
  // The device entry `index` stands for; nullptr when the machine has fewer.
  const SerialDeviceEntry* deviceOf(int index) const;
  // What the list shows for entry `index`: the COM name, then the device name
  // and description beside it, or "(none)" when no device stands behind it.
  std::string entryText(int index) const;

  // --- the choice -------------------------------------------------------------
  // 0 .. 7 while a COM entry is chosen; -1 while a typed path is the choice.
  int selectedIndex() const { return typedPath_.empty() ? index_ : -1; }
  // The COM entry last chosen, kept while a typed path is the choice.
  int comIndex() const { return index_; }
  // The typed path; empty while a COM entry is chosen.
  const std::string& typedPath() const { return typedPath_; }
  // Chooses entry `index`; a position outside the list becomes 0.
  void select(int index);
  // The box's text after the user typed or picked: "COM3" (any letter case)
  // or the text entryText() shows chooses that entry, any other non-blank
  // text becomes the typed path. A blank text changes nothing and returns false.
  bool setText(std::string_view text);
  // The text the box shows for the choice.
  std::string currentText() const;

  // The name a run opens: the path of the chosen entry's device, the typed
  // path, or the COM name itself when no device stands behind the entry (the
  // open then fails with a message that says how many ports there are).
  std::string portToOpen() const;
  // The port in the caption of the frame `framStep`: "COM 1" for COM1 (a
  // space before the number, as the caption has always shown it), the typed
  // path as it is.
  std::string captionText() const;

 private:
  std::vector<SerialDeviceEntry> devices_;
  int index_ = 0;
  std::string typedPath_;
};

}  // namespace qrk
