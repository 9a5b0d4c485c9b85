#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/production_record.h"
#include "qt/record_location.h"
#include "qt/record_schema.h"
#include "qt/sql_chip_log.h"
#include "qt/sql_serial_counter.h"

namespace qrk {

// The production record and the line's serial counter in a SQL database,
// through Qt SQL: one connection, its schema brought to this program's
// version on opening, the chip log and the serial counter on it.
class SqlProductionRecord : public ProductionRecordSink, public SerialCounter {
 public:
  enum class Access { ReadWrite, ReadOnly };
  static constexpr int kSchemaVersion = kRecordSchemaVersion;
  using Taken = SqlSerialCounter::Taken;

  // Connects and, for ReadWrite, creates or upgrades the schema (which proves
  // the database writable). nullptr with the reason in *error when the
  // database cannot be reached, written, is locked past a few seconds, or
  // was made by a newer program. ReadOnly never creates a file.
  static std::unique_ptr<SqlProductionRecord> open(const RecordLocation& location, Access access,
                                                   std::string* error);
  ~SqlProductionRecord() override;
  SqlProductionRecord(const SqlProductionRecord&) = delete;
  SqlProductionRecord& operator=(const SqlProductionRecord&) = delete;

  const RecordLocation& location() const { return location_; }

  void setTaker(std::string station, std::string port) {
    counter_.setTaker(std::move(station), std::move(port));
  }
  bool prepareCounter(std::int64_t seed, std::int64_t increment, std::string* error) {
    return counter_.prepare(seed, increment, error);
  }
  std::optional<std::int64_t> counterNext(std::string* error) const { return counter_.next(error); }
  std::optional<std::string> take(std::string* error) override { return counter_.take(error); }
  std::optional<std::vector<Taken>> takenWithoutRecord(std::string* error) const {
    return counter_.takenWithoutRecord(error);
  }

  bool record(const ChipRecord& chip, std::string* error) override {
    return log_.record(chip, error);
  }
  std::optional<std::vector<ChipRecord>> chips(const RecordFilter& filter,
                                               std::string* error) const {
    return log_.chips(filter, error);
  }

 private:
  explicit SqlProductionRecord(RecordLocation location);

  RecordLocation location_;
  QString connection_;
  SqlSerialCounter counter_;
  SqlChipLog log_;
};

}  // namespace qrk
