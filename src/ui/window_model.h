#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "image/memory_map.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "ops/run_controls.h"
#include "ui/settings_ticker.h"
#include "ui/window_settings.h"
#include "ui/window_state.h"

namespace qrk {

// The main window without its widgets: start-up, the events of every control
// whose choice is saved, the settings timer, runs and shut-down. The Qt window
// forwards each widget event to the method named after it and, when told to
// refresh, re-reads what it shows from here and from programmer().
//
// Nothing here shows anything by itself: message boxes go through the
// programmer's Host, and everything else is read back by the window.
class WindowModel {
 public:
  static constexpr const char* kProgramFrameCaption = "Program / 编程";
  // Added to the reply wait for the last save at shut-down, so that it
  // follows a reply time-out that may still be pending.
  static constexpr int kCloseSaveDelayMs = 200;

  WindowModel(Programmer& programmer, ProductionLoop& production);
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  Programmer& programmer() { return p_; }
  ProductionLoop& production() { return production_; }
  WindowState& state() { return state_; }
  const WindowState& state() const { return state_; }
  SettingsTicker& ticker() { return ticker_; }

  // Called after every settings tick (where the memory map is refreshed),
  // and again when the tick's reload check reset the image: the tick may
  // have put a choice right (an ISP Space entry chosen, a model text that
  // names no model replaced), so the window re-reads the model text, the ISP
  // Space choice, the port text, programFrameCaption(), memoryMap() and,
  // from the image, whether a file is loaded (the caption "File:").
  void setViewRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }
  // The reload check the tick runs: Programmer::checkReload() unless
  // replaced. It returns whether it reset the image.
  void setReloadCheck(std::function<bool()> check) { reloadCheck_ = std::move(check); }

  // Start-up: the settings the programmer's parts own (function list with
  // its default, counter, production choices, serial-number inputs), then
  // the window's; the first tick follows 100 ms later, as after any choice of
  // model.
  void start();

  // --- events of the watched controls ----------------------------------------
  // `combMcuModel` Click or Change: the list's entry or the typed text. A
  // recognised name (a listed one or a kind-0 one) is selected and kept.
  void modelTextChanged(std::string_view text);
  void modelChosen(int listIndex);
  // `Combo2` Click or Change; the programmer checks the image against the new
  // map at once. False, choice unchanged, for a position the model's list
  // does not have.
  bool ispSpaceChosen(int index);
  // `optFillbyte` MouseUp: 0xFF for "FF", 0x00 for "00". The image keeps its
  // bytes; the next clear uses the new value.
  void fillByteChosen(std::uint8_t fillByte);
  // `combCommPort` Click: a COM entry.
  void portChosen(int index);
  // `combCommPort` Change or LostFocus: the box's text (see PortList::setText).
  void portTextChanged(std::string_view text);
  // `Combo1` Click.
  void baudChosen(int index);
  // `optBeepNo` Click, `optBeepYes` LostFocus.
  void beepChosen(bool beepOnSuccess);
  // `comDalay_ReDownLoad` LostFocus: a position in its list ("9" .. "2");
  // false, choice unchanged, outside it.
  bool delayChosen(int index);
  // `cekReloadFile` Click.
  void reloadBoxClicked(bool ticked);
  // The Option page's "skip blank blocks" box.
  void skipBlankClicked(bool ticked);
  // The Option page's supply switch, its commands or the start signal.
  void fixtureChanged(const FixtureSettings& fixture);
  // `Check6` ("Clear Buffer") Click.
  void clearBufferClicked(bool ticked);
  // Any control of the ISP DEMO page.
  void ispDemoChanged(const IspDemoChoices& choices);
  // `txtWrite_OK_Count` edited by the user.
  void counterTextChanged(std::string text);

  // The open dialog's choice: remembered at once as the next dialog's start
  // (and the file a reload reads), then loaded.
  LoadResult fileChosen(const std::string& path);

  // --- runs ------------------------------------------------------------------
  // Run, Re-Run and Stop over the production loop; the port is the port
  // list's choice. A reload check that a settings tick deferred during the
  // run happens when it returns.
  RunResult run(std::optional<FunctionId> function);
  ProductionLoop::Summary reRun(std::optional<FunctionId> function);
  void stopClicked();
  // Any run that locks the controls (a Run, a Re-Run loop, a DEMO write).
  bool runActive() const;
  // For runs started elsewhere (a DEMO write): call when they return.
  void runEnded() { ticker_.runEnded(); }

  // --- shut-down -------------------------------------------------------------
  // The close request: marks the close for the loops that check it, stops
  // any run, lets the last save happen (waiting on the event loop) and closes
  // the port. Called from inside a run's wait, the run unwinds after this
  // returns: destroy the window only once runActive() is false.
  void shutDown();

  // --- what the window shows -------------------------------------------------
  static std::vector<std::string> modelEntries();
  // Position of the selected model in modelEntries(); -1 for a kind-0 model
  // (typed, not listed) or before the first selection.
  int modelIndex() const;
  // Position of the ISP Space choice in the programmer's list; -1 when none.
  int ispSpaceIndex() const;
  // "Program / 编程 ( COM 1, 115200 )".
  std::string programFrameCaption() const;
  // The four memory-map boxes for the model and ISP Space in effect.
  MemoryMapTexts memoryMap() const;
  // The choices that govern the ISP DEMO controls a run does not simply
  // unlock, for lockableEnabled().
  UnlockConditions unlockConditions() const;

  // --- the settings as a whole ---------------------------------------------
  WindowSettings currentSettings() const;
  // Puts stored settings into effect: the model (by name where the store has
  // one), then its ISP Space entry checked against the model's list, then
  // everything else.
  void applySettings(const WindowSettings& settings);

 private:
  void changed(SettingsTicker::Change change);
  void prepareRun();
  // The tick's first steps: every list gets a choice again.
  void settleChoices();
  void save();
  void showMemoryMap();
  void checkReload();

  Programmer& p_;
  ProductionLoop& production_;
  WindowState state_;
  std::function<void()> refresh_;
  std::function<bool()> reloadCheck_;
  SettingsTicker ticker_;
};

}  // namespace qrk
