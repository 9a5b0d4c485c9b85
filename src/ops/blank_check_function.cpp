#include "ops/blank_check_function.h"

#include <optional>

#include "device/option_bytes.h"
#include "device/option_io.h"
#include "link/blank_check.h"
#include "link/status.h"
#include "ops/programmer.h"
#include "platform/beep_alert.h"

namespace qrk {

Status blankCheckFunction(Programmer& p, bool alertOnFailure) {
  const auto alert = [&p, alertOnFailure] {
    if (alertOnFailure) beepAlert(p.host(), p.loop());
  };
  IspLink& link = p.link();
  MessagePane& pane = p.pane();
  const Status flash = blankCheck(link, pane);
  if (link.stopRequested()) return Status::failure(Reason::Stopped);

  std::optional<OptionBytes> options;
  const Status read = readOption(link, pane, p.options(), p.model().mapKind, false, &options);
  link.setTimingDefaults();
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (!read.ok() || !options) {
    pane.append("\r\nRead Option is failure!");
    alert();
    return Status::failure(Reason::NoAnswer, "Read Option is failure!");
  }
  const bool optionsBlank = options->byte1 == 0xFF && (options->byte2 & 0x04) != 0;
  if (!optionsBlank) {
    pane.append("\r\n" + optionReportText(p.model().mapKind, options->byte1, options->byte2));
  }
  if (!flash.ok() && !flash.isVerdict()) {
    // The blank check printed why it has no verdict.
    alert();
    return flash;
  }
  if (!flash.ok() || !optionsBlank) {
    alert();
    // The flash's first programmed byte when it has one; else the option bytes
    // are what is not blank.
    Status notBlank = flash.ok() ? Status::failure(Reason::NotBlank) : flash;
    notBlank.text = "Chip is not blank!";
    pane.append("\r\n" + notBlank.text);
    return notBlank;
  }
  pane.append("\r\nWhole chip is blank!");
  return Status::success();
}

}  // namespace qrk
