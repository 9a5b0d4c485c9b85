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

Status runListFunction(Programmer& p, const std::string& name) {
  IspLink& link = p.link();
  if (link.stopRequested()) return Status::failure(Reason::Stopped);
  if (!link.isOpen() && !link.openPort(p.portName())) {
    return Status::failure(Reason::Port);
  }
  const FunctionEntry* entry = findFunction(name);
  p.host().phaseStarted(name);
  const Status status =
      (entry != nullptr && entry->listStep != nullptr)
          ? entry->listStep(p)
          : Status::failure(Reason::Usage, "'" + name + "' cannot stand in the function list");
  const bool succeeded = status.ok() && !link.stopRequested();
  p.host().phaseEnded(name, succeeded);
  if (entry != nullptr) p.blankSkip().functionEnded(entry->id, succeeded);
  link.setTimingDefaults();
  return status;
}

ListResult runFunctionList(Programmer& p) {
  MessagePane& pane = p.pane();
  const IspLink& link = p.link();
  const Status stopped = Status::failure(Reason::Stopped);
  for (const std::string& name : p.functionList().names()) {
    const std::optional<FunctionId> step = functionFromName(name);
    if (link.stopRequested()) return {stopped, step};
    pane.lineBreak();
    Status status = runListFunction(p, name);
    // A function cut short by Stop may well succeed (Verify does): it is
    // neither a success nor the chip's failure.
    if (link.stopRequested()) return {stopped, step};
    if (!status.ok()) {
      beepAlert(p.host(), p.loop());
      pane.append("\r\n" + padded(name, 15) + "is failure!\r\n" + padded("Auto", 15) +
                  "is failure!\r\n");
      // A step that reported nothing of its own is named by its summary line.
      if (status.text.empty()) status.text = name + " is failure!";
      return {std::move(status), step};
    }
    if (step != FunctionId::VerifyId) pane.append(padded(name, 15) + " OK!\r\n");
  }
  if (link.stopRequested()) return {stopped, std::nullopt};
  if (p.production().beepOnSuccess) p.host().beep();
  pane.append("\r\n" + padded("Auto", 10) + " OK!\r\n");
  p.successCounter().increment();
  return {};
}

}  // namespace qrk
