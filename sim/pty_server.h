#pragma once

#include <string>

#include "sim/line_device.h"

namespace qrk::sim {

// Serves a simulated chip on a pseudo-terminal in real time. The slave side
// is what a programmer opens as its serial port. The server keeps a slave
// descriptor of its own open, so that the programmer closing and reopening the
// port (every run does) never hangs up the master side.
class PtyServer {
 public:
  PtyServer() = default;
  // Closes the pseudo-terminal and removes the link, if it still points at it.
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Holds SIGTERM, SIGINT and SIGHUP back for serve() to handle, opens a
  // pseudo-terminal in raw mode and, when `linkPath` is not empty, points a
  // symbolic link there at it (replacing an existing link, never a file).
  // False with a one-line reason on failure.
  bool open(const std::string& linkPath, std::string* error);
  const std::string& path() const { return path_; }

  // The device's supply follows the lines "on" and "off" written to the FIFO
  // at `fifoPath` (made when missing). False with a one-line reason when it
  // cannot be made or opened.
  bool openSupplyFifo(const std::string& fifoPath, std::string* error);

  // Answers the programmer until SIGTERM, SIGINT or SIGHUP, or, with
  // `watchStdin`, until stdin ends (what comes on it is discarded). Blocks in
  // poll until the next byte arrives or is due: it never spins. False with a
  // one-line reason when the pseudo-terminal fails.
  bool serve(LineDevice& device, bool watchStdin, std::string* error);

  // Whether a link may be placed at `linkPath`: nothing is there, or a
  // symbolic link. False with a one-line reason otherwise.
  static bool linkPathUsable(const std::string& linkPath, std::string* error);

  // Whether stdin is a pipe or a socket, the kinds whose end can tell qrksim
  // to stop; a terminal, a file or /dev/null cannot.
  static bool stdinCanEnd();

 private:
  int master_ = -1;
  int slave_ = -1;
  int signals_ = -1;
  int supply_ = -1;
  std::string path_;
  std::string linkPath_;
};

}  // namespace qrk::sim
