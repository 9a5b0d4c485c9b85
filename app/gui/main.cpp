#include <QApplication>
#include <QCommandLineParser>

#include "main_window.h"
#include "qt/qt_session.h"
#include "window_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qrkprog-gui"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("QRK MCU Programmer"));
  parser.addHelpOption();
  const QCommandLineOption port("port", "Select this serial port (a COM name or a device path).",
                                "DEV");
  const QCommandLineOption file("file", "Open this HEX or BIN file at start.", "PATH");
  const QCommandLineOption model("model", "Choose this model at start.", "NAME");
  const QCommandLineOption settings(
      "settings", "Keep the settings in this INI file instead of the per-user store.", "FILE.ini");
  parser.addOptions({port, file, model, settings});
  parser.process(app);

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
  return app.exec();
}
