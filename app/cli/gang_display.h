#pragma once

#include <QString>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

#include "gang_port.h"

namespace qrkcli {

// What the operator sees of a gang. On a terminal: one live line per port
// (port, chip count, step, progress, last result), redrawn at most ten times
// a second, with the runs' stderr lines printed above it. Redirected: one
// line per finished chip, nothing redrawn.
class GangDisplay {
 public:
  GangDisplay(std::FILE* out, bool live, const std::vector<std::unique_ptr<GangPort>>& ports);

  void changed();
  void chipEnded(const GangPort& port);
  void errorLine(const GangPort& port, const QString& line);
  // Draws the last state for good; later output goes below it.
  void finish();

  // One port's live line, without the terminal's control codes.
  static QString statusLine(const GangPortState& state, qsizetype nameWidth);

 private:
  void redraw();
  void clear();

  std::FILE* out_;
  bool live_;
  const std::vector<std::unique_ptr<GangPort>>& ports_;
  qsizetype nameWidth_ = 0;
  QTimer redrawTimer_;
  int drawnLines_ = 0;
};

}  // namespace qrkcli
