#include "ops/blank_check_function.h"

#include <optional>

#include "device/option_bytes.h"
#include "device/option_io.h"
#include "link/blank_check.h"
#include "link/status.h"
#include "ops/programmer.h"
#include "platform/beep_alert.h"

namespace qrk {

int blankCheckFunction(Programmer& p, bool alertOnFailure) {
  const auto alert = [&p, alertOnFailure] {
    if (alertOnFailure) beepAlert(p.host(), p.loop());
  };
  IspLink& link = p.link();
  MessagePane& pane = p.pane();
  const int flash = blankCheck(link, pane);
  if (link.stopRequested()) return kOpFailed;

  std::optional<OptionBytes> options;
  const int read = readOption(link, pane, p.options(), p.model().mapKind, false, &options);
  link.setTimingDefaults();
  if (link.stopRequested()) return kOpFailed;
  if (read != kOpOk || !options) {
    pane.append("\r\nRead Option is failure!");
    alert();
    return kOpFailed;
  }
  const bool optionsBlank = options->byte1 == 0xFF && (options->byte2 & 0x04) != 0;
  if (!optionsBlank) {
    pane.append("\r\n" + optionReportText(p.model().mapKind, options->byte1, options->byte2));
  }
  if (flash == kOpFailed) {
    // The blank check printed why it has no verdict.
    alert();
    return kOpFailed;
  }
  if (flash != kOpOk || !optionsBlank) {
    alert();
    pane.append("\r\nChip is not blank!");
    return kOpMismatch;
  }
  pane.append("\r\nWhole chip is blank!");
  return kOpOk;
}

}  // namespace qrk
