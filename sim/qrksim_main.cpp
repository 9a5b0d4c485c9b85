// qrksim: a simulated QRK chip on a pseudo-terminal. See `qrksim --help`.

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "sim/board_files.h"
#include "sim/flash_files.h"
#include "sim/pty_server.h"
#include "sim/qrksim_options.h"

int main(int argc, char** argv) {
  using namespace qrk::sim;
  std::signal(SIGPIPE, SIG_IGN);  // a closed stdout must not kill us before --flash-out

  const std::vector<std::string_view> args(argv + 1, argv + argc);
  // Alone, --version asks for ours; with a value it sets the bootloader's.
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("qrksim %s\n", QRK_VERSION);
    return 0;
  }
  std::string error;
  const auto options = parseQrksimArgs(args, &error);
  if (!options) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(qrksimUsage().c_str(), stdout);
    return 0;
  }

  QrkDevice device = QrkDevice::forModel(options->model, options->device);
  BoardDevice board(options->device, options->capacityKb);
  const bool loaded = options->flashIn.empty() ||
                      (options->board ? loadBoardMemory(board, options->flashIn, &error)
                                      : loadFlashFiles(device, options->flashIn, &error));
  if (!loaded) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    return 2;
  }
  LineDevice& served = options->board ? static_cast<LineDevice&>(board) : device;

  if (!options->linkPath.empty() && !PtyServer::linkPathUsable(options->linkPath, &error)) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    return 2;
  }
  PtyServer server;
  if (!server.open(options->linkPath, &error)) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    return 1;
  }
  if (!options->supplyFifo.empty()) {
    if (!server.openSupplyFifo(options->supplyFifo, &error)) {
      std::fprintf(stderr, "qrksim: %s\n", error.c_str());
      return 2;
    }
    device.setBootObserver([](std::int64_t sinceUs) {
      std::fprintf(stderr, "qrksim: handshake %.3f ms after power-on\n",
                   static_cast<double>(sinceUs) / 1000.0);
    });
  }
  std::printf("PTY %s\n", server.path().c_str());
  std::fflush(stdout);

  int status = 0;
  if (!server.serve(served, PtyServer::stdinCanEnd(), &error)) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    status = 1;
  }
  if (options->board) std::fprintf(stderr, "%s\n", describeSelfCheck(board.selfCheck()).c_str());
  const bool saved = options->flashOut.empty() ||
                     (options->board ? saveBoardMemory(board, options->flashOut, &error)
                                     : saveFlashFiles(device, options->flashOut, &error));
  if (!saved) {
    std::fprintf(stderr, "qrksim: %s\n", error.c_str());
    status = 1;
  }
  return status;
}
