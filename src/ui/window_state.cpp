#include "ui/window_state.h"

namespace qrk {

int WindowState::baudRate() const { return std::stoi(std::string(kBaudEntries[0])); }

}  // namespace qrk
