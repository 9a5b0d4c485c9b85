#include <QCommandLineParser>
#include <QTextStream>

#include "board_options.h"
#include "command_line.h"
#include "commands.h"
#include "fixture_options.h"
#include "frame_trace.h"
#include "offline/board_download.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "run_steps.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Loads the offline programming board: connects while the board is switched on (about\n"
    "4 s per pass of the handshake), reads its capacity and version, erases it and sends\n"
    "the board image (see board-image) in CRC-checked frames, every group of four frames\n"
    "retried when a frame is not acknowledged. stdout carries the message pane's text,\n"
    "message boxes go to stderr, a progress bar too when stderr is a terminal.\n"
    "\n"
    "Where the window asks before anything is erased (data the board cannot hold, loaded\n"
    "data reaching the board's capacity) the download stops there with exit 1 unless --yes.\n"
    "\n"
    "--power switches the board's supply as 'qrkprog run' does for a chip: off, then on\n"
    "right before the handshake, and off again when the download ends.\n"
    "\n"
    "Exit status: 0 \"Download OK.\", 1 the download failed, was stopped (Ctrl-C stops it as\n"
    "the Stop button does) or was not confirmed, 2 bad usage or bad input (nothing sent).";

}  // namespace

int boardDownloadCommand(const QStringList& args) {
  QCommandLineParser parser;
  const BoardOptionFlags flags;
  flags.addTo(parser);
  const QCommandLineOption port("port", "The serial port the board is on.", "DEV");
  const QCommandLineOption trace("trace", "Write every frame sent and received to stderr.");
  parser.addOptions({port, trace});
  addPowerOptions(parser);
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  const QString portName = parser.value(port).trimmed();
  if (portName.isEmpty()) return usageError(args, "--port DEV is required");
  qrk::SupplySwitch supply;
  if (auto status = readPowerArguments(parser, args, &supply)) return *status;

  BoardSession board;
  board.host.setAssumeYes(parser.isSet(flags.yes));
  if (auto status = flags.apply(parser, args, board)) return *status;
  qrk::Programmer& programmer = board.programmer();
  if (parser.isSet(trace)) programmer.link().setTraceSink(traceTo(stderr));
  programmer.supply().setSwitch(supply);

  qrk::BoardDownload download(programmer, board.session.productionLoop());
  qrk::BoardDownloadResult result;
  const bool interrupted =
      runStoppable(board.session, portName, [&] { result = download.run(board.limitText); });
  board.host.finish();
  if (result.cancelled && !interrupted) {
    QTextStream(stderr) << args.first() << ": not confirmed; --yes downloads anyway\n";
  }
  const int status = result.refused ? kExitUsage : result.ok ? kExitSuccess : kExitFailed;
  return reportPortEnd(board.session, args.first(), portName, result.portOpened, interrupted,
                       status);
}

}  // namespace qrkcli
