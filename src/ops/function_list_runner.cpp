#include "ops/function_list_runner.h"

#include "link/status.h"
#include "ops/function_list.h"
#include "ops/functions.h"
#include "ops/programmer.h"
#include "platform/beep_alert.h"

namespace qrk {

std::string padded(std::string_view name, std::size_t width) {
  std::string out(name.substr(0, width));
  out.resize(width, ' ');
  return out;
}

int runListFunction(Programmer& p, const std::string& name) {
  IspLink& link = p.link();
  if (link.stopRequested()) return kOpFailed;
  if (!link.isOpen() && !link.openPort(p.portName())) return kOpFailed;
  const FunctionEntry* entry = findFunction(name);
  p.host().phaseStarted(name);
  const int status =
      (entry != nullptr && entry->listStep != nullptr) ? entry->listStep(p) : kOpFailed;
  p.host().phaseEnded(name, status == kOpOk && !link.stopRequested());
  p.blankSkip().functionEnded(name, status == kOpOk && !link.stopRequested());
  link.setTimingDefaults();
  return status;
}

int runFunctionList(Programmer& p) {
  MessagePane& pane = p.pane();
  const IspLink& link = p.link();
  for (const std::string& name : p.functionList().names()) {
    if (link.stopRequested()) return kOpFailed;
    pane.lineBreak();
    const int status = runListFunction(p, name);
    // A function cut short by Stop may well return 0 (Verify does): it is
    // neither a success nor the chip's failure.
    if (link.stopRequested()) return kOpFailed;
    if (status != kOpOk) {
      beepAlert(p.host(), p.loop());
      pane.append("\r\n" + padded(name, 15) + "is failure!\r\n" + padded("Auto", 15) +
                  "is failure!\r\n");
      return status;
    }
    if (name != "Verify_ID") pane.append(padded(name, 15) + " OK!\r\n");
  }
  if (link.stopRequested()) return kOpFailed;
  if (p.production().beepOnSuccess) p.host().beep();
  pane.append("\r\n" + padded("Auto", 10) + " OK!\r\n");
  p.successCounter().increment();
  return kOpOk;
}

}  // namespace qrk
