#include "command_line.h"

#include <QTextStream>

#include "commands.h"

namespace qrkcli {

std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& args,
                                  const QString& description) {
  parser.setApplicationDescription(description);
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "Show this help.");
  parser.addOption(help);
  if (!parser.parse(args)) return usageError(args, parser.errorText());
  if (parser.isSet(help)) {
    // Qt names the binary's path on the usage line; a user types the command.
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(" [options]");
    if (text.startsWith("Usage: ") && options > 0 && !args.isEmpty()) {
      text.replace(7, options - 7, args.first());
    }
    QTextStream(stdout) << text;
    return kExitSuccess;
  }
  return std::nullopt;
}

int usageError(const QStringList& args, const QString& message) {
  const QString command = args.isEmpty() ? QStringLiteral("qrkprog") : args.first();
  QTextStream(stderr) << command << ": " << message << " (see '" << command << " --help')\n";
  return kExitUsage;
}

const qrk::McuModel* findModelOrExplain(const QString& name, QString* error) {
  const std::string typed = name.toStdString();
  if (const qrk::McuModel* model = qrk::findModel(typed)) return model;
  QString message = QStringLiteral("unknown model '%1'").arg(name);
  for (const qrk::McuModel& model : qrk::mcuCatalogue()) {
    const QString known = QString::fromUtf8(model.name.data(), model.name.size());
    if (known.compare(name, Qt::CaseInsensitive) == 0) {
      message += QStringLiteral(" (names are exact: did you mean %1?)").arg(known);
    }
  }
  message += "; 'qrkprog models' lists them";
  if (error) *error = message;
  return nullptr;
}

const qrk::McuModel* requiredModel(const QCommandLineParser& parser,
                                   const QCommandLineOption& model, const QStringList& args,
                                   int* status) {
  if (!parser.positionalArguments().isEmpty()) {
    *status =
        usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
    return nullptr;
  }
  if (!parser.isSet(model)) {
    *status = usageError(args, "--model NAME is required");
    return nullptr;
  }
  QString error;
  const qrk::McuModel* row = findModelOrExplain(parser.value(model), &error);
  if (row == nullptr) *status = usageError(args, error);
  return row;
}

}  // namespace qrkcli
