#include "ops/production_record.h"

#include <array>
#include <cstdio>
#include <ctime>

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
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
  const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms.count() % 1000));
  return text;
}

}  // namespace qrk
