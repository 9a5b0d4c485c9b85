#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <memory>
#include <type_traits>

#include "main_window.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "qt/qt_settings_store.h"
#include "sim/board_device.h"
#include "sim/simulated_port.h"
#include "window_host.h"

namespace qrkgui::test {

// The widgets need a QApplication, and GoogleTest owns main().
inline QApplication& application() {
  static int argc = 1;
  static char* argv[] = {const_cast<char*>("test_gui"), nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: at exit Qt's own devices would go after the application.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
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
  // The next file dialog chooses `path`.
  void queueFile(const QString& path) { files_.push_back(path); }
  QStringList texts;

 private:
  void answerOpenBox() {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      if (files_.empty()) {
        dialog->reject();
      } else {
        dialog->selectFile(files_.front());
        files_.pop_front();
        static_cast<QDialog*>(dialog)->accept();
      }
      return;
    }
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
  std::deque<QString> files_;
};

// What the serial line leads to: a simulated chip or offline board.
template <typename Line>
Line simulatedLine(qrk::sim::DeviceOptions options) {
  if constexpr (std::is_same_v<Line, qrk::sim::SimulatedBoard>)
    return Line(std::move(options));
  else
    return Line("QRK5-16B", std::move(options));
}

// The real window over a programmer whose serial line leads to an
// in-process simulated device, on virtual time; the settings in an INI file
// of a fresh folder, so that a second window can read what the first saved.
template <typename Line>
struct WindowBenchOn {
  explicit WindowBenchOn(QString settingsDir = {}, qrk::sim::DeviceOptions options = {})
      : app((application(), true)),
        dir(),
        iniPath((settingsDir.isEmpty() ? dir.path() : settingsDir) + "/settings.ini"),
        sim(simulatedLine<Line>(std::move(options))),
        store(std::make_unique<qrk::QtSettingsStore>(iniPath.toStdString())),
        programmer(sim.port, sim.loop, *store, host),
        production(programmer),
        window(programmer, production, host) {
    window.start();
    window.resize(1024, 768);
    window.show();
  }
  ~WindowBenchOn() { window.hide(); }
  WindowBenchOn(const WindowBenchOn&) = delete;
  WindowBenchOn& operator=(const WindowBenchOn&) = delete;

  template <typename T>
  T* find(const QString& name) const {
    return window.findChild<T*>(name);
  }
  // A restart: the first window's settings reach the file.
  void sync() { store->sync(); }
  void wait(int ms) { sim.loop.advanceMs(ms); }

  void click(const QString& name) const {
    auto* w = find<QWidget>(name);
    if (!w) return;
    // A check box or option button takes a click on its mark.
    const bool marked = w->inherits("QRadioButton") || w->inherits("QCheckBox");
    QTest::mouseClick(w, Qt::LeftButton, {},
                      marked ? QPoint(8, w->height() / 2) : w->rect().center());
  }
  void doubleClick(const QString& name) const {
    auto* w = find<QWidget>(name);
    if (w) QTest::mouseDClick(w, Qt::LeftButton, {}, w->rect().center());
  }
  // Replaces the text of an editable box and presses Enter.
  void type(QLineEdit* edit, const QString& text) const {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void type(const QString& name, const QString& text) const { type(find<QLineEdit>(name), text); }
  QString text(const QString& name) const {
    auto* edit = find<QLineEdit>(name);
    return edit ? edit->text() : QString();
  }

  bool app;
  QTemporaryDir dir;
  QString iniPath;
  Line sim;
  std::unique_ptr<qrk::QtSettingsStore> store;
  WindowHost host;
  qrk::Programmer programmer;
  qrk::ProductionLoop production;
  MainWindow window;
  BoxAnswers boxes;
};

using WindowBench = WindowBenchOn<qrk::sim::SimulatedTarget>;
using BoardWindowBench = WindowBenchOn<qrk::sim::SimulatedBoard>;

}  // namespace qrkgui::test
