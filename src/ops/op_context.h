#pragma once

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "link/isp_link.h"
#include "link/status.h"
#include "platform/host.h"
#include "platform/message_pane.h"

namespace qrk {

class BlankSkip;

// The window's flags that program and verify read, set by the production loop
// and the ISP DEMO writer.
struct OperationFlags {
  // Started by Run or a double-click, not by Re-Run.
  bool singleRun = true;
  // The run writes the ISP DEMO firmware into the top kilobyte.
  bool demoWriteMode = false;
  // The user asked to close the window while the run goes on.
  bool closeRequested = false;
  // Set when a data frame failed while closeRequested: the front end closes
  // the window half a second later.
  bool failedWhileClosing = false;
};

// What an operation on the target works with: the link, the message pane, the
// host for progress and boxes, the image, the selected model and the flags.
// Plain references: two programmers in one process share nothing.
struct OpContext {
  IspLink& link;
  MessagePane& pane;
  Host& host;
  ImageBuffer& image;
  const SelectedModel& model;
  OperationFlags& flags;
  // The blocks Program may leave out of this run; none when null.
  BlankSkip* blankSkip = nullptr;
};

}  // namespace qrk
