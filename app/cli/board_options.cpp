#include "board_options.h"

#include <QTextStream>

#include "command_line.h"
#include "commands.h"
#include "device/isp_space.h"
#include "english_texts.h"
#include "offline/board_messages.h"
#include "offline/limit_counter.h"
#include "run_steps.h"

namespace qrkcli {

namespace {

int refuse(const QString& command, std::string_view message) {
  QTextStream(stderr) << command << ": "
                      << QString::fromStdString(toLfLineBreaks(std::string(message))) << "\n";
  return kExitUsage;
}

}  // namespace

std::optional<int> BoardOptionFlags::apply(const QCommandLineParser& parser,
                                           const QStringList& args, BoardSession& board) const {
  int status = kExitUsage;
  const qrk::McuModel* row = requiredModel(parser, model, args, &status);
  if (row == nullptr) return status;
  if (row->mapKind != qrk::MapKind::TopOfModel)
    return refuse(args.first(), qrk::kBoardNotForModelText);
  if (!parser.isSet(limit)) return usageError(args, "--limit N is required");
  board.limitText = parser.value(limit).toStdString();
  const qrk::DownloadLimitCheck check = qrk::checkDownloadLimit(board.limitText);
  if (!check.counter) {
    const std::string text = withEnglish(check.message);
    return refuse(args.first(), "--limit '" + parser.value(limit).toStdString() + "':\n" +
                                    text.substr(0, text.size() - 1));
  }
  if (parser.value(file).trimmed().isEmpty()) {
    return refuse(args.first(), qrk::kBoardOpenFileText);
  }

  // The rest is chosen and loaded as for a run.
  RunArguments run;
  run.command = args.first();
  run.model = std::string(row->name);
  run.ispSpace = parser.isSet(ispSpace)
                     ? parser.value(ispSpace)
                     : QString::fromStdString(qrk::ispSpaceChoices(row->mapKind).front());
  run.optionAssignments = parser.values(option);
  run.image = RunImageOptions{parser.value(file), parser.value(start), parser.value(fill),
                              parser.isSet(force)};
  return applyRunChoices(board.programmer(), run, board.host);
}

}  // namespace qrkcli
