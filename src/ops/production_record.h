#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/status.h"

namespace qrk {

class Programmer;
struct RunResult;

// How a chip's run ended, as the record keeps it.
enum class ChipOutcome { Ok, Failed, Stopped };

// "ok", "failed", "stopped": the words the record stores and prints.
std::string_view outcomeName(ChipOutcome outcome);
std::optional<ChipOutcome> outcomeFromName(std::string_view name);

// What a run learnt about the chip in hand. The programmer resets it as each
// run starts, so nothing of the previous chip leaks into this one's record.
struct ChipFacts {
  std::int64_t startedMs = 0;  // the event loop's clock when the run began
  std::string idRead;          // four hex digits, empty when no ID was read
  // The number a shared counter handed out for this chip and stamped into its
  // image; empty when the image's own serial number (or none) was used.
  std::optional<std::string> serial;
  // The option bytes were written: the step that ends a chip's cycle, after
  // which the chip keeps the serial number it was programmed with.
  bool optionsWritten = false;
};

// One row of the production record: everything needed to prove afterwards
// what went into a chip.
struct ChipRecord {
  std::chrono::system_clock::time_point time;  // when the chip's run began
  std::string station;
  std::string port;
  std::string model;
  std::string chipId;             // empty when none was read
  std::string bootloaderVersion;  // empty when the run never connected
  std::string imageFile;
  std::string checksum;  // the "File Check Sum" text of the image file
  std::optional<std::string> serial;
  // The chip keeps `serial`: its cycle ended with the option write. A number
  // that was stamped but not kept goes back to the counter for another chip.
  bool serialKept = false;
  std::string function;
  ChipOutcome outcome = ChipOutcome::Failed;
  Reason failureCode = Reason::None;  // why it failed; None on success
  std::string failureLine;            // the pane line that says why; empty on success
  std::chrono::milliseconds duration{0};
  // The programmer switched the chip's supply for its run (a fixture): the
  // chip got its power-on from the programmer, not from a person.
  bool supplySwitched = false;
};

// Where each chip's record goes as the chip ends.
class ProductionRecordSink {
 public:
  virtual ~ProductionRecordSink() = default;
  // Stores one chip's row whole or not at all. A serial number stamped but not
  // kept is given back in the same step, so that a number is never both
  // recorded as given back and lost. False with the reason in *error.
  virtual bool record(const ChipRecord& chip, std::string* error) = 0;
};

// Hands out serial numbers that several programmers share. Each number taken
// belongs to one chip alone until its record gives it back.
class SerialCounter {
 public:
  virtual ~SerialCounter() = default;
  // The decimal digits of the next number; nullopt with the reason in *error
  // when the counter cannot be reached.
  virtual std::optional<std::string> take(std::string* error) = 0;
};

// The record of the run that just ended on `programmer`, with `now` the wall
// time at its end.
ChipRecord chipRecordOf(Programmer& programmer, const std::string& function,
                        const RunResult& result, const std::string& station,
                        std::chrono::system_clock::time_point now);

// "2026-12-07T08:01:02.345Z": UTC with milliseconds, so that the text sorts as
// the time does.
std::string utcTimeText(std::chrono::system_clock::time_point time);

}  // namespace qrk
