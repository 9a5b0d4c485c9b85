#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <memory>
#include <string_view>

#include "main_window.h"
#include "qt/qt_session.h"
#include "window_host.h"

namespace {

// --help and --version answer without a display: over ssh, on a server, and
// when the build writes the manual page from the help.
bool asksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all" ||
        arg == "--version" || arg == "-v") {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::unique_ptr<QCoreApplication> app = asksOnlyForText(argc, argv)
                                                    ? std::make_unique<QCoreApplication>(argc, argv)
                                                    : std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("qrkprog-gui"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QRK_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("QRK MCU Programmer"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption port("port", "Select this serial port (a COM name or a device path).",
                                "DEV");
  const QCommandLineOption file("file", "Open this HEX or BIN file at start.", "PATH");
  const QCommandLineOption model("model", "Choose this model at start.", "NAME");
  const QCommandLineOption settings(
      "settings", "Keep the settings in this INI file instead of the per-user store.", "FILE.ini");
  parser.addOptions({port, file, model, settings});
  parser.process(*app);  // ends the process after --help or --version

  // The desktop entry's name, so that a desktop shows its icon and name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.qrkprog.programmer"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.qrkprog.programmer.svg")));

  // Without --settings, the per-user store shared with qrkprog.
  qrkgui::WindowHost host;
  qrk::QtSession session(parser.value(settings).toStdString(), qrk::QtSession::Keep::Everything,
                         host);
  qrkgui::MainWindow window(session.programmer(), session.productionLoop(), host);
  window.start();
  if (parser.isSet(model)) window.chooseModel(parser.value(model));
  if (parser.isSet(port)) window.selectPort(parser.value(port));
  window.show();
  if (parser.isSet(file)) window.openFile(parser.value(file));
  return app->exec();
}
