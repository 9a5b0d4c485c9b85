#include "ops/programmer.h"

#include "link/frame.h"
#include "ops/run_engine.h"

namespace qrk {

Programmer::Programmer(SerialPort& port, EventLoop& loop, SettingsStore& settings, Host& host)
    : port_(port), loop_(loop), settings_(settings), host_(host), link_(port, loop), pane_(host) {}

bool Programmer::selectModel(const std::string& name) {
  if (!qrk::selectModel(model_, name)) return false;
  buildOptionPanel(options_, model_.mapKind);
  return true;
}

RunResult Programmer::runFunction(const std::string& function, const std::string& portName) {
  return runSelectedFunction(*this, function, portName);
}

void Programmer::stop() {
  link_.requestStop();
  if (link_.isOpen()) {
    link_.sendShortCommand(cmd::kStop, link_.replyWaitMs(), 0);
    port_.discardInput();
    port_.discardOutput();
  }
  link_.closePort();
}

}  // namespace qrk
