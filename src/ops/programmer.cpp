#include "ops/programmer.h"

#include "device/option_io.h"
#include "image/load_messages.h"
#include "image/memory_map.h"
#include "link/frame.h"
#include "ops/run_engine.h"
#include "ops/saved_choices.h"

namespace qrk {

Programmer::Programmer(SerialPort& port, EventLoop& loop, SettingsStore& settings, Host& host)
    : port_(port),
      loop_(loop),
      settings_(settings),
      host_(host),
      link_(port, loop),
      pane_(host),
      autoIncrement_(image_, model_, settings, host),
      functionList_(settings),
      successCounter_(settings),
      supply_(port, loop),
      startGate_(port, loop) {}

void Programmer::loadSettings() {
  // The model is stored as its position in the model list; a position the
  // list does not have leaves the model unselected rather than guessing.
  const std::optional<int> position = savedPosition(settings_, saved::kModelPosition);
  const auto models = listedModels();
  if (position && *position < static_cast<int>(models.size())) {
    selectModel(std::string(models[static_cast<std::size_t>(*position)].name));
    const int ispIndex = savedPosition(settings_, saved::kIspSpacePosition).value_or(0);
    if (!selectIspSpaceIndex(options_, ispIndex)) selectIspSpaceIndex(options_, 0);
  }
  loadChoices_.fillByte = savedFillByte(settings_);
  functionList_.loadOrDefault();
  successCounter_.load();
  production_.load(settings_);
  autoIncrement_.load();
}

bool Programmer::selectModel(const std::string& name) {
  if (!qrk::selectModel(model_, name)) return false;
  buildOptionPanel(options_, model_.mapKind);
  checkReload();
  return true;
}

bool Programmer::setIspSpace(std::string_view text, std::string* error) {
  if (!qrk::setIspSpace(options_, text, error)) return false;
  checkReload();
  return true;
}

bool Programmer::checkReload() {
  if (controls_.locked || !image_.fileLoaded) return false;
  const std::int32_t apEnd =
      readLimits(memoryMapTexts(model_, options_.ispSpaceText), model_).apEnd;
  if (image_.rangeLow < apEnd && image_.rangeHigh < apEnd) return false;
  host_.messageBox(std::string(kReloadFileMessage), "", MessageButtons::Ok);
  image_.reset(loadChoices_.fillByte);
  return true;
}

LoadOptions Programmer::loadOptions() const {
  LoadOptions o;
  o.model = model_;
  o.memoryMap = memoryMapTexts(model_, options_.ispSpaceText);
  o.startAddressText = loadChoices_.startAddressText;
  o.fillByte = loadChoices_.fillByte;
  o.clearBuffer = loadChoices_.clearBuffer;
  return o;
}

LoadResult Programmer::loadFile(const std::string& path) {
  autoIncrement_.disarm();
  const bool startsNewImage = !image_.fileLoaded || loadChoices_.clearBuffer;
  image_.filePath = path;
  LoadResult result = loadImage(image_, loadOptions(), host_);
  checksumText_ = result.loaded() ? result.checksumText : std::string();
  autoIncrement_.onToggle(false);
  if (result.loaded()) {
    if (startsNewImage) imageSources_.clear();
    imageSources_.push_back({path, loadChoices_.startAddressText});
  }
  return result;
}

void Programmer::beginChip() {
  chip_ = ChipFacts{};
  blankSkip_ = BlankSkip{};
  chip_.startedMs = loop_.nowMs();
}

Status Programmer::takeSharedSerialNumber() {
  if (chip_.serial) return Status::success();  // this chip has its number already
  std::string error;
  const std::optional<std::string> number = serialCounter_->take(&error);
  if (!number) {
    const Status refused = Status::failure(Reason::SerialNumber, "Serial number: " + error);
    host_.messageBox(refused.text, {}, MessageButtons::Ok);
    return refused;
  }
  chip_.serial = *number;
  // Disarms the field; the stamping below arms it again with this number.
  autoIncrement_.setNextValueText(*number);
  return Status::success();
}

Status Programmer::prepareImageForProgram() {
  const Status notStamped =
      Status::failure(Reason::SerialNumber, "the serial number could not be stamped");
  // The number is taken as late as possible, right before the image goes out,
  // so that a chip still waiting for power holds none.
  if (serialCounter_ != nullptr && autoIncrement_.ticked()) {
    if (Status taken = takeSharedSerialNumber(); !taken.ok()) return taken;
  }
  if (loadChoices_.reloadBeforeRun && flags_.singleRun && image_.fileLoaded) {
    const bool numbered = autoIncrement_.ticked();
    autoIncrement_.disarm();
    // An image whose files went unrecorded (filled in by hand) has the
    // remembered path of its last file.
    const std::vector<ImageSource> sources =
        imageSources_.empty()
            ? std::vector<ImageSource>{{image_.filePath, loadChoices_.startAddressText}}
            : imageSources_;
    const LoadResult reloaded = reloadFiles(image_, sources, loadOptions(), host_);
    // The old image is not what the user wants on the chip. The image and the
    // serial-number tick stay as they were, so that once the file is back the
    // next chip is numbered again instead of quietly going out without one.
    if (!reloaded.loaded()) {
      return Status::failure(Reason::File, "the image file could not be loaded again");
    }
    checksumText_ = reloaded.checksumText;
    autoIncrement_.onToggle(false);
    if (numbered && !autoIncrement_.rearm()) return notStamped;
    return Status::success();
  }
  if (autoIncrement_.ticked() && !autoIncrement_.armed() && !autoIncrement_.rearm()) {
    return notStamped;
  }
  return Status::success();
}

Status Programmer::writeOptionAndAdvance(bool showMessages) {
  Status status = writeOption(link_, pane_, options_, model_.mapKind, showMessages);
  if (!status.ok()) return status;
  chip_.optionsWritten = true;
  if (autoIncrement_.advance()) return status;
  return Status::failure(Reason::SerialNumber, "the next serial number does not fit its field");
}

RunResult Programmer::runFunction(std::optional<FunctionId> function, const std::string& portName) {
  return runSelectedFunction(*this, function, portName);
}

void Programmer::stop() {
  link_.requestStop();
  if (link_.isOpen()) {
    // What is still queued (the rest of a data frame) goes; the stop command
    // must not go with it, and the close lets it leave before the port's
    // settings are put back.
    port_.discardOutput();
    link_.sendShortCommand(cmd::kStop, link_.replyWaitMs(), 0);
    port_.discardInput();
  }
  supply_.switchOffNow();
  link_.closePort();
}

}  // namespace qrk
