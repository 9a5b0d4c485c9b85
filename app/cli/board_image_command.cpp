#include <QCommandLineParser>
#include <QSaveFile>
#include <QTextStream>

#include "board_options.h"
#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "offline/image_placement.h"
#include "ops/programmer.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Writes the offline board's 64 KB memory (65,536 bytes, addresses 0000-FFFF) exactly as\n"
    "board-download would send it: the parameter block, the limit, the block CRCs and the\n"
    "image placed where the board keeps it; every byte never sent is 00. Nothing is sent.\n"
    "\n"
    "Data that the board's layout cannot hold is named on stderr and nothing is written\n"
    "(exit 1) unless --yes.\n"
    "\n"
    "Exit status: 0 written, 1 stopped at the warning or the file could not be written,\n"
    "2 bad usage or bad input.";

bool writeBoardFile(const qrk::BoardImage& board, const QString& path, QString* error) {
  QSaveFile file(path);
  const auto& bytes = board.bytes();
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size())) {
    *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace

int boardImageCommand(const QStringList& args) {
  QCommandLineParser parser;
  const BoardOptionFlags flags;
  flags.addTo(parser);
  const QCommandLineOption out("out", "The file the board's memory is written to.", "FILE.bin");
  parser.addOption(out);
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  if (parser.value(out).trimmed().isEmpty()) return usageError(args, "--out FILE.bin is required");

  // Nothing is sent: the session's port stays closed.
  BoardSession session;
  if (auto status = flags.apply(parser, args, session)) return *status;
  qrk::Programmer& programmer = session.programmer();

  const qrk::BoardHeader header = qrk::BoardHeader::derive(programmer.model(), programmer.options(),
                                                           programmer.image().rangeHigh);
  if (const auto dropped =
          qrk::findDroppedData(header, programmer.image(), programmer.loadChoices().fillByte)) {
    QTextStream(stderr) << QString::fromStdString(toLfLineBreaks(qrk::droppedDataWarning(*dropped)))
                        << "\n";
    if (!parser.isSet(flags.yes)) {
      QTextStream(stderr) << args.first() << ": nothing written; --yes writes it anyway\n";
      return kExitFailed;
    }
  }
  qrk::BoardImage board;
  assembleBoardImage(board, *qrk::checkDownloadLimit(session.limitText).counter, header,
                     programmer.image());
  QString error;
  if (!writeBoardFile(board, parser.value(out), &error)) {
    QTextStream(stderr) << args.first() << ": cannot write " << parser.value(out) << ": " << error
                        << "\n";
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace qrkcli
