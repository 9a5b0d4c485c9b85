#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <memory>

#include "main_window.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/qt/qt_settings_store.h"
#include "sim/simulated_port.h"
#include "window_host.h"

namespace qrkgui::test {

// The widgets need a QApplication, and GoogleTest owns main().
inline QApplication& application() {
  static int argc = 1;
  static char* argv[] = {const_cast<char*>("test_gui"), nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

// Answers the window's modal message boxes as a user would, by clicking a
// button, and keeps their texts. Boxes beyond the queued answers get their
// default button (No for a question).
class BoxAnswers {
 public:
  BoxAnswers() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answerOpenBox(); });
    timer_.start();
  }
  void queue(QMessageBox::StandardButton answer) { answers_.push_back(answer); }
  QStringList texts;

 private:
  void answerOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    texts << box->text();
    QAbstractButton* button = box->defaultButton();
    if (!answers_.empty()) {
      button = box->button(answers_.front());
      answers_.pop_front();
    }
    if (button == nullptr) button = box->buttons().value(0);
    button->click();
  }
  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
};

// The real window over a programmer whose serial line leads to the
// in-process simulated chip, on virtual time; the settings in an INI file of
// a fresh folder, so that a second window can read what the first saved.
struct WindowBench {
  explicit WindowBench(std::string_view model = "QRK5-16B", QString settingsDir = {})
      : app((application(), true)),
        dir(),
        iniPath((settingsDir.isEmpty() ? dir.path() : settingsDir) + "/settings.ini"),
        sim(model),
        store(std::make_unique<qrk::QtSettingsStore>(iniPath.toStdString())),
        programmer(sim.port, sim.loop, *store, host),
        production(programmer),
        window(programmer, production, host) {
    window.start();
    window.resize(1024, 768);
    window.show();
  }
  ~WindowBench() { window.hide(); }

  template <typename T>
  T* find(const QString& name) const {
    return window.findChild<T*>(name);
  }
  // A restart: the first window's settings reach the file.
  void sync() { store->sync(); }

  bool app;
  QTemporaryDir dir;
  QString iniPath;
  qrk::sim::SimulatedTarget sim;
  std::unique_ptr<qrk::QtSettingsStore> store;
  WindowHost host;
  qrk::Programmer programmer;
  qrk::ProductionLoop production;
  MainWindow window;
  BoxAnswers boxes;
};

}  // namespace qrkgui::test
