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
  int status = kExitUsage;
  const qrk::McuModel* row = requiredModel(parser, model, args, &status);
  if (row == nullptr) return status;

  std::string out =
      std::string(row->name) + " (kind " + std::to_string(qrk::familyByte(row->mapKind)) + ")\n";
  out += qrk::optionListing(row->mapKind);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitSuccess;
}

}  // namespace qrkcli
