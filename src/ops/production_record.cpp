#include "ops/production_record.h"

#include <array>
#include <chrono>
#include <cstdio>

#include "ops/programmer.h"

namespace qrk {

namespace {

constexpr std::array<std::string_view, 3> kOutcomeNames = {"ok", "failed", "stopped"};

}  // namespace

std::string_view outcomeName(ChipOutcome outcome) {
  return kOutcomeNames[static_cast<std::size_t>(outcome)];
}

std::optional<ChipOutcome> outcomeFromName(std::string_view name) {
  for (std::size_t i = 0; i < kOutcomeNames.size(); ++i) {
    if (kOutcomeNames[i] == name) return static_cast<ChipOutcome>(i);
  }
  return std::nullopt;
}

ChipRecord chipRecordOf(Programmer& programmer, const std::string& function,
                        const RunResult& result, const std::string& station,
                        std::chrono::system_clock::time_point now) {
  const ChipFacts& chip = programmer.chip();
  ChipRecord r;
  r.duration = std::chrono::milliseconds(programmer.loop().nowMs() - chip.startedMs);
  r.time = now - std::chrono::duration_cast<std::chrono::system_clock::duration>(r.duration);
  r.station = station;
  r.port = programmer.portName();
  r.model = programmer.model().name;
  r.chipId = chip.idRead;
  // A run that never connected leaves the previous chip's version behind.
  if (result.connected) r.bootloaderVersion = programmer.bootloaderVersion();
  if (programmer.image().fileLoaded) {
    r.imageFile = programmer.image().filePath;
    r.checksum = programmer.checksumText();
  }
  r.serial = chip.serial;
  r.serialKept = chip.serial.has_value() && chip.optionsWritten;
  r.function = function;
  r.supplySwitched = result.supplySwitched;
  r.outcome = result.ok()      ? ChipOutcome::Ok
              : result.stopped ? ChipOutcome::Stopped
                               : ChipOutcome::Failed;
  if (!result.ok()) {
    r.failureCode = result.status.reason;
    r.failureLine = result.status.text;
  }
  return r;
}

std::string utcTimeText(std::chrono::system_clock::time_point time) {
  // The calendar of <chrono> instead of gmtime_r, which Windows lacks.
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(time);
  const auto day = floor<days>(ms);
  const year_month_day date{day};
  const hh_mm_ss clock{ms - day};
  char text[64];
  std::snprintf(
      text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

}  // namespace qrk
