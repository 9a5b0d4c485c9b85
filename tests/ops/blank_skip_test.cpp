#include "ops/blank_skip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "ops/ops_bench.h"

namespace qrk {
namespace {

using test::Bytes;
using test::OpsBench;

constexpr std::int32_t kBlockSize = 512;
constexpr std::int32_t kSerialAt = 0x3FFC;  // four bytes at the top of a 16 KB AP memory
const std::vector<std::string> kProvingList = {"Erase_All", "Blank_Check", "Program", "Verify"};

// 2.75 KB of code at the bottom and a serial number at the top, FF between.
void loadSparse(OpsBench& b) {
  b.load(0, test::patternBytes(0xB00));
  b.image().store(kSerialAt, Bytes{0x00, 0x00, 0x12, 0x34});
  b.image().rangeHigh = kSerialAt + 3;
  b.programmer.loadChoices().fillByte = 0xFF;
}

bool holdsData(const sim::DataFrameRecord& frame) {
  const std::int32_t block = frame.address / kBlockSize;
  return block <= 0xAFF / kBlockSize || block == kSerialAt / kBlockSize;
}

TEST(SkipBlank, AnErasedBlankCheckedChipGetsOnlyTheBlocksHoldingDataAndEndsTheSame) {
  // Kind 2 verifies by page sums, kind 1 reads the chip back (twice: in
  // Program and in the list's Verify).
  for (const char* model : {"QRK5-16B", "QRK3-16F"}) {
    SCOPED_TRACE(model);
    OpsBench every(model);
    OpsBench sparse(model);
    sparse.programmer.production().skipBlank = true;
    for (OpsBench* b : {&every, &sparse}) {
      loadSparse(*b);
      b->setList(kProvingList);
      ASSERT_TRUE(b->production.run(FunctionId::Auto).ok()) << b->pane();
    }

    // The blocks that go are sent exactly as without the option, restart
    // frames and all; the others not at all.
    std::vector<sim::DataFrameRecord> expected;
    std::copy_if(every.sim.device.dataFrames().begin(), every.sim.device.dataFrames().end(),
                 std::back_inserter(expected), holdsData);
    EXPECT_EQ(sparse.sim.device.dataFrames(), expected);
    EXPECT_EQ(expected.size(), 7u * 4u);  // six blocks of code, one of the serial number
    EXPECT_TRUE(std::equal(every.sim.device.flash().begin(), every.sim.device.flash().end(),
                           sparse.sim.device.flash().begin(), sparse.sim.device.flash().end()));
    // Progress and the kilobyte label count the whole range either way; a
    // read-back leaves out exactly the chunks of the blocks left out.
    const auto count = [](const OpsBench& b, std::uint8_t c) {
      return b.sim.device.commandCount(c);
    };
    const bool readBack = std::string(model) == "QRK3-16F";
    EXPECT_EQ(std::tuple(sparse.host.kbyte, sparse.pane(), count(sparse, cmd::kPageSums),
                         count(every, cmd::kRead), count(sparse, cmd::kRead)),
              std::tuple(every.host.kbyte, every.pane(), count(every, cmd::kPageSums),
                         readBack ? 2 * 0x4000 / 128 : 0, readBack ? 2 * 7 * kBlockSize / 128 : 0));
  }
}

TEST(SkipBlank, EveryBlockGoesUnlessThisRunErasedTheChipAndThenFoundItBlank) {
  struct Case {
    const char* what;
    FunctionId function;
    std::vector<std::string> list;
    std::uint8_t fill = 0xFF;
  };
  const Case cases[] = {
      {"Program alone", FunctionId::Program, {}},
      {"no blank check", FunctionId::Auto, {"Erase_All", "Program", "Verify"}},
      {"no erase", FunctionId::Auto, {"Blank_Check", "Program", "Verify"}},
      {"blank check before the erase", FunctionId::Auto, {"Blank_Check", "Erase_All", "Program"}},
      {"options written since",
       FunctionId::Auto,
       {"Erase_All", "Blank_Check", "Write_Option", "Program"}},
      {"fill 00", FunctionId::Auto, kProvingList, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpsBench b;
    b.programmer.production().skipBlank = true;
    loadSparse(b);
    b.programmer.loadChoices().fillByte = c.fill;
    if (!c.list.empty()) b.setList(c.list);
    EXPECT_TRUE(b.production.run(c.function).ok()) << b.pane();
    EXPECT_EQ(b.sim.device.dataFrames().size(), 0x4000u / 128);
    // What the command line says before the run agrees with what the run did.
    EXPECT_NE(BlankSkip::planned(true, c.fill, c.function, b.programmer.functionList().names()),
              BlankSkip::Standing::Applies);
  }

  // Each chip proves itself blank: a Program on its own after a run that left
  // blocks out sends them all again.
  OpsBench b;
  b.programmer.production().skipBlank = true;
  loadSparse(b);
  b.setList(kProvingList);
  EXPECT_EQ(BlankSkip::planned(true, 0xFF, FunctionId::Auto, kProvingList),
            BlankSkip::Standing::Applies);
  ASSERT_TRUE(b.production.run(FunctionId::Auto).ok());
  const std::size_t sent = b.sim.device.dataFrames().size();
  EXPECT_EQ(sent, 7u * 4u);
  ASSERT_TRUE(b.production.run(FunctionId::Program).ok());
  EXPECT_EQ(b.sim.device.dataFrames().size() - sent, 0x4000u / 128);
}

}  // namespace
}  // namespace qrk
