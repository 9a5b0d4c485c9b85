// What the user chose survives a restart of the window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QRadioButton>

#include "window_bench.h"

namespace qrkgui {
namespace {

using test::WindowBench;

const QString kBlinkHex = QStringLiteral(QRK_SOURCE_DIR "/firmware/examples/blink.hex");

bool checked(const WindowBench& b, const QString& name) {
  return b.find<QAbstractButton>(name)->isChecked();
}
QString shown(const WindowBench& b, const QString& name) {
  return b.find<QComboBox>(name)->currentText();
}

TEST(WindowSettings, EveryChoiceSurvivesARestartOfTheWindow) {
  QTemporaryDir dir;
  {
    // The ISP DEMO page cannot be opened here: its option buttons come from an
    // earlier program's store and must be kept as they are.
    QFile ini(dir.path() + "/settings.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[Settings]\nISP_DEMO_parity=False\nISP_DEMO_erase_data=False\nISP_DEMO_WDT=False\n"
        "ISP_DEMO_have_485_pin=False\nISP_DEMO_485_logic=False\n");
  }
  {
    WindowBench b(dir.path());
    const auto lastEntry = [&](const char* name) {
      b.find<QComboBox>(name)->setFocus();
      QTest::keyClick(b.find<QComboBox>(name), Qt::Key_End);
    };
    const auto activate = [&](const char* name, int index) {
      b.find<QComboBox>(name)->setCurrentIndex(index);
      emit b.find<QComboBox>(name)->activated(index);
    };
    b.type(b.find<QComboBox>("combMcuModel")->lineEdit(), "QRK3-32F");
    lastEntry("Combo2");       // "8.0k"
    b.click("optFillbyte_0");  // FF
    b.type(b.find<QComboBox>("combCommPort")->lineEdit(), "/dev/ttyQRK7");
    b.find<QRadioButton>("optBeepNo")->click();
    lastEntry("comDalay_ReDownLoad");  // "2"
    b.find<QCheckBox>("cekReloadFile")->click();
    b.find<QCheckBox>("cekSkipBlank")->click();
    // A settings file from before the fixture: no supply switching, the countdown.
    EXPECT_EQ(shown(b, "comFixtureSupply"), "None / 无");
    EXPECT_EQ(shown(b, "comFixtureStart"), "Countdown / 倒计时");
    activate("comFixtureSupply", 5);  // a command pair
    b.type("txtFixturePowerOn", "relay 1 on");
    b.type("txtFixturePowerOff", "relay 1 off");
    activate("comFixtureStart", 2);  // DSR
    b.click("Check6");
    b.type("txtWrite_OK_Count", "12");
    b.boxes.queueFile(kBlinkHex);
    b.click("comLoadFile");
    b.click("comAuto_2");
    b.doubleClick("txtAuto_3");
    // The ISP DEMO page is never shown; a change of its lists is saved all the same.
    b.find<QComboBox>("comb_oscillate_frequency")->setEditText("7.3728");
    b.find<QComboBox>("comb_ISP_buad")->setCurrentText("9600");
    b.find<QComboBox>("comb_ISP_DEMO_WDT_0")->setCurrentIndex(3);
    b.find<QComboBox>("comb_ISP_DEMO_WDT_1")->setCurrentIndex(5);
    b.find<QComboBox>("comb_485_pin_0")->setCurrentIndex(2);
    b.find<QComboBox>("comb_485_pin_1")->setCurrentIndex(7);
    // The serial number's inputs are kept once they armed.
    b.type("texAuto_Increase_0", "1FFF");
    b.type("texAuto_Increase_1", "2");
    b.type("texAuto_Increase_2", "1000");
    b.type("texAuto_Increase_3", "5");
    b.click("optAuto_Increase_0");
    b.click("cheAuto_Increase");
    EXPECT_TRUE(b.boxes.texts.isEmpty()) << b.boxes.texts.join('|').toStdString();
    b.window.close();  // the last save
    b.sync();
  }
  WindowBench b(dir.path());
  QStringList lists, edits;
  for (const char* name :
       {"combMcuModel", "Combo2", "combCommPort", "Combo1", "comDalay_ReDownLoad",
        "comFixtureSupply", "comFixtureStart", "comb_oscillate_frequency", "comb_ISP_buad",
        "comb_ISP_DEMO_WDT_0", "comb_ISP_DEMO_WDT_1", "comb_485_pin_0", "comb_485_pin_1"})
    lists << shown(b, name);
  EXPECT_EQ(lists, QStringList({"QRK3-32F", "8.0k", "/dev/ttyQRK7", "115200", "2", "Command / 命令",
                                "DSR", "7.3728", "9600", "P3", "5", "P2", "7"}));
  for (const char* name :
       {"txtFixturePowerOn", "txtFixturePowerOff", "txtWrite_OK_Count", "txtAuto_9",
        "texAuto_Increase_0", "texAuto_Increase_1", "texAuto_Increase_2", "texAuto_Increase_3"})
    edits << b.text(name);
  EXPECT_EQ(edits,
            QStringList({"relay 1 on", "relay 1 off", "12", "", "1FFF", "2", "001000", "5"}));
  // Every mark comes back but the serial number's, which is off after every start.
  for (const char* name :
       {"optFillbyte_0", "optBeepNo", "cekReloadFile", "cekSkipBlank", "Check6",
        "opt_ISP_DEMO_parity_1", "optISP_DEMO_erase_data_1", "opt_ISP_DEMO_WDT_1", "opt_485_pin_1",
        "opt_485_logic_1", "optAuto_Increase_0", "cheAuto_Increase"}) {
    EXPECT_EQ(checked(b, name), std::string(name) != "cheAuto_Increase") << name;
  }
  EXPECT_EQ(b.text("txtAuto_8"), b.text("txtAuto_3"));
  EXPECT_EQ(b.find<QLabel>("Lab_BAUD_ERR")->text(), " 0%");
  EXPECT_EQ(b.store->value("Settings", "FixtureSupply", ""), "cmd");
  EXPECT_EQ(b.store->value("Settings", "FilePath", ""), kBlinkHex.toStdString());
  // The stored "none" choices unlock the pin lists they govern.
  auto* demo = b.find<QWidget>("fraDownload_ISP_demo");
  for (const char* name : {"comb_ISP_DEMO_WDT_0", "comb_485_pin_1", "opt_485_logic_0"})
    EXPECT_TRUE(b.find<QWidget>(name)->isEnabledTo(demo)) << name;
}

}  // namespace
}  // namespace qrkgui
