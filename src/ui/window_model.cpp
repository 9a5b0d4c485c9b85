#include "ui/window_model.h"

#include <algorithm>
#include <utility>

#include "device/mcu_model.h"
#include "device/option_panel.h"

namespace qrk {

namespace {

std::string firstListedModel() { return std::string(listedModels().front().name); }

}  // namespace

WindowModel::WindowModel(Programmer& programmer, ProductionLoop& production)
    : p_(programmer),
      production_(production),
      reloadCheck_([this] { return p_.checkReload(); }),
      ticker_(programmer.loop(), SettingsTicker::Steps{
                                     [this] {
                                       settleChoices();
                                       save();
                                     },
                                     [this] { showMemoryMap(); },
                                     [this] { checkReload(); },
                                     [this] { return runActive(); },
                                 }) {}

void WindowModel::start() {
  p_.loadSettings();
  applySettings(loadWindowSettings(p_.settings()));
  // Choosing the stored model starts the settings timer, as any choice of
  // model does: a damaged store is written back whole and sound at once.
  changed(SettingsTicker::Change::MayMoveMemoryMap);
}

void WindowModel::changed(SettingsTicker::Change change) { ticker_.changed(change); }

// --- events ------------------------------------------------------------------

void WindowModel::modelTextChanged(std::string_view text) {
  state_.modelText = std::string(text);
  p_.selectModel(state_.modelText);
  changed(SettingsTicker::Change::MayMoveMemoryMap);
}

void WindowModel::modelChosen(int listIndex) {
  const auto models = listedModels();
  if (listIndex < 0 || listIndex >= static_cast<int>(models.size())) return;
  modelTextChanged(models[static_cast<std::size_t>(listIndex)].name);
}

bool WindowModel::ispSpaceChosen(int index) {
  const std::vector<std::string>& entries = p_.options().ispSpaceEntries;
  if (index < 0 || index >= static_cast<int>(entries.size())) return false;
  if (!p_.setIspSpace(entries[static_cast<std::size_t>(index)])) return false;
  changed(SettingsTicker::Change::MayMoveMemoryMap);
  return true;
}

void WindowModel::fillByteChosen(std::uint8_t fillByte) {
  p_.loadChoices().fillByte = fillByte == 0xFF ? 0xFF : 0x00;
  changed(SettingsTicker::Change::MayMoveMemoryMap);
}

void WindowModel::portChosen(int index) {
  state_.ports.select(index);
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::portTextChanged(std::string_view text) {
  state_.ports.setText(text);
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::baudChosen(int index) {
  const bool listed = index >= 0 && index < static_cast<int>(WindowState::kBaudEntries.size());
  state_.baudIndex = listed ? index : 0;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::beepChosen(bool beepOnSuccess) {
  p_.production().beepOnSuccess = beepOnSuccess;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

bool WindowModel::delayChosen(int index) {
  if (index < 0 || index >= static_cast<int>(ProductionSettings::kDelayEntries.size())) {
    return false;
  }
  p_.production().delayIndex = index;
  changed(SettingsTicker::Change::KeepsMemoryMap);
  return true;
}

void WindowModel::reloadBoxClicked(bool ticked) {
  p_.loadChoices().reloadBeforeRun = ticked;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::skipBlankClicked(bool ticked) {
  p_.production().skipBlank = ticked;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::fixtureChanged(const FixtureSettings& fixture) {
  p_.supply().setSwitch(fixture.supply);
  p_.startGate().setSignal(fixture.start);
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::clearBufferClicked(bool ticked) {
  p_.loadChoices().clearBuffer = ticked;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::ispDemoChanged(const IspDemoChoices& choices) {
  state_.ispDemo = choices;
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

void WindowModel::counterTextChanged(std::string text) {
  p_.successCounter().setText(std::move(text));
  changed(SettingsTicker::Change::KeepsMemoryMap);
}

LoadResult WindowModel::fileChosen(const std::string& path) {
  state_.filePath = path;
  p_.settings().setValue(WindowSettings::kSection, "FilePath", path);
  return p_.loadFile(path);
}

// --- runs --------------------------------------------------------------------

void WindowModel::prepareRun() {
  // A text typed into the model box a moment ago may have left the model in
  // effect half reset (block size, AP reach) until the tick: no run starts so.
  settleChoices();
  p_.setPortName(state_.ports.portToOpen());
}

RunResult WindowModel::run(std::optional<FunctionId> function) {
  prepareRun();
  const RunResult result = production_.run(function);
  ticker_.runEnded();
  return result;
}

ProductionLoop::Summary WindowModel::reRun(std::optional<FunctionId> function) {
  prepareRun();
  const ProductionLoop::Summary summary = production_.reRun(function);
  ticker_.runEnded();
  return summary;
}

void WindowModel::stopClicked() { production_.stopClicked(); }

bool WindowModel::runActive() const { return p_.controls().locked; }

void WindowModel::shutDown() {
  p_.flags().closeRequested = true;
  production_.stopClicked();
  ticker_.startClosing(p_.link().replyWaitMs() + kCloseSaveDelayMs);
  p_.loop().waitUntil([this] { return !ticker_.pending(); });
  p_.link().closePort();
}

// --- what the window shows ---------------------------------------------------

std::vector<std::string> WindowModel::modelEntries() {
  std::vector<std::string> names;
  for (const McuModel& m : listedModels()) names.emplace_back(m.name);
  return names;
}

int WindowModel::modelIndex() const {
  if (!p_.model().selected) return -1;
  const auto models = listedModels();
  for (std::size_t i = 0; i < models.size(); ++i) {
    if (models[i].name == p_.model().name) return static_cast<int>(i);
  }
  return -1;
}

int WindowModel::ispSpaceIndex() const {
  const OptionPanel& panel = p_.options();
  if (panel.ispSpaceText.empty()) return -1;
  const auto it =
      std::find(panel.ispSpaceEntries.begin(), panel.ispSpaceEntries.end(), panel.ispSpaceText);
  return it == panel.ispSpaceEntries.end() ? -1
                                           : static_cast<int>(it - panel.ispSpaceEntries.begin());
}

std::string WindowModel::programFrameCaption() const {
  const auto baud = WindowState::kBaudEntries[static_cast<std::size_t>(state_.baudIndex)];
  return std::string(kProgramFrameCaption) + " ( " + state_.ports.captionText() + ", " +
         std::string(baud) + " )";
}

MemoryMapTexts WindowModel::memoryMap() const {
  return memoryMapTexts(p_.model(), p_.options().ispSpaceText);
}

UnlockConditions WindowModel::unlockConditions() const {
  return UnlockConditions{p_.model().apUpToIsp, state_.ispDemo.noWatchdog, state_.ispDemo.no485Pin};
}

// --- the settings as a whole -------------------------------------------------

WindowSettings WindowModel::currentSettings() const {
  WindowSettings s;
  // A kind-0 model has no list position; its name, saved beside, brings it
  // back, and an older reader of the position gets the first model as it
  // always did.
  s.modelIndex = std::max(modelIndex(), 0);
  s.modelName = p_.model().selected ? p_.model().name : std::string();
  s.ispSpaceIndex = std::max(ispSpaceIndex(), 0);
  s.filePath = state_.filePath;
  s.fillByte = p_.loadChoices().fillByte;
  s.portIndex = state_.ports.comIndex();
  s.portPath = state_.ports.typedPath();
  s.baudIndex = state_.baudIndex;
  s.production = p_.production();
  s.ispDemo = state_.ispDemo;
  s.okCountText = p_.successCounter().text();
  s.reloadBeforeRun = p_.loadChoices().reloadBeforeRun;
  s.clearBuffer = p_.loadChoices().clearBuffer;
  s.fixture.supply = p_.supply().supplySwitch();
  s.fixture.start = p_.startGate().signal();
  return s;
}

void WindowModel::applySettings(const WindowSettings& s) {
  std::string name;
  if (const McuModel* named = findModel(s.modelName)) {
    name = std::string(named->name);
  } else {
    const auto models = listedModels();
    const bool listed = s.modelIndex >= 0 && s.modelIndex < static_cast<int>(models.size());
    name = std::string(models[listed ? static_cast<std::size_t>(s.modelIndex) : 0].name);
  }
  if (!p_.model().selected || p_.model().name != name) p_.selectModel(name);
  state_.modelText = p_.model().name;
  // The list the position indexes is the restored model's: a position it
  // does not have (another kind's, a damaged value) takes the first entry.
  if (!selectIspSpaceIndex(p_.options(), s.ispSpaceIndex)) selectIspSpaceIndex(p_.options(), 0);

  state_.filePath = s.filePath;
  p_.loadChoices().fillByte = s.fillByte;
  p_.loadChoices().reloadBeforeRun = s.reloadBeforeRun;
  p_.loadChoices().clearBuffer = s.clearBuffer;
  state_.ports.select(s.portIndex);
  if (!s.portPath.empty()) state_.ports.setText(s.portPath);
  const bool baudListed =
      s.baudIndex >= 0 && s.baudIndex < static_cast<int>(WindowState::kBaudEntries.size());
  state_.baudIndex = baudListed ? s.baudIndex : 0;
  p_.production() = s.production;
  state_.ispDemo = s.ispDemo;
  p_.successCounter().setText(s.okCountText);
  p_.supply().setSwitch(s.fixture.supply);
  p_.startGate().setSignal(s.fixture.start);
}

// --- the tick ------------------------------------------------------------------

void WindowModel::settleChoices() {
  // A recognised name stays what the user typed, listed or not. A text that
  // names no model leaves the model in effect as it was (only its block size
  // and AP reach were reset by the failed match, and are restored here); the
  // box shows that model again instead of quietly switching to the first.
  SelectedModel& model = p_.model();
  if (findModel(state_.modelText) != nullptr) {
    if (!model.selected || model.name != state_.modelText) p_.selectModel(state_.modelText);
  } else {
    if (model.selected) {
      selectModel(model, model.name);
    } else {
      p_.selectModel(firstListedModel());
    }
    state_.modelText = model.name;
  }
  if (ispSpaceIndex() < 0) selectIspSpaceIndex(p_.options(), 0);
}

void WindowModel::save() { saveWindowSettings(p_.settings(), currentSettings()); }

void WindowModel::showMemoryMap() {
  if (refresh_) refresh_();
}

void WindowModel::checkReload() {
  if (reloadCheck_ && reloadCheck_() && refresh_) refresh_();
}

}  // namespace qrk
