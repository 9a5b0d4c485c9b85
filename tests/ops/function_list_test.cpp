#include "ops/function_list.h"

#include <gtest/gtest.h>

#include "ops/production_settings.h"
#include "ops/success_counter.h"
#include "platform/settings_store.h"
#include "support/recording_host.h"

namespace qrk {
namespace {

using Names = std::vector<std::string>;

TEST(FunctionList, EditsGoToTheSlotsAndTheStoreAndASavedListOutlivesTheDefault) {
  MemorySettingsStore settings;
  FunctionList list{settings};
  list.loadOrDefault();
  EXPECT_EQ(list.names(), (Names{"Erase_All", "Verify_ID", "Blank_Check", "Program", "Verify",
                                 "Write_Option", "Read_Option"}));
  EXPECT_FALSE(settings.contains("Settings", "Auto_8"));  // written only once edited

  list.removeAll();
  list.press(3);  // "Program"
  EXPECT_TRUE(list.add());
  list.doubleClick(1);  // a palette row: "Erase_All" is added
  list.press(8);        // a slot, so no palette row is selected
  EXPECT_FALSE(list.add());
  EXPECT_EQ(settings.value("Settings", "Auto_9", "?"), "Erase_All");
  for (int i = 0; i < 6; ++i) list.doubleClick(2);
  list.press(0);
  EXPECT_FALSE(list.add());  // all eight slots taken
  list.press(8);
  EXPECT_TRUE(list.remove());  // the gap closes
  EXPECT_EQ(list.rowText(8), "Erase_All");
  EXPECT_EQ(list.rowText(15), "");
  EXPECT_EQ(settings.value("Settings", "Auto_15", "?"), "");
  EXPECT_FALSE(list.remove());  // nothing selected any more

  FunctionList reloaded{settings};
  reloaded.loadOrDefault();
  EXPECT_EQ(reloaded.names(), list.names());
  std::string error;
  EXPECT_FALSE(list.setForRun({"Program", "Auto"}, &error));
  EXPECT_NE(error.find("'Auto'"), std::string::npos);
  EXPECT_FALSE(list.setForRun(Names(9, "Verify"), &error));
  EXPECT_TRUE(list.setForRun({"Verify"}));  // for one run only: not saved
  EXPECT_EQ(settings.value("Settings", "Auto_8", "?"), "Erase_All");
}

TEST(SuccessCounter, GrowsFromTheTypedNumberIsStoredAtOnceAndNeverWrapsToZero) {
  MemorySettingsStore settings;
  test::RecordingHost host;
  SuccessCounter counter{settings};
  settings.setValue("Settings", "Write_OK_Count", "41");
  counter.load();
  counter.increment();
  EXPECT_EQ(counter.text(), "42");
  EXPECT_EQ(settings.value("Settings", "Write_OK_Count", ""), "42");
  const std::pair<const char*, const char*> typed[] = {{"12abc", "13"}, {"x", "1"}};
  for (const auto& [text, next] : typed) {
    counter.setText(text);
    counter.increment();
    EXPECT_EQ(counter.text(), next);
  }
  counter.setText("99999999999999999999999");
  counter.increment();
  EXPECT_NE(counter.text(), "0");

  host.answers = {MessageAnswer::No, MessageAnswer::Yes};
  EXPECT_FALSE(counter.clear(host));
  EXPECT_NE(counter.text(), "0");
  EXPECT_EQ(host.boxes.at(0),
            " You want to clear the Auto Count(Y/N)? \r\n    您要把烧录成功计数清0吗(Y/N)? ");
  EXPECT_TRUE(counter.clear(host));
  EXPECT_EQ(settings.value("Settings", "Write_OK_Count", ""), "0");
  EXPECT_FALSE(counter.clear(host));  // nothing to clear: no question
  EXPECT_EQ(host.boxes.size(), 2U);
}

TEST(ProductionSettings, ADelayOutsideOneToNineSecondsIsNeverTaken) {
  MemorySettingsStore settings;
  ProductionSettings p;
  for (const char* bad : {"8", "-1", "", "3x"}) {
    settings.setValue("Settings", "Dalay_ReDownLoad", bad);
    p.load(settings);
    EXPECT_EQ(p.delaySeconds(), 5) << bad;
  }
  EXPECT_FALSE(p.setDelaySeconds(0));
  EXPECT_FALSE(p.setDelaySeconds(10));
  EXPECT_TRUE(p.setDelaySeconds(3));
  p.save(settings);
  EXPECT_EQ(settings.value("Settings", "Dalay_ReDownLoad", ""), "6");  // the list position
}

}  // namespace
}  // namespace qrk
