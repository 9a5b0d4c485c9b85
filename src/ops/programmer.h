#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/auto_increment.h"
#include "image/image_buffer.h"
#include "image/image_loader.h"
#include "link/isp_link.h"
#include "link/status.h"
#include "ops/blank_skip.h"
#include "ops/function_id.h"
#include "ops/function_list.h"
#include "ops/op_context.h"
#include "ops/production_record.h"
#include "ops/production_settings.h"
#include "ops/run_controls.h"
#include "ops/start_signal.h"
#include "ops/success_counter.h"
#include "ops/target_supply.h"
#include "platform/event_loop.h"
#include "platform/host.h"
#include "platform/message_pane.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"

namespace qrk {

// How a run ended, for a front end that must not guess from the pane text:
// the function asked for, the step that decided a failure (the function
// itself, or the list's slot under Auto; none while connecting) and why.
struct RunResult {
  std::optional<FunctionId> function;  // none: no function of that name
  std::optional<FunctionId> step;
  bool portOpened = false;
  bool connected = false;
  bool stopped = false;
  Status status = Status::failure(Reason::Usage);
  // The programmer switched the chip's supply on for this run.
  bool supplySwitched = false;
  // Refused before anything was sent: the port cannot do what the fixture
  // needs (the status says why). Asking again would change nothing.
  bool refused = false;
  bool ok() const { return portOpened && connected && !stopped && status.ok(); }
};

// The inputs of a file load that the window keeps beside the image.
struct LoadChoices {
  std::string startAddressText = "0";  // where in the buffer the file goes, as typed
  std::uint8_t fillByte = kDefaultFillByte;
  bool clearBuffer = false;
  bool reloadBeforeRun = false;
};

// The window's state as one explicit object: the link, the pane, the selected
// model, the option panel, the image with its serial number, the function list
// and the counters, with the platform it runs on. The GUI binds its widgets to
// these fields; the CLI drives the same object.
class Programmer {
 public:
  Programmer(SerialPort& port, EventLoop& loop, SettingsStore& settings, Host& host);

  IspLink& link() { return link_; }
  MessagePane& pane() { return pane_; }
  const MessagePane& pane() const { return pane_; }
  Host& host() { return host_; }
  EventLoop& loop() { return loop_; }
  SettingsStore& settings() { return settings_; }
  SelectedModel& model() { return model_; }
  const SelectedModel& model() const { return model_; }
  OptionPanel& options() { return options_; }
  ImageBuffer& image() { return image_; }
  AutoIncrement& autoIncrement() { return autoIncrement_; }
  FunctionList& functionList() { return functionList_; }
  const FunctionList& functionList() const { return functionList_; }
  SuccessCounter& successCounter() { return successCounter_; }
  ProductionSettings& production() { return production_; }
  OperationFlags& flags() { return flags_; }
  LoadChoices& loadChoices() { return loadChoices_; }
  RunControls& controls() { return controls_; }
  // The target's supply, when the fixture lets the programmer switch it.
  TargetSupply& supply() { return supply_; }
  // What starts each chip of a Re-Run loop.
  StartGate& startGate() { return startGate_; }
  const RunControls& controls() const { return controls_; }
  // What program, verify and read-back work with.
  OpContext context() {
    return OpContext{link_, pane_, host_, image_, model_, flags_, &blankSkip_};
  }

  // Two hex digits of the last version reply, "0" when none came.
  const std::string& bootloaderVersion() const { return bootloaderVersion_; }
  void setBootloaderVersion(std::string version) { bootloaderVersion_ = std::move(version); }
  // The port runs open.
  const std::string& portName() const { return portName_; }
  void setPortName(std::string name) { portName_ = std::move(name); }
  // The "File Check Sum" text of the file last loaded, empty when none is.
  const std::string& checksumText() const { return checksumText_; }

  // What this run learnt about the chip in hand; beginChip() starts afresh.
  ChipFacts& chip() { return chip_; }
  const ChipFacts& chip() const { return chip_; }
  // What this run proved blank on the chip in hand, and what Program left out.
  BlankSkip& blankSkip() { return blankSkip_; }
  void beginChip();
  // A counter that several programmers share (a line database): each chip
  // programmed with the serial number ticked takes its number from it instead
  // of the image's own next value. nullptr: the image's own number.
  void setSerialCounter(SerialCounter* counter) { serialCounter_ = counter; }

  // Start-up: the function list (an empty one receives the default list), the
  // counter, the production choices and the serial-number inputs.
  void loadSettings();

  // Picks a model by its exact name and rebuilds the option panel for its
  // kind. False (and nothing changed but the block size) for an unknown name.
  bool selectModel(const std::string& name);

  // Chooses the ISP Space entry `text` names ("1.5k", "1.5K" and "1.5" name
  // the same entry), then runs the reload check. False, with the sizes the
  // model offers in *error and nothing changed, for any other text.
  bool setIspSpace(std::string_view text, std::string* error = nullptr);

  // The reload check, run after every change of model or ISP Space and by the
  // window's settings tick: a loaded image that reaches the AP end of the
  // memory map now shown was laid out for another map, so the user is asked
  // to load the file again and the image is reset to the fill byte. Never
  // while a run is active: the map cannot change under a run. True when the
  // image was reset (the window then shows "File:" over the view).
  bool checkReload();

  // Loads `path` into the image with the window's load choices. The serial
  // number belongs to the old image: the feature is switched off, and the user
  // switches it on again to stamp the new one.
  LoadResult loadFile(const std::string& path);
  // The files the loaded image was built from, in load order: one, or several
  // laid over each other while "Clear Buffer" is unticked. A reload before a
  // run loads them all again.
  const std::vector<ImageSource>& imageSources() const { return imageSources_; }

  // Before the image is programmed: reloads the files of the image when the
  // user asked for it on a single run, and stamps the serial number again
  // where the feature is on. A failure when programming must not go ahead:
  // the reload failed (File: the old image is not what the user wants on the
  // chip) or a serial number that is switched on could not be stamped.
  Status prepareImageForProgram();

  // Writes the option bytes and, once the chip has them, advances the serial
  // number: the option write ends a chip's cycle. A number that no longer fits
  // its field fails the write's result, so the run is not counted a success.
  Status writeOptionAndAdvance(bool showMessages);

  // One run: open the port, connect while the target is powered on, run the
  // named function, close the port. Messages go to the pane.
  RunResult runFunction(std::optional<FunctionId> function, const std::string& portName);

  // The link side of Stop: every wait ends, the stop command is sent and the
  // port closed. The buttons and the Re-Run loop are the production loop's.
  void stop();

 private:
  LoadOptions loadOptions() const;
  Status takeSharedSerialNumber();

  SerialPort& port_;
  EventLoop& loop_;
  SettingsStore& settings_;
  Host& host_;
  IspLink link_;
  MessagePane pane_;
  SelectedModel model_;
  OptionPanel options_;
  ImageBuffer image_;
  AutoIncrement autoIncrement_;
  FunctionList functionList_;
  SuccessCounter successCounter_;
  ProductionSettings production_;
  OperationFlags flags_;
  LoadChoices loadChoices_;
  RunControls controls_;
  TargetSupply supply_;
  StartGate startGate_;
  std::vector<ImageSource> imageSources_;
  std::string bootloaderVersion_ = "0";
  std::string portName_;
  std::string checksumText_;
  ChipFacts chip_;
  BlankSkip blankSkip_;
  SerialCounter* serialCounter_ = nullptr;
};

}  // namespace qrk
