#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "commands.h"

namespace {

const char* const kUsage =
    "Usage: qrkprog COMMAND [options]\n"
    "Commands:\n"
    "  run FUNCTION --port DEV [--model NAME] [--file PATH] [...]\n"
    "                                  run a function on the target\n"
    "  gang FUNCTION --port DEV --port DEV [...]\n"
    "                                  run on several ports at once, chip after chip\n"
    "  models                          list the models\n"
    "  options --model NAME            list the option rows of a model\n"
    "  info PATH [--model NAME] [--strict] [...]\n"
    "                                  load a file and describe the image\n"
    "  store --file PATH --from HEX --to HEX --out FILE.bin\n"
    "                                  write a range of the image as BIN\n"
    "  baud --freq MHZ                 the ISP DEMO baud-rate table\n"
    "  demo-build --model NAME [...] --out FILE.hex\n"
    "                                  build the ISP DEMO firmware\n"
    "  demo-write --port DEV [--model NAME] [...]\n"
    "                                  write the ISP DEMO into the target\n"
    "  board-image --file PATH --model NAME --limit N --out FILE.bin\n"
    "                                  write the offline board's memory\n"
    "  board-download --port DEV --file PATH --model NAME --limit N\n"
    "                                  load the offline programming board\n"
    "  ports                           list the serial devices\n"
    "  log [--db FILE|URL] [--csv] [--since DATE] [--serial N] [--taken]\n"
    "                                  print the production record\n"
    "Options:\n"
    "  --help, -h                      this help (COMMAND --help: the command's options)\n"
    "  --version                       print the version\n"
    "Exit status: 0 success, 1 the operation failed or was stopped, 2 bad usage or bad input.\n";

int usage(std::FILE* to, int status) {
  std::fputs(kUsage, to);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Qt's plain Unix event dispatcher: the GLib one signals its own wake-up
  // descriptor whenever a notifier or timer changes, which costs two extra
  // wake-ups for every frame exchanged with the chip.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("qrkprog");
  QCoreApplication::setApplicationVersion(QRK_VERSION);
  QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) return usage(stderr, qrkcli::kExitUsage);
  const QString command = args.at(1);
  QStringList rest = args.mid(2);
  rest.prepend(QStringLiteral("qrkprog ") + command);  // argv[0] for the command's parser
  if (command == "run") return qrkcli::runCommand(rest);
  if (command == "models") return qrkcli::modelsCommand(rest);
  if (command == "options") return qrkcli::optionsCommand(rest);
  if (command == "info") return qrkcli::infoCommand(rest);
  if (command == "store") return qrkcli::storeCommand(rest);
  if (command == "baud") return qrkcli::baudCommand(rest);
  if (command == "demo-build") return qrkcli::demoBuildCommand(rest);
  if (command == "demo-write") return qrkcli::demoWriteCommand(rest);
  if (command == "board-image") return qrkcli::boardImageCommand(rest);
  if (command == "board-download") return qrkcli::boardDownloadCommand(rest);
  if (command == "ports") return qrkcli::portsCommand(rest);
  if (command == "gang") return qrkcli::gangCommand(rest);
  if (command == "--version") {
    QTextStream(stdout) << "qrkprog " << QRK_VERSION << "\n";
    return qrkcli::kExitSuccess;
  }
  if (command == "log") return qrkcli::logCommand(rest);
  if (command == "--help" || command == "-h" || command == "help") {
    return usage(stdout, qrkcli::kExitSuccess);
  }
  QTextStream(stderr) << "qrkprog: unknown command '" << command << "'\n";
  return usage(stderr, qrkcli::kExitUsage);
}
