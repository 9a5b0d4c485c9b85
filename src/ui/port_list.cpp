#include "ui/port_list.h"

#include "platform/text.h"

namespace qrk {

namespace {

bool validIndex(int index) { return index >= 0 && index < PortList::kComEntries; }

// "COM3", "com3", "Com3": the entry's position, or -1. "COM03" is a path.
int comEntryOf(std::string_view text) {
  const std::optional<int> number = text.size() == 4 ? comPortNumber(text) : std::nullopt;
  return number && validIndex(*number - 1) ? *number - 1 : -1;
}

}  // namespace

std::optional<int> comPortNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 7 || !equalsIgnoreCase(name.substr(0, 3), "COM")) {
    return std::nullopt;
  }
  int number = 0;
  for (const char c : name.substr(3)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < 1) return std::nullopt;
  return number;
}

void PortList::setDevices(std::vector<SerialDeviceEntry> devices) { devices_ = std::move(devices); }

std::string PortList::comName(int index) { return "COM" + std::to_string(index + 1); }

const SerialDeviceEntry* PortList::deviceOf(int index) const {
  if (!validIndex(index) || index >= static_cast<int>(devices_.size())) return nullptr;
  return &devices_[static_cast<std::size_t>(index)];
}

std::string PortList::entryText(int index) const {
  std::string text = comName(index);
  const SerialDeviceEntry* device = deviceOf(index);
  if (device == nullptr) return text + "  (none)";
  text += "  " + (device->name.empty() ? device->path : device->name);
  if (!device->description.empty()) text += "  " + device->description;
  return text;
}

void PortList::select(int index) {
  index_ = validIndex(index) ? index : 0;
  typedPath_.clear();
}

bool PortList::setText(std::string_view text) {
  const std::string_view typed = trimmed(text);
  if (typed.empty()) return false;
  int entry = comEntryOf(typed);
  for (int i = 0; entry < 0 && i < kComEntries; ++i) {
    if (typed == trimmed(entryText(i))) entry = i;
  }
  if (entry >= 0) {
    select(entry);
  } else {
    typedPath_ = std::string(typed);
  }
  return true;
}

std::string PortList::currentText() const {
  return typedPath_.empty() ? entryText(index_) : typedPath_;
}

std::string PortList::portToOpen() const {
  if (!typedPath_.empty()) return typedPath_;
  const SerialDeviceEntry* device = deviceOf(index_);
  return device != nullptr ? device->path : comName(index_);
}

std::string PortList::captionText() const {
  return typedPath_.empty() ? "COM " + std::to_string(index_ + 1) : typedPath_;
}

}  // namespace qrk
