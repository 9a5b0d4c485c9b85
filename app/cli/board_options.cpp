#include "board_options.h"

#include <QTextStream>

#include "command_line.h"
#include "commands.h"
#include "offline/board_messages.h"
#include "offline/limit_counter.h"
#include "run_image.h"

namespace qrkcli {

namespace {

int refuse(const QString& command, std::string_view message) {
  QTextStream(stderr) << command << ": "
                      << QString::fromStdString(toLfLineBreaks(std::string(message))) << "\n";
  return kExitUsage;
}

}  // namespace

std::optional<int> BoardOptionFlags::apply(const QCommandLineParser& parser,
                                           const QStringList& args, qrk::Programmer& programmer,
                                           CliHost& host, std::string* limitText) const {
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  if (!parser.isSet(model)) return usageError(args, "--model NAME is required");
  QString error;
  const qrk::McuModel* row = findModelOrExplain(parser.value(model), &error);
  if (row == nullptr) return usageError(args, error);
  programmer.selectModel(std::string(row->name));
  if (row->mapKind != 2) return refuse(args.first(), qrk::kBoardNotForModelText);
  qrk::selectIspSpaceIndex(programmer.options(), 0);
  if (parser.isSet(ispSpace)) {
    std::string reason;
    if (!qrk::setIspSpace(programmer.options(), parser.value(ispSpace).toStdString(), &reason)) {
      return usageError(args, QString::fromStdString(reason));
    }
  }
  for (const QString& assignment : parser.values(option)) {
    const qsizetype equals = assignment.indexOf('=');
    if (equals <= 0) return usageError(args, "--option takes ROW=CHOICE, not '" + assignment + "'");
    std::string reason;
    if (!qrk::setOption(programmer.options(), row->mapKind, assignment.left(equals).toStdString(),
                        assignment.mid(equals + 1).toStdString(), &reason)) {
      return usageError(args, QString::fromStdString(reason));
    }
  }
  if (!parser.isSet(limit)) return usageError(args, "--limit N is required");
  *limitText = parser.value(limit).toStdString();
  const qrk::DownloadLimitCheck check = qrk::checkDownloadLimit(*limitText);
  if (!check.counter) return refuse(args.first(), check.message);
  if (parser.value(file).trimmed().isEmpty()) {
    return refuse(args.first(), qrk::kBoardOpenFileText);
  }
  const RunImageOptions image{parser.value(file), parser.value(start), parser.value(fill),
                              parser.isSet(force)};
  return loadRunImage(programmer, image, host, args.first());
}

}  // namespace qrkcli
