#include <QCoreApplication>
#include <QTextStream>

#include "commands.h"

namespace {

int usage() {
  QTextStream err(stderr);
  err << "usage: qrkprog <command> [options]\n"
         "commands:\n"
         "  run FUNCTION --port DEV [--model NAME] [...]  run a function on the target\n"
         "  models                                       list the models\n"
         "  options --model NAME                         list the option rows of a model\n"
         "  info PATH [--model NAME] [...]               load a file and describe the image\n"
         "  store --file PATH --from HEX --to HEX --out FILE.bin\n"
         "                                               write a range of the image as BIN\n"
         "  log [--db FILE|URL] [--csv] [--since DATE] [--serial N]\n"
         "                                               print the production record\n"
         "Run 'qrkprog <command> --help' for the options of a command.\n";
  return qrkcli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("qrkprog");
  QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) return usage();
  const QString command = args.at(1);
  QStringList rest = args.mid(2);
  rest.prepend(QStringLiteral("qrkprog ") + command);  // argv[0] for the command's parser
  if (command == "run") return qrkcli::runCommand(rest);
  if (command == "models") return qrkcli::modelsCommand(rest);
  if (command == "options") return qrkcli::optionsCommand(rest);
  if (command == "info") return qrkcli::infoCommand(rest);
  if (command == "store") return qrkcli::storeCommand(rest);
  if (command == "log") return qrkcli::logCommand(rest);
  if (command == "--help" || command == "-h" || command == "help") {
    usage();
    return qrkcli::kExitSuccess;
  }
  QTextStream(stderr) << "qrkprog: unknown command '" << command << "'\n";
  return usage();
}
