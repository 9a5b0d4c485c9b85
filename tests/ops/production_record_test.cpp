#include "ops/production_record.h"

#include <gtest/gtest.h>

#include <tuple>

#include "ops/ops_bench.h"
#include "ops/run_engine.h"

namespace qrk {
namespace {

using sim::Fault;
using sim::FaultKind;
using test::OpsBench;

// Hands out the numbers it was given, one per take; refuses once they run out.
class ListCounter : public SerialCounter {
 public:
  explicit ListCounter(std::vector<std::string> numbers) : numbers_(std::move(numbers)) {}
  std::optional<std::string> take(std::string* error) override {
    if (taken_ == numbers_.size()) {
      *error = "the line database cannot be reached";
      return std::nullopt;
    }
    return numbers_[taken_++];
  }
  std::size_t taken() const { return taken_; }

 private:
  std::vector<std::string> numbers_;
  std::size_t taken_ = 0;
};

// A bench whose serial number is one decimal byte at 0x0101, ticked, and
// taken from `counter`.
struct NumberedBench : OpsBench {
  NumberedBench(SerialCounter& counter, sim::DeviceOptions options = {})
      : OpsBench("QRK5-16B", std::move(options)) {
    armSerial("07");
    programmer.setSerialCounter(&counter);
    setList({"Erase_All", "Verify_ID", "Program", "Write_Option", "Read_Option"});
  }
  ChipRecord runAndRecord(FunctionId function) {
    const RunResult result = production.run(function);
    return chipRecordOf(programmer, std::string(functionName(function)), result, "line-1",
                        std::chrono::system_clock::time_point{});
  }
};

TEST(ChipRecordOf, AWholeCycleKeepsItsNumberAFailedOneGivesItBack) {
  ListCounter counter({"41", "42"});
  NumberedBench b(counter);
  b.programmer.image().filePath = "app.hex";

  ChipRecord r = b.runAndRecord(FunctionId::Auto);
  EXPECT_EQ(r.outcome, ChipOutcome::Ok) << b.pane();
  EXPECT_EQ(b.sim.device.flashByte(0x101), 0x41) << "the chip carries the number it was given";
  EXPECT_EQ(std::tie(r.station, r.port, r.model, r.chipId, r.bootloaderVersion, r.imageFile,
                     r.function, r.failureLine),
            std::tie("line-1", "sim", "QRK5-16B", "F104", "32", "app.hex", "Auto", ""));
  EXPECT_EQ(std::tuple(r.serial, r.serialKept, r.failureCode),
            std::tuple("41", true, Reason::None));
  EXPECT_GT(r.duration.count(), 0);
  EXPECT_EQ(r.time, std::chrono::system_clock::time_point{} - r.duration) << "when it began";

  // The chip refuses its option bytes: programmed with 42, but its cycle never ended.
  b.sim.device.addFault(Fault{FaultKind::Drop, 1, true, {cmd::kWriteOption}, 0});
  r = b.runAndRecord(FunctionId::Auto);
  EXPECT_EQ(
      std::tuple(r.outcome, r.serial, r.serialKept, r.failureLine, r.failureCode),
      std::tuple(ChipOutcome::Failed, "42", false, "Write Option is failure!", Reason::NoAnswer));
  EXPECT_EQ(counter.taken(), 2u);

  // A counter out of reach: nothing is programmed without a number.
  const std::size_t frames = b.sim.device.dataFrames().size();
  r = b.runAndRecord(FunctionId::Auto);
  EXPECT_EQ(std::tuple(r.outcome, r.serial, r.failureCode, r.failureLine),
            std::tuple(ChipOutcome::Failed, std::nullopt, Reason::SerialNumber,
                       "Serial number: the line database cannot be reached"));
  EXPECT_EQ(b.sim.device.dataFrames().size(), frames);
  EXPECT_TRUE(b.host.boxes.back().find("cannot be reached") != std::string::npos);
}

TEST(ChipRecordOf, ANumberTooWideForTheFieldIsNeverStampedAndNotKept) {
  ListCounter counter({"100"});
  NumberedBench b(counter);
  const ChipRecord r = b.runAndRecord(FunctionId::Auto);
  EXPECT_TRUE(b.sim.device.dataFrames().empty());
  EXPECT_EQ(std::tuple(r.outcome, r.serial, r.serialKept, r.failureCode),
            std::tuple(ChipOutcome::Failed, "100", false, Reason::SerialNumber));
  EXPECT_EQ(b.host.boxes.back(), AutoIncrement::kValueTooLarge);
}

// (A stopped chip's record is checked end to end.)
TEST(ChipRecordOf, ARunThatNeverStartedSaysWhyAndCarriesNothingOfTheLastChip) {
  ListCounter counter({"41"});
  NumberedBench b(counter);
  ASSERT_EQ(b.runAndRecord(FunctionId::Auto).outcome, ChipOutcome::Ok);
  b.sim.port.refuseOpen();
  const ChipRecord r = b.runAndRecord(FunctionId::VerifyId);
  EXPECT_EQ(
      std::tuple(r.outcome, r.failureLine, r.failureCode, r.chipId, r.bootloaderVersion, r.serial),
      std::tuple(ChipOutcome::Failed, "Open COM port is failure!", Reason::Port, "", "",
                 std::nullopt));
}

TEST(UtcTimeText, SortsAsTheTimeDoes) {
  using namespace std::chrono;
  const system_clock::time_point t{milliseconds(1'796'630'462'345)};
  EXPECT_EQ(utcTimeText(t), "2026-12-07T08:01:02.345Z");
  EXPECT_LT(utcTimeText(t), utcTimeText(t + milliseconds(1)));
  EXPECT_EQ(utcTimeText(system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
}

}  // namespace
}  // namespace qrk
