#pragma once

#include <string>
#include <utility>

#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/image_buffer.h"
#include "link/isp_link.h"
#include "platform/event_loop.h"
#include "platform/host.h"
#include "platform/message_pane.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"

namespace qrk {

// How a run ended, for a front end that must not guess from the pane text.
struct RunResult {
  bool portOpened = false;
  bool connected = false;
  bool stopped = false;
  int status = -1;  // the dispatched function's status: 0 success
  bool ok() const { return portOpened && connected && !stopped && status == 0; }
};

// The window's state as one explicit object: the link, the pane, the selected
// model, the option panel and the image, with the platform it runs on. The GUI
// binds its widgets to these fields; the CLI drives the same object.
class Programmer {
 public:
  Programmer(SerialPort& port, EventLoop& loop, SettingsStore& settings, Host& host);

  IspLink& link() { return link_; }
  MessagePane& pane() { return pane_; }
  Host& host() { return host_; }
  EventLoop& loop() { return loop_; }
  SettingsStore& settings() { return settings_; }
  SelectedModel& model() { return model_; }
  const SelectedModel& model() const { return model_; }
  OptionPanel& options() { return options_; }
  ImageBuffer& image() { return image_; }
  // Two hex digits of the last version reply, "0" when none came.
  const std::string& bootloaderVersion() const { return bootloaderVersion_; }
  void setBootloaderVersion(std::string version) { bootloaderVersion_ = std::move(version); }

  // Picks a model by its exact name and rebuilds the option panel for its
  // kind. False (and nothing changed but the block size) for an unknown name.
  bool selectModel(const std::string& name);

  // One run: open the port, connect while the target is powered on, run the
  // named function, close the port. Messages go to the pane.
  RunResult runFunction(const std::string& function, const std::string& portName);

  // The Stop button: every wait ends, the stop command is sent, the port closed.
  void stop();

 private:
  SerialPort& port_;
  EventLoop& loop_;
  SettingsStore& settings_;
  Host& host_;
  IspLink link_;
  MessagePane pane_;
  SelectedModel model_;
  OptionPanel options_;
  ImageBuffer image_;
  std::string bootloaderVersion_ = "0";
};

}  // namespace qrk
