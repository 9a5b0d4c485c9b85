// The window driven as a technician drives it: mouse and keyboard on the
// named controls, the chip at the far end of the line simulated in-process.
#include <gmock/gmock.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>

#include "offline/board_messages.h"
#include "qt/qt_session.h"
#include "support/pseudo_terminal.h"
#include "window_bench.h"

namespace qrkgui {
namespace {

using test::BoardWindowBench;
using test::WindowBench;

const QString kBlinkHex = QStringLiteral(QRK_SOURCE_DIR "/firmware/examples/blink.hex");

template <typename Bench>
QString pane(const Bench& b) {
  return b.template find<QPlainTextEdit>("textMsg")->toPlainText();
}

int visibleRows(const WindowBench& b) {
  int n = 0;
  for (int row = 0; row < 8; ++row) {
    n += b.find<QWidget>(QString("Picture2_%1").arg(row))->isVisibleTo(&b.window) ? 1 : 0;
  }
  return n;
}

template <typename Bench>
void chooseModel(Bench& b, const QString& name) {
  b.type(b.template find<QComboBox>("combMcuModel")->lineEdit(), name);
}

// The dump's text position of the first digit of the byte at `column` of the
// dump's `line` (0: the first line of bytes).
QPoint digitPoint(const WindowBench& b, int line, int column) {
  auto* dump = b.find<QPlainTextEdit>("txtBuffer2");
  QTextCursor cursor(dump->document()->findBlockByNumber(2 + line));
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10 + 3 * column);
  return dump->cursorRect(cursor).center() + QPoint(1, 0);
}

TEST(WindowModelChoice, AModelRebuildsTheOptionPanelTheIspListTheMemoryMapAndTheBoardTab) {
  WindowBench b;
  auto* ispList = b.find<QComboBox>("Combo2");
  auto* lowerTabs = b.find<QTabWidget>("TabStrip2");
  // The first start: the first listed model, of kind 2.
  EXPECT_EQ(b.find<QComboBox>("combMcuModel")->currentText(), "QRK5-04A");
  EXPECT_EQ(visibleRows(b), 8);
  EXPECT_EQ(ispList->count(), 4);
  EXPECT_EQ(lowerTabs->tabText(2), "脱机烧录");
  QTest::mouseClick(lowerTabs->tabBar(), Qt::LeftButton, {},
                    lowerTabs->tabBar()->tabRect(0).center());
  EXPECT_EQ(lowerTabs->currentIndex(), 1) << "the ISP DEMO tab is never the one shown";
  // The ISP DEMO pin lists follow their "none" choice.
  auto* demo = b.find<QWidget>("fraDownload_ISP_demo");
  for (const char* name : {"comb_ISP_DEMO_WDT_0", "comb_485_pin_1", "opt_485_logic_0"})
    EXPECT_FALSE(b.find<QWidget>(name)->isEnabledTo(demo)) << name;

  chooseModel(b, "QRK3-16F");  // kind 1
  EXPECT_EQ(visibleRows(b), 5);
  EXPECT_TRUE(b.find<QLabel>("LabOptionC_0")->isVisibleTo(&b.window));
  EXPECT_EQ(b.find<QLabel>("LabOptionC_0")->text(), "锁芯片(读为FF)");
  EXPECT_FALSE(b.find<QLabel>("read_Option_5")->isVisibleTo(&b.window));
  EXPECT_EQ(ispList->count(), 16);
  EXPECT_EQ(b.text("txtISP_reange_1"), "3FFF");
  EXPECT_EQ(lowerTabs->tabText(2), "_no_");
  EXPECT_FALSE(lowerTabs->isTabEnabled(2));

  // An ISP Space chosen from the list moves the memory map.
  ispList->setFocus();
  QTest::keyClick(ispList, Qt::Key_End);
  EXPECT_EQ(ispList->currentText(), "8.0k");
  EXPECT_NE(b.text("txtISP_reange_2"), "");
  b.wait(150);  // the settings tick
  EXPECT_EQ(b.store->value("Settings", "ISP_Space", ""), "15");
}

TEST(WindowFile, OpeningAHexFileShowsItsChecksumItsPathAndItsBytesInTheDump) {
  WindowBench b;
  b.boxes.queueFile(kBlinkHex);
  b.click("comLoadFile");
  EXPECT_EQ(b.find<QGroupBox>("Frame7")->title(), "File: " + kBlinkHex);
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{7}H +$").match(b.text("txtFileCheckSum")).hasMatch())
      << b.text("txtFileCheckSum").toStdString();
  const QStringList lines = b.find<QPlainTextEdit>("txtBuffer2")->toPlainText().split('\n');
  ASSERT_GT(lines.size(), 3);
  EXPECT_TRUE(lines[2].startsWith(" 000000   02 00 11 32 ")) << lines[2].toStdString();
  EXPECT_EQ(b.store->value("Settings", "FilePath", ""), kBlinkHex.toStdString());
  EXPECT_TRUE(b.boxes.texts.isEmpty()) << b.boxes.texts.join('|').toStdString();
  // The store page's length follows the range of interest.
  EXPECT_FALSE(b.text("txt_length").isEmpty());
}

TEST(WindowFile, OvertypingADigitAsksOnceAndChangesTheImage) {
  WindowBench b;
  auto* dump = b.find<QPlainTextEdit>("txtBuffer2");
  // Before any file: the question, then the request to open one.
  QTest::mouseClick(dump->viewport(), Qt::LeftButton, {}, digitPoint(b, 0, 1));
  b.boxes.queue(QMessageBox::Yes);
  QTest::keyClick(dump, Qt::Key_A);
  ASSERT_EQ(b.boxes.texts.size(), 2);
  EXPECT_EQ(b.boxes.texts[1].trimmed(), "Please open file./请打开文件。");

  b.window.openFile(kBlinkHex);
  b.boxes.texts.clear();
  QTest::mouseClick(dump->viewport(), Qt::LeftButton, {}, digitPoint(b, 0, 1));
  b.boxes.queue(QMessageBox::No);
  QTest::keyClick(dump, Qt::Key_A);
  EXPECT_EQ(b.programmer.image().at(1), 0x00) << "declined: nothing changes";
  b.boxes.queue(QMessageBox::Yes);
  QTest::keyClick(dump, Qt::Key_A);
  QTest::keyClick(dump, Qt::Key_B);  // the second digit, no question now
  EXPECT_EQ(b.boxes.texts, QStringList({"Update the buffer? / 修改缓冲区内容吗?",
                                        "Update the buffer? / 修改缓冲区内容吗?"}));
  EXPECT_EQ(b.programmer.image().at(1), 0xAB);
  EXPECT_TRUE(dump->toPlainText().split('\n')[2].startsWith(" 000000   02 AB 11"));
  // Page Down moves the view by the scroll bar.
  QTest::keyClick(dump, Qt::Key_PageDown);
  EXPECT_GT(b.find<QScrollBar>("VScroll1")->value(), 0);
}

TEST(WindowFunctionList, ClicksAndDoubleClicksBuildTheListAndItIsSavedAtOnce) {
  WindowBench b;
  // The list's slots, up to the first empty one.
  const auto list = [&] {
    QStringList names;
    for (int slot = 8; slot < 16 && !b.text(QString("txtAuto_%1").arg(slot)).isEmpty(); ++slot)
      names << b.text(QString("txtAuto_%1").arg(slot));
    return names.join(',');
  };
  EXPECT_EQ(list(), "Erase_All,Verify_ID,Blank_Check,Program,Verify,Write_Option,Read_Option");
  b.click("comAuto_2");  // Del All
  EXPECT_EQ(list(), "");

  // Press a palette row and Add; a double-click adds too.
  const QString first = b.text("txtAuto_0"), second = b.text("txtAuto_1");
  b.click("txtAuto_0");
  b.click("comAuto_0");
  b.doubleClick("txtAuto_1");
  b.doubleClick("txtAuto_0");
  EXPECT_EQ(list(), first + "," + second + "," + first);
  b.doubleClick("txtAuto_9");  // deletes the slot and closes the gap
  EXPECT_EQ(list(), first + "," + first);
  b.click("txtAuto_8");  // Del needs a selected slot
  b.click("comAuto_1");
  EXPECT_EQ(list(), first);
  EXPECT_EQ(b.store->value("Settings", "Auto_8", "?"), first.toStdString());
  EXPECT_EQ(b.store->value("Settings", "Auto_9", "?"), "");
}

TEST(WindowRun, AutoProgramsTheSimulatedChipLineByLineCountsAndUnlocks) {
  WindowBench b;
  chooseModel(b, "QRK5-16B");
  b.window.openFile(kBlinkHex);
  b.click("txtFuction_0");  // Auto
  b.click("comDownload");
  // Each function's report ends in its OK line, then the closing line.
  EXPECT_THAT(pane(b).toStdString(),
              testing::MatchesRegex("We are connecting ...\n.*Erase_All +OK!\n.*Blank_Check +OK!\n"
                                    ".*Program +OK!\n.*Verify +OK!\n.*Write_Option +OK!\n"
                                    ".*Read_Option +OK!\n\nAuto       OK!\n"));
  EXPECT_EQ(b.text("txtWrite_OK_Count"), "1");
  EXPECT_EQ(b.store->value("Settings", "Write_OK_Count", ""), "1");
  EXPECT_TRUE(b.find<QPushButton>("comDownload")->isEnabled());
  EXPECT_FALSE(b.find<QPushButton>("comStop_Download")->isEnabled());
  EXPECT_EQ(b.sim.device.flash()[3], 0x32) << "the chip holds the file";
  EXPECT_FALSE(b.sim.port.isOpen());

  // Clearing the counter asks first.
  b.boxes.queue(QMessageBox::Yes);
  b.click("comClear_OK_Count");
  EXPECT_EQ(b.boxes.texts.value(0).section('\n', 0, 0).trimmed(),
            "You want to clear the Auto Count(Y/N)?");
  EXPECT_EQ(b.text("txtWrite_OK_Count"), "0");
  EXPECT_EQ(b.store->value("Settings", "Write_OK_Count", ""), "0");
}

TEST(WindowBoard, TheBoardTabDownloadsTheImageForKind2ModelsAndShowsTheLedLegend) {
  BoardWindowBench b;
  auto* lower = b.find<QTabWidget>("TabStrip2");
  chooseModel(b, "QRK5-16B");
  b.window.openFile(kBlinkHex);
  QTest::mouseClick(lower->tabBar(), Qt::LeftButton, {}, lower->tabBar()->tabRect(2).center());
  ASSERT_EQ(lower->currentWidget()->objectName(), "Frame18");
  b.type("txt_download_max", "100");
  b.click("comTJXZ");
  EXPECT_TRUE(pane(b).contains("Download OK. / 下载成功。")) << pane(b).toStdString();
  EXPECT_TRUE(b.find<QWidget>("comTJXZ")->isEnabled());
  EXPECT_TRUE(b.find<QWidget>("comDownload")->isEnabled());
  EXPECT_FALSE(b.sim.port.isOpen());
  // A model without a board takes the open board tab away: the next tab shows.
  chooseModel(b, "QRK3-16F");
  EXPECT_EQ(lower->currentWidget()->objectName(), "fraSave_file");
  EXPECT_EQ(lower->tabText(2), "_no_");
  chooseModel(b, "QRK5-16B");

  b.boxes.texts.clear();
  b.click("comTJSL_disp");
  ASSERT_EQ(b.boxes.texts.size(), 1);
  EXPECT_EQ(b.boxes.texts[0], paneDisplayText(qrk::ledLegendText()));
}

TEST(WindowRun, ReRunCountsDownAndStopInTheCountdownEndsTheLoopWithTheControlsLockedMeanwhile) {
  WindowBench b;
  chooseModel(b, "QRK5-16B");
  b.click("txtFuction_1");  // Verify_ID
  auto* paneBox = b.find<QPlainTextEdit>("textMsg");
  QStringList countdown;
  bool lockedInCountdown = false, portListFree = false;
  QObject::connect(paneBox, &QPlainTextEdit::textChanged, [&] {
    const QString last = paneBox->toPlainText().section('\n', -1);
    if (!last.startsWith("will Re-Run... ") || countdown.contains(last)) return;
    countdown << last;
    if (countdown.size() == 2) {
      lockedInCountdown = !b.find<QWidget>("combMcuModel")->isEnabled() &&
                          !b.find<QWidget>("comDownload")->isEnabled() &&
                          !b.find<QWidget>("comFixtureSupply")->isEnabled() &&
                          !b.find<QWidget>("txtFixturePowerOn")->isEnabled();
      portListFree = b.find<QWidget>("combCommPort")->isEnabled();
      b.click("comStop_Download");
    }
  });
  const std::int64_t start = b.sim.loop.nowMs();
  b.click("comReDownload");
  EXPECT_EQ(countdown, QStringList({"will Re-Run... 5", "will Re-Run... 4"}));
  EXPECT_TRUE(lockedInCountdown);
  EXPECT_TRUE(portListFree);
  EXPECT_TRUE(pane(b).endsWith("will Re-Run... 4\nStop by user!")) << pane(b).toStdString();
  EXPECT_LT(b.sim.loop.nowMs() - start, 3000) << "Stop ends the countdown at once";
  EXPECT_TRUE(b.find<QWidget>("comReDownload")->isEnabled());
  EXPECT_FALSE(b.find<QWidget>("comStop_Download")->isEnabled());
}

TEST(WindowClose, ClosingDuringARunStopsItSavesAndClosesThePort) {
  // A chip that is never switched on: the run waits in the handshake.
  WindowBench b({}, qrk::sim::DeviceOptions().withPowerOnAfter(100000));
  chooseModel(b, "QRK3-32F");
  b.click("txtFuction_0");
  auto* paneBox = b.find<QPlainTextEdit>("textMsg");
  bool asked = false;
  QObject::connect(paneBox, &QPlainTextEdit::textChanged, [&] {
    if (asked || !b.sim.port.isOpen()) return;
    asked = true;
    b.window.close();
    EXPECT_TRUE(b.window.isVisible()) << "the window stays until the run has returned";
  });
  b.click("comDownload");
  ASSERT_TRUE(asked);
  EXPECT_TRUE(pane(b).contains("Stop by user!"));
  EXPECT_FALSE(b.sim.port.isOpen());
  // The settings were saved on the way out, the model among them.
  EXPECT_EQ(b.store->value("Settings", "DeviceProducts", ""), "14");
  QTest::qWait(20);  // the close that waited for the run
  EXPECT_FALSE(b.window.isVisible());
}

// On the real event loop: while a run waits on a line that does not answer,
// the window's events are handled at once and Stop ends the wait.
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
