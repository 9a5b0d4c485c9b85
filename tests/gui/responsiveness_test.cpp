// On the real event loop: while a run waits on a line that does not answer,
// the window's events are handled at once and Stop ends the wait.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>

#include "qt/qt_session.h"
#include "support/pseudo_terminal.h"
#include "window_bench.h"

namespace qrkgui {
namespace {

// The window as the program builds it: on the Qt event loop and serial port.
struct QtWindow {
  QtWindow() {
    window.start();
    window.show();
  }
  bool app = (test::application(), true);
  QTemporaryDir dir;
  WindowHost host;
  qrk::QtSession session{(dir.path() + "/settings.ini").toStdString(),
                         qrk::QtSession::Keep::Everything, host};
  MainWindow window{session.programmer(), session.productionLoop(), host};
};

TEST(WindowResponsiveness, ATimerPostedDuringAWaitOnTheLineRunsWithin50MsAndStopEndsTheRun) {
  QtWindow w;
  MainWindow& window = w.window;
  qrk::QtSession& session = w.session;
  qrk::test::PseudoTerminal line;  // nobody answers at the far end
  window.selectPort(QString::fromStdString(line.slavePath()));
  QTest::mouseClick(window.findChild<QWidget*>("txtFuction_1"), Qt::LeftButton);

  QElapsedTimer clock;
  qint64 posted = -1, handled = -1;
  bool waitingWhenPosted = false;
  QTimer::singleShot(150, &window, [&] {
    waitingWhenPosted = session.programmer().controls().locked && session.port().isOpen();
    posted = clock.elapsed();
    QTimer::singleShot(0, [&] { handled = clock.elapsed(); });
  });
  QTimer::singleShot(300, &window, [&] {
    QTest::mouseClick(window.findChild<QWidget*>("comStop_Download"), Qt::LeftButton);
  });
  clock.start();
  QTest::mouseClick(window.findChild<QWidget*>("comDownload"), Qt::LeftButton);
  const qint64 runMs = clock.elapsed();

  ASSERT_GE(handled, 0);
  EXPECT_TRUE(waitingWhenPosted);
  EXPECT_LT(handled - posted, 50);
  EXPECT_LT(runMs, 2000) << "Stop ends the handshake at once";
  EXPECT_TRUE(
      window.findChild<QPlainTextEdit*>("textMsg")->toPlainText().contains("Stop by user!"));
  EXPECT_FALSE(session.port().isOpen());
}

}  // namespace
}  // namespace qrkgui
