#include "platform/qt/qt_session.h"

namespace qrk {

QtSession::QtSession(SettingsStore& settings, Host& host)
    : programmer_(port_, loop_, settings, host), productionLoop_(programmer_) {
  programmer_.loadSettings();
  programmer_.supply().setCommandRunner(&commands_);
  programmer_.startGate().setCommandRunner(&commands_);
}

}  // namespace qrk
