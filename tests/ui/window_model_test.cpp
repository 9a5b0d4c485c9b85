// The window without widgets: start-up, the settings timer and its reload
// check, restarts, runs and shut-down, on the simulated chip under virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/image_fixtures.h"
#include "image/load_messages.h"
#include "ui/window_bench.h"

namespace qrk {
namespace {

using test::ListingStore;
using test::saved;
using test::session;
using test::WindowBench;

TEST(WindowStartUp, AnEmptyStoreIsWrittenAtTheFirstTickAndAStoredPositionSelectsItsModel) {
  ListingStore store;
  WindowBench b(store);
  WindowModel& w = b.window;
  w.start();
  EXPECT_EQ(b.programmer.model().name, "QRK5-04A");
  EXPECT_EQ(w.programFrameCaption(), "Program / 编程 ( COM 1, 115200 )");
  EXPECT_EQ(store.at("DeviceProducts"), "<missing>");
  b.advanceMs(SettingsTicker::kIntervalMs);
  WindowSettings firstStart;
  firstStart.modelName = "QRK5-04A";
  EXPECT_EQ(saved(w.currentSettings()), saved(firstStart));
  EXPECT_EQ(b.ticks, 1);
  EXPECT_EQ(b.checks.size(), 1u);  // armed at start-up

  for (const auto& [position, model] :
       {std::pair{"5", "QRK5-64B"}, {"16", "QRK3-64G"}, {"17", "QRK5-04A"}, {"abc", "QRK5-04A"}}) {
    ListingStore other;
    other.setValue("Settings", "DeviceProducts", position);
    WindowBench restarted(other);
    restarted.started();
    EXPECT_EQ(restarted.programmer.model().name, model) << position;
    EXPECT_EQ(restarted.window.state().modelText, model) << position;
  }
}

TEST(WindowFaults, TheIspSpaceChoiceIsSavedAndCheckedAgainstTheModelsList) {
  ListingStore store;
  session(store, [](WindowBench& b) {
    b.window.modelChosen(15);  // QRK3-64F: 16 sizes
    EXPECT_TRUE(b.window.ispSpaceChosen(15));
    EXPECT_FALSE(b.window.ispSpaceChosen(16));
  });
  // A kind-2 model offers four sizes: position 15 is none of them.
  store.values.erase({"Settings", "DeviceProductsName"});
  store.setValue("Settings", "DeviceProducts", "3");
  WindowBench b(store);
  b.started();
  EXPECT_EQ(b.programmer.options().ispSpaceText, "0.0k");
  EXPECT_EQ(store.at("ISP_Space"), "0");
}

TEST(WindowFaults, ATypedKindZeroNameStaysTheModelAndSurvivesARestart) {
  ListingStore store;
  session(store, [&](WindowBench& b) {
    b.window.modelTextChanged("QRK5-32D");
    b.advanceMs(SettingsTicker::kIntervalMs);
    EXPECT_EQ(b.programmer.model().name, "QRK5-32D");
    EXPECT_EQ(b.programmer.model().mapKind, MapKind::FixedIspBlock);
    EXPECT_EQ(b.window.state().modelText, "QRK5-32D");
    EXPECT_EQ(b.window.modelIndex(), -1);
    // An older reader of the position finds the first model, as it always did.
    EXPECT_EQ(store.at("DeviceProducts"), "0");
  });
  WindowBench b(store);
  b.started();
  EXPECT_EQ(b.programmer.model().name, "QRK5-32D");
  EXPECT_EQ(b.programmer.model().block1Start, 0xE000);
  EXPECT_EQ(b.window.state().modelText, "QRK5-32D");
}

// A text that names no model (matching is case-sensitive) never switches the
// model: the tick shows the model in effect again, with the block size the
// failed match had reset; a run started before the tick gets it back first.
TEST(WindowFaults, ATextThatNamesNoModelLeavesTheModelInEffect) {
  ListingStore store;
  WindowBench b(store);
  b.started();
  b.window.modelChosen(3);  // QRK5-16B
  b.advanceMs(SettingsTicker::kIntervalMs);
  for (const bool runAtOnce : {false, true}) {
    b.window.modelTextChanged("qrk5-16b");
    EXPECT_EQ(b.programmer.model().blockSize, 128);
    if (runAtOnce) b.window.run(FunctionId::VerifyId);
    EXPECT_EQ(b.programmer.model().blockSize, runAtOnce ? 512 : 128);
    b.advanceMs(SettingsTicker::kIntervalMs);
    EXPECT_EQ(b.programmer.model().name, "QRK5-16B");
    EXPECT_EQ(b.programmer.model().blockSize, 512);
    EXPECT_EQ(b.window.state().modelText, "QRK5-16B");
    EXPECT_EQ(store.at("DeviceProducts"), "3");
  }
}

// A model chosen just before Run: its tick falls inside the run, where the
// check would reset the image being programmed. It saves then, and checks
// once the run, or the whole Re-Run loop, is over.
TEST(WindowFaults, ATickInsideARunChecksForAReloadOnlyAfterTheRun) {
  ListingStore store;
  WindowBench b(store, sim::DeviceOptions().withPowerOnAfter(20));  // 20 handshakes: 400 ms
  b.started();
  b.window.modelChosen(0);
  EXPECT_TRUE(b.window.run(FunctionId::VerifyId).ok()) << b.programmer.pane().text();
  EXPECT_EQ(b.ticks, 1);
  EXPECT_EQ(b.checks, std::vector<bool>{false});

  b.checks.clear();
  b.window.fillByteChosen(0xFF);
  b.sim.loop.scheduleInMs(2500, [&] { b.window.stopClicked(); });
  const ProductionLoop::Summary summary = b.window.reRun(FunctionId::VerifyId);
  EXPECT_GE(summary.runs, 1);
  EXPECT_EQ(store.at("fillbyte"), "FF");
  EXPECT_EQ(b.checks, std::vector<bool>{false});
}

// Which changes may move the memory map under a loaded image decides whether
// the tick checks it; a burst of changes is one save.
TEST(SettingsTick, TheReloadCheckFollowsChangesThatMayMoveTheMemoryMap) {
  ListingStore store;
  WindowBench b(store);
  b.started();
  WindowModel& w = b.window;

  w.baudChosen(0);
  b.advanceMs(SettingsTicker::kIntervalMs - 1);
  EXPECT_EQ(b.ticks, 0);
  b.advanceMs(1);
  EXPECT_EQ(b.ticks, 1);
  EXPECT_TRUE(b.checks.empty());

  w.modelChosen(2);
  b.advanceMs(60);
  w.ispSpaceChosen(1);  // restarts the timer
  b.advanceMs(60);
  EXPECT_EQ(b.ticks, 1);
  b.advanceMs(40);
  EXPECT_EQ(b.ticks, 2);
  EXPECT_EQ(b.checks.size(), 1u);

  const std::vector<std::function<void()>> keepsTheMap = {
      [&] { w.portChosen(3); },          [&] { w.portTextChanged("COM2"); },
      [&] { w.beepChosen(false); },      [&] { w.delayChosen(2); },
      [&] { w.reloadBoxClicked(true); }, [&] { w.clearBufferClicked(true); },
      [&] { w.ispDemoChanged({}); },     [&] { w.counterTextChanged("5"); }};
  for (const auto& change : keepsTheMap) {
    change();
    b.advanceMs(SettingsTicker::kIntervalMs);
  }
  EXPECT_EQ(b.ticks, 10);
  EXPECT_EQ(b.checks.size(), 1u);

  w.fillByteChosen(0x00);
  b.advanceMs(SettingsTicker::kIntervalMs);
  EXPECT_EQ(b.checks.size(), 2u);

  // A model change is checked even when a port change follows it at once.
  w.modelChosen(4);
  w.portChosen(1);
  b.advanceMs(SettingsTicker::kIntervalMs);
  EXPECT_EQ(b.checks.size(), 3u);
  EXPECT_EQ(store.at("DeviceProducts"), "4");
  EXPECT_EQ(store.at("COM_port"), "1");
}

TEST(WindowReloadCheck, AModelThatNoLongerHoldsTheFileAsksForItAgainOnce) {
  imagetest::TempDir dir;
  const std::string path = dir.file("app.bin", std::vector<std::uint8_t>(0x1800, 0x5A));
  ListingStore store;
  session(store, [&](WindowBench& b) {
    b.window.modelChosen(1);  // QRK5-08A: AP up to 1FFF
    b.advanceMs(SettingsTicker::kIntervalMs);
    ASSERT_TRUE(b.window.fileChosen(path).loaded());
    EXPECT_EQ(store.at("FilePath"), path);
    b.window.modelChosen(0);  // QRK5-04A: AP up to 0FFF
    b.advanceMs(SettingsTicker::kIntervalMs);
    EXPECT_EQ(std::count(b.host.boxes.begin(), b.host.boxes.end(), kReloadFileMessage), 1);
    EXPECT_FALSE(b.programmer.image().fileLoaded);
    EXPECT_EQ(b.ticks, 2);
  });
  WindowBench b(store);
  b.started();
  EXPECT_EQ(b.window.state().filePath, path);
}

}  // namespace
}  // namespace qrk
