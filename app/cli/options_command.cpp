#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "device/option_lookup.h"

namespace qrkcli {

int optionsCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption model("model", "The model, as 'qrkprog models' names it.", "NAME");
  parser.addOption(model);
  if (auto status = parseArguments(
          parser, args,
          "Lists the option rows of a model: the names to give to 'run --option ROW=CHOICE', "
          "their choices and defaults, and the ISP Space sizes for '--isp-space'.")) {
    return *status;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  if (!parser.isSet(model)) return usageError(args, "--model NAME is required");
  QString error;
  const qrk::McuModel* row = findModelOrExplain(parser.value(model), &error);
  if (row == nullptr) return usageError(args, error);

  std::string out =
      std::string(row->name) + " (kind " + std::to_string(qrk::familyByte(row->mapKind)) + ")\n";
  out += qrk::optionListing(row->mapKind);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitSuccess;
}

}  // namespace qrkcli
