#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ops/production_record.h"

namespace qrk {

// What `qrkprog log` asks for.
struct RecordFilter {
  std::optional<std::string> since;  // UTC time text: rows from this instant on
  std::optional<std::int64_t> serial;
};

// One row per chip in the record's database (the connection named
// `connection`, which must outlive it). Each row is written in one
// transaction, so that a crash or a power cut leaves it whole or absent.
class SqlChipLog : public ProductionRecordSink {
 public:
  explicit SqlChipLog(QString connection) : connection_(std::move(connection)) {}
  // The version of the tables read: one made before the failure codes has none.
  void setSchemaVersion(int version) { schemaVersion_ = version; }

  bool record(const ChipRecord& chip, std::string* error) override;
  // The rows that match, oldest first; nullopt with the reason on failure.
  std::optional<std::vector<ChipRecord>> chips(const RecordFilter& filter,
                                               std::string* error) const;

 private:
  QString connection_;
  int schemaVersion_ = 0;
};

}  // namespace qrk
