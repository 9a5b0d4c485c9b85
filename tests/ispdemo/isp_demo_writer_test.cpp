#include "ispdemo/isp_demo_writer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "ispdemo/isp_demo_builder.h"
#include "link/frame.h"
#include "ops/ops_bench.h"

namespace qrk {
namespace {

using test::OpsBench;

test::Bytes demoOf(const OpsBench& b) {
  const IspDemoBytes demo = patchIspDemo(b.programmer.model(), {}).bytes.value();
  return {demo.begin(), demo.end()};
}

TEST(IspDemoWrite, WritesOptionsKilobyteAndFileAndVerifiesThem) {
  OpsBench b;  // QRK5-16B, 1 KB of pattern loaded at 0
  const RunResult result = writeIspDemo(b.programmer, b.production, {});
  ASSERT_TRUE(result.ok()) << b.pane();
  EXPECT_TRUE(b.flashHolds(0xF800, demoOf(b)) && b.flashHolds(0, test::patternBytes(0x400)));
  // LOCK, SB and MOVCL on, ISP area 1 KB (code 2 in bits 4-5), HWBS as chosen. The
  // mode ends with the run: a later Program must not write the kilobyte.
  EXPECT_EQ(std::tuple(b.sim.device.optionBytes()[0], b.programmer.options().ispSpaceText,
                       b.programmer.image().holdsDemoImage, b.programmer.successCounter().text(),
                       b.programmer.flags().demoWriteMode, b.production.active()),
            std::tuple(0xE8, "1.0k", true, "1", false, false));

  // The kilobyte is checked, not only sent: a cell that does not take its
  // byte fails the write.
  OpsBench stuck("QRK5-16B", sim::DeviceOptions().withFault(sim::Fault::stuckCell(0xF900)));
  ASSERT_NE(demoOf(stuck)[0x100], 0x00);
  EXPECT_FALSE(writeIspDemo(stuck.programmer, stuck.production, {}).ok());
  EXPECT_TRUE(stuck.paneHas("failure!") && stuck.programmer.successCounter().text() == "0");
}

// A list that would not write and verify the kilobyte is refused before
// connecting, and the image is left as it was.
TEST(IspDemoWrite, AListThatCannotWriteTheDemoIsRefusedBeforeConnecting) {
  for (const std::vector<std::string>& list :
       {std::vector<std::string>{"Erase_All", "Verify", "Write_Option"},
        {"Verify", "Program"},
        {"Erase_All", "Program"},
        {}}) {
    OpsBench b;
    b.setList(list);
    const auto before = b.programmer.image().bytes();
    EXPECT_FALSE(writeIspDemo(b.programmer, b.production, {}).portOpened);
    EXPECT_EQ(b.host.boxes, std::vector<std::string>{std::string(kDemoListText)});
    EXPECT_TRUE(b.sent() == 0 && b.programmer.image().bytes() == before);
  }
}

TEST(IspDemoWrite, DataReachingIntoTheKilobyteAreWarnedAboutAndOverwritten) {
  OpsBench below;
  below.load(0xF000, test::patternBytes(0x800 - 1));  // ends at 0xF7FE, below the DEMO
  ASSERT_TRUE(writeIspDemo(below.programmer, below.production, {}).ok()) << below.pane();
  EXPECT_TRUE(below.host.boxes.empty());

  OpsBench into;
  into.load(0xF000, test::patternBytes(0x801));  // its last byte is the DEMO's first
  ASSERT_TRUE(writeIspDemo(into.programmer, into.production, {}).ok()) << into.pane();
  EXPECT_EQ(into.host.boxes, std::vector<std::string>{kDemoOverlapText});
  EXPECT_TRUE(into.flashHolds(0xF800, demoOf(into)));
}

// Choosing the 1 KB ISP area moves the memory map; the reload check that the
// window's settings tick runs must not wipe the image under the DEMO run.
TEST(IspDemoWrite, NoReloadCheckResetsTheImageDuringTheRun) {
  OpsBench b;
  b.load(0, test::patternBytes(0x5000));  // beyond the AP end: the check would reset it
  bool checkedDuringRun = false;
  bool reset = true;
  b.onFirstSent(0x04, [&] {  // the first data frame: the run is programming
    checkedDuringRun = b.production.active();
    reset = b.programmer.checkReload();
  });
  ASSERT_TRUE(writeIspDemo(b.programmer, b.production, {}).ok()) << b.pane();
  EXPECT_TRUE(checkedDuringRun && !reset);
  EXPECT_TRUE(b.flashHolds(0, test::patternBytes(0x5000)) && b.flashHolds(0xF800, demoOf(b)));
}

TEST(IspDemoRepeatWrite, OffersHwbsThenWritesChipAfterChip) {
  OpsBench b;
  b.host.answers = {MessageAnswer::Yes};
  std::vector<bool> runs;
  const auto summary = repeatWriteIspDemo(b.programmer, b.production, {}, 2,
                                          [&](const RunResult& r) { runs.push_back(r.ok()); });
  EXPECT_TRUE(runs == (std::vector<bool>{true, true}) && summary.allSucceeded());
  ASSERT_FALSE(b.host.boxes.empty());
  // HWBS: start the DEMO at power-on.
  EXPECT_EQ(std::tuple(b.host.boxes[0], b.sim.device.optionBytes()[1] & 0x02,
                       b.programmer.successCounter().text(), b.programmer.flags().demoWriteMode),
            std::tuple(kDemoHwbsQuestionText, 0, "2", false));

  // Already set: no question. Declined: the chip keeps starting the application.
  OpsBench declined;
  EXPECT_TRUE(repeatWriteIspDemo(declined.programmer, declined.production, {}, 1).allSucceeded());
  EXPECT_EQ(declined.host.boxes, std::vector<std::string>{kDemoHwbsQuestionText});
  EXPECT_EQ(declined.sim.device.optionBytes()[1] & 0x02, 0x02);
  declined.programmer.options().rows[4].selected = 0;
  declined.host.boxes.clear();
  EXPECT_TRUE(repeatWriteIspDemo(declined.programmer, declined.production, {}, 1).allSucceeded());
  EXPECT_TRUE(declined.host.boxes.empty());
}

}  // namespace
}  // namespace qrk
