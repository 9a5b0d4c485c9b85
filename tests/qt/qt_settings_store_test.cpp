#include "platform/qt/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "qt_app.h"

namespace qrk {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::qtApp();
    ASSERT_TRUE(dir.isValid());
  }
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  QTemporaryDir dir;
};

TEST_F(QtSettingsStoreTest, IniFileRoundTripKeepsSectionsAndText) {
  const std::string ini = path("qrk.ini");
  {
    QtSettingsStore store(ini);
    store.setValue("Settings", "DeviceProducts", "3");
    store.setValue("Settings", "Combo2", "1.5k");
    store.setValue("Auto_Increase", "DeviceProducts", "7");
    store.setValue("Settings", "Note", "烧录 a,b = c");
    std::string error;
    EXPECT_TRUE(store.sync(&error)) << error;
  }
  QtSettingsStore reopened(ini);
  EXPECT_EQ(reopened.value("Settings", "DeviceProducts", "0"), "3");
  EXPECT_EQ(reopened.value("Auto_Increase", "DeviceProducts", "0"), "7");
  EXPECT_EQ(reopened.value("Settings", "Combo2", ""), "1.5k");
  EXPECT_EQ(reopened.value("Settings", "Note", ""), "烧录 a,b = c");
  EXPECT_EQ(reopened.value("Settings", "Missing", "dflt"), "dflt");
}

TEST_F(QtSettingsStoreTest, MissingFileReadsDefaultsAndIsNotCreatedByReading) {
  const std::string ini = path("absent.ini");
  {
    QtSettingsStore store(ini);
    EXPECT_EQ(store.value("Settings", "DeviceProducts", "0"), "0");
    EXPECT_TRUE(store.sync());
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(ini)));
}

TEST_F(QtSettingsStoreTest, HandEditedListValueReadsAsItsText) {
  const std::string ini = path("edited.ini");
  QFile file(QString::fromStdString(ini));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Settings]\nList=Erase_All,Program\n");
  file.close();
  QtSettingsStore store(ini);
  EXPECT_EQ(store.value("Settings", "List", ""), "Erase_All,Program");
}

TEST_F(QtSettingsStoreTest, UnwritableLocationIsReportedNotIgnored) {
  QFile blocker(dir.filePath("plainfile"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QtSettingsStore store(path("plainfile") + "/sub/qrk.ini");
  store.setValue("Settings", "DeviceProducts", "1");
  std::string error;
  EXPECT_FALSE(store.sync(&error));
  EXPECT_NE(error.find("qrk.ini"), std::string::npos) << error;
}

}  // namespace
}  // namespace qrk
