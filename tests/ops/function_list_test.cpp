#include "ops/function_list.h"

#include <gtest/gtest.h>

#include "ops/production_settings.h"
#include "ops/run_controls.h"
#include "ops/success_counter.h"
#include "platform/settings_store.h"
#include "support/recording_host.h"

namespace qrk {
namespace {

class FunctionListTest : public ::testing::Test {
 protected:
  MemorySettingsStore settings;
  FunctionList list{settings};

  void fill(const std::vector<std::string>& names) { ASSERT_TRUE(list.setForRun(names)); }
  std::string stored(int slot) const {
    return settings.value("Settings", "Auto_" + std::to_string(slot), "?");
  }
};

TEST_F(FunctionListTest, AnEmptyStoreGetsTheDefaultListButASavedListIsKept) {
  list.loadOrDefault();
  EXPECT_EQ(list.names(),
            (std::vector<std::string>{"Erase_All", "Verify_ID", "Blank_Check", "Program", "Verify",
                                      "Write_Option", "Read_Option"}));
  // The default is not written until the user edits the list.
  EXPECT_FALSE(settings.contains("Settings", "Auto_8"));

  settings.setValue("Settings", "Auto_8", "  Program ");
  settings.setValue("Settings", "Auto_9", "Verify");
  FunctionList reloaded{settings};
  reloaded.loadOrDefault();
  EXPECT_EQ(reloaded.names(), (std::vector<std::string>{"Program", "Verify"}));
}

TEST_F(FunctionListTest, AddCopiesTheSelectedPaletteRowIntoTheFirstFreeSlotAndSaves) {
  list.press(3);  // "Program"
  EXPECT_TRUE(list.add());
  list.press(1);  // "Erase_All"
  EXPECT_TRUE(list.add());
  EXPECT_EQ(list.names(), (std::vector<std::string>{"Program", "Erase_All"}));
  EXPECT_EQ(stored(8), "Program");
  EXPECT_EQ(stored(9), "Erase_All");
  EXPECT_EQ(stored(15), "");

  // No palette row selected: a slot is, or the empty palette row was pressed.
  list.press(8);
  EXPECT_FALSE(list.add());
  list.press(7);
  EXPECT_EQ(list.selectedRow(), -1);
  EXPECT_FALSE(list.add());
}

TEST_F(FunctionListTest, AddToAFullListChangesNothing) {
  fill({"Erase_All", "Verify_ID", "Blank_Check", "Program", "Verify", "Write_Option", "Read_Option",
        "Verify"});
  list.press(0);
  EXPECT_FALSE(list.add());
  EXPECT_EQ(list.names().size(), 8u);
  EXPECT_EQ(list.rowText(15), "Verify");
}

TEST_F(FunctionListTest, DeleteClosesTheGapAndDeleteAllEmptiesEverySlot) {
  fill({"Erase_All", "Verify_ID", "Blank_Check", "Program", "Verify", "Write_Option", "Read_Option",
        "Erase_All"});
  list.press(9);
  EXPECT_TRUE(list.remove());
  EXPECT_EQ(list.rowText(9), "Blank_Check");
  EXPECT_EQ(list.rowText(14), "Erase_All");
  EXPECT_EQ(list.rowText(15), "");
  EXPECT_EQ(stored(15), "");
  EXPECT_EQ(list.selectedRow(), -1);
  EXPECT_FALSE(list.remove());  // nothing selected any more

  list.doubleClick(2);  // a palette row: Add
  EXPECT_EQ(list.rowText(15), "Blank_Check");
  list.doubleClick(8);  // a slot: Del
  EXPECT_EQ(list.rowText(8), "Blank_Check");

  list.removeAll();
  EXPECT_TRUE(list.empty());
  for (int slot = 8; slot <= 15; ++slot) EXPECT_EQ(stored(slot), "");
  // An emptied list stays empty at the next start only until loaded: then the
  // default comes back, as for a first start.
  FunctionList next{settings};
  next.loadOrDefault();
  EXPECT_FALSE(next.empty());
}

TEST_F(FunctionListTest, AScriptedListIsCheckedAndNotSaved) {
  std::string error;
  EXPECT_FALSE(list.setForRun({"Program", "Auto"}, &error));
  EXPECT_NE(error.find("'Auto'"), std::string::npos);
  EXPECT_FALSE(list.setForRun(std::vector<std::string>(9, "Verify"), &error));
  EXPECT_TRUE(list.setForRun({"Program", "Verify"}));
  EXPECT_FALSE(settings.contains("Settings", "Auto_8"));
}

TEST(SuccessCounterTest, GrowsAndIsStoredAtOnce) {
  MemorySettingsStore settings;
  settings.setValue("Settings", "Write_OK_Count", "41");
  SuccessCounter counter{settings};
  counter.load();
  counter.increment();
  EXPECT_EQ(counter.text(), "42");
  EXPECT_EQ(settings.value("Settings", "Write_OK_Count", ""), "42");

  counter.setText("12abc");  // typed by the user: its leading number counts
  counter.increment();
  EXPECT_EQ(counter.text(), "13");
  counter.setText("x");
  counter.increment();
  EXPECT_EQ(counter.text(), "1");
  counter.setText("99999999999999999999999");  // saturates instead of wrapping to 0
  counter.increment();
  EXPECT_NE(counter.text(), "0");
}

TEST(SuccessCounterTest, ClearingAsksOnlyWhenThereIsACount) {
  MemorySettingsStore settings;
  test::RecordingHost host;
  SuccessCounter counter{settings};
  counter.load();
  EXPECT_FALSE(counter.clear(host));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(settings.value("Settings", "Write_OK_Count", ""), "0");

  counter.setText("7");
  host.answers = {MessageAnswer::No};
  EXPECT_FALSE(counter.clear(host));
  EXPECT_EQ(counter.text(), "7");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0],
            " You want to clear the Auto Count(Y/N)? \r\n    您要把烧录成功计数清0吗(Y/N)? ");

  host.answers = {MessageAnswer::Yes};
  EXPECT_TRUE(counter.clear(host));
  EXPECT_EQ(settings.value("Settings", "Write_OK_Count", ""), "0");
}

TEST(ProductionSettingsTest, DefaultsStoredValuesAndOutOfRangeDelays) {
  MemorySettingsStore settings;
  ProductionSettings p;
  p.load(settings);
  EXPECT_TRUE(p.beepOnSuccess);
  EXPECT_EQ(p.delaySeconds(), 5);

  settings.setValue("Settings", "BeepYesNo", "False");
  settings.setValue("Settings", "Dalay_ReDownLoad", "7");
  p.load(settings);
  EXPECT_FALSE(p.beepOnSuccess);
  EXPECT_EQ(p.delaySeconds(), 2);

  // A delay below one second would never test Stop.
  for (const char* bad : {"8", "-1", "", "3x"}) {
    settings.setValue("Settings", "Dalay_ReDownLoad", bad);
    p.load(settings);
    EXPECT_EQ(p.delaySeconds(), 5) << bad;
  }
  EXPECT_FALSE(p.setDelaySeconds(0));
  EXPECT_FALSE(p.setDelaySeconds(10));
  EXPECT_TRUE(p.setDelaySeconds(3));
  p.save(settings);
  EXPECT_EQ(settings.value("Settings", "Dalay_ReDownLoad", ""), "6");
  EXPECT_EQ(settings.value("Settings", "BeepYesNo", ""), "False");
}

TEST(RunControlsTest, ALockedRunDisablesItsControlsAndLeavesThePortAndStop) {
  RunControls controls;
  const UnlockConditions conditions;
  controls.locked = true;
  controls.stopEnabled = true;
  for (const char* name : {"combMcuModel", "Option3", "comLoadFile", "comDownload", "comReDownload",
                           "comTJXZ", "cheAuto_Increase"}) {
    EXPECT_FALSE(controlEnabled(name, controls, conditions)) << name;
  }
  for (const char* name : {"combCommPort", "Combo1", "txtFuction", "txtAuto", "comStop_Download"}) {
    EXPECT_TRUE(controlEnabled(name, controls, conditions)) << name;
  }
  EXPECT_FALSE(controls.runEnabled());

  controls = RunControls{};
  EXPECT_TRUE(controls.runEnabled());
  EXPECT_FALSE(controlEnabled("comStop_Download", controls, conditions));
  // Unlocking leaves the controls that follow a choice to that choice.
  EXPECT_FALSE(controlEnabled("comb_ISP_DEMO_WDT", controls, conditions));
  EXPECT_FALSE(controlEnabled("opt_485_logic", controls, conditions));
  EXPECT_TRUE(controlEnabled("optISP_DEMO_erase_data", controls, conditions));
  EXPECT_FALSE(
      controlEnabled("optISP_DEMO_erase_data", controls, UnlockConditions{true, true, true}));
  EXPECT_TRUE(controlEnabled("comb_485_pin", controls, UnlockConditions{false, false, false}));
}

}  // namespace
}  // namespace qrk
