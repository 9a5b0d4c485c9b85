#include "platform/serial_port.h"

namespace qrk {

std::string_view outputLineName(OutputLine line) { return line == OutputLine::Dtr ? "DTR" : "RTS"; }

std::string_view inputLineName(InputLine line) {
  switch (line) {
    case InputLine::Cts:
      return "CTS";
    case InputLine::Dsr:
      return "DSR";
    case InputLine::Dcd:
      return "DCD";
    case InputLine::Ri:
      return "RI";
  }
  return "?";
}

}  // namespace qrk
