#pragma once

#include <QString>

#include "run_gate.h"

namespace qrk {
class HexView;
class Programmer;
class WindowModel;
}  // namespace qrk

namespace qrkgui {

class Twips;
class WindowHost;

// The core objects every page binds its widgets to. Pages reach one another
// only through these and through the window that composes them.
struct PageContext {
  qrk::Programmer& programmer;
  qrk::WindowModel& model;
  qrk::HexView& view;
  WindowHost& host;
  RunGate& runs;
  const Twips& twips;
};

// What the window tells every page; a page shows again only what it holds.
class WindowPage {
 public:
  virtual ~WindowPage() = default;

  // Start-up, once the saved settings are in effect.
  virtual void showSaved() {}
  // A model was chosen.
  virtual void showModel() {}
  // After each settings tick: the choices it may have put right.
  virtual void showSettled() {}
  // A file was opened into the image.
  virtual void showFile(const QString& /*path*/) {}
  // The image's bytes changed without a file (the serial number).
  virtual void showImage() {}
  // A run started or returned, or a choice that governs a lock changed.
  virtual void showLock(const RunLock& /*lock*/) {}
  // A Run or Re-Run returned: what it counted, read back and stamped.
  virtual void showRunResult() {}
  // Its tab became the current one.
  virtual void opened() {}
  // Whether its tab can be chosen now.
  virtual bool available() const { return true; }
};

}  // namespace qrkgui
