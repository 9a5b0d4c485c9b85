#pragma once

#include <QString>
#include <optional>

#include "cli_host.h"
#include "ops/programmer.h"

namespace qrkcli {

// The load options of `run`, as typed.
struct RunImageOptions {
  QString path;        // --file; empty: nothing to load
  QString startText;   // --start; empty: the window's 0
  QString fillText;    // --fill; empty: the saved fill byte
  bool force = false;  // --force: program an image whose load gave warnings
};

// Loads the image a run programs, with the window's load sequence. Returns an
// exit status when the run must not go ahead (bad input: 2, after the reason
// on stderr): a refused start address or fill byte, a missing or unreadable
// file, and an image whose load gave any warning unless forced. nullopt when
// the run may go on.
std::optional<int> loadRunImage(qrk::Programmer& programmer, const RunImageOptions& options,
                                CliHost& host, const QString& command);

// Writes image bytes 0 .. 0xFFFF (what Read_AP_ISP read) to `path`, whole or
// not at all. False with the reason in *error.
bool writeReadBack(const qrk::ImageBuffer& image, const QString& path, QString* error);

}  // namespace qrkcli
