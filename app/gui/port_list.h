#pragma once

#include <QString>
#include <vector>

namespace qrkgui {

// One entry of `combCommPort`: the name a run opens ("COM3", or a typed
// device path) and the caption shown, with the device the name stands for.
struct PortEntry {
  QString name;
  QString caption;
};

inline constexpr int kComPortCount = 8;

// COM1 .. COM8, each mapped to a serial device of this machine exactly as
// the command line maps COM<n>, so both programs mean the same adapter.
std::vector<PortEntry> comPortEntries();

// The name a run opens for what the port box shows: the entry's name, or
// the text as typed (a device path).
QString portNameFromText(const QString& shownText);

}  // namespace qrkgui
