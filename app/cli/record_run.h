#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "ops/programmer.h"
#include "qt/sql_production_record.h"
#include "record_options.h"

namespace qrkcli {

// The production record of one `run`: every chip's row as its run ends and,
// with --serial, the line's serial counter behind the image's number.
class RunRecorder {
 public:
  // Opens the record and, with --serial, ticks the serial number on the
  // loaded image and readies the counter: everything that can refuse does so
  // here, before anything is sent. Returns an exit status (2, after the
  // reason on stderr) when the run must not start.
  static std::optional<int> start(const RecordArguments& arguments, qrk::Programmer& programmer,
                                  const QString& port, const QString& command,
                                  std::unique_ptr<RunRecorder>* recorder);

  // After each run: the chip's row. False (the reason on stderr) when it
  // could not be written; a line that cannot prove what it made must stop.
  bool chipEnded(const std::string& function, const qrk::RunResult& result);
  // Whether every chip's row was written.
  bool complete() const { return complete_; }

 private:
  RunRecorder(std::unique_ptr<qrk::SqlProductionRecord> record, qrk::Programmer& programmer,
              std::string station, QString command);

  std::unique_ptr<qrk::SqlProductionRecord> record_;
  qrk::Programmer& programmer_;
  std::string station_;
  QString command_;
  bool complete_ = true;
};

}  // namespace qrkcli
