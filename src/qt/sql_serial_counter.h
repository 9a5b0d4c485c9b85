#pragma once

#include <QSqlQuery>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ops/production_record.h"

namespace qrk {

// The line's serial counter in the record's database (the connection named
// `connection`, which must outlive it).
//
// Each number is taken in one transaction that locks the counter (BEGIN
// IMMEDIATE in SQLite, SELECT ... FOR UPDATE in PostgreSQL), so two stations
// can never take the same one. A taken number is noted as taken until the
// chip's record is written; a chip that did not keep it gives it back in that
// same transaction, and the next chip of any station takes the given-back
// numbers first. A station that dies between the two loses its number (a
// gap, still noted as taken), never hands it out twice.
class SqlSerialCounter : public SerialCounter {
 public:
  explicit SqlSerialCounter(QString connection) : connection_(std::move(connection)) {}

  // Who takes numbers: noted beside each number taken.
  void setTaker(std::string station, std::string port);
  // Before the first number: creates the line's counter at `seed` stepping by
  // `increment` if there is none yet. A counter that steps otherwise is
  // refused: stations stepping differently would collide.
  bool prepare(std::int64_t seed, std::int64_t increment, std::string* error);
  // The counter's next number when nothing was given back; nullopt when there
  // is no counter yet.
  std::optional<std::int64_t> next(std::string* error) const;

  std::optional<std::string> take(std::string* error) override;

  // Numbers taken whose chip has no record yet (a station still at work, or
  // one that stopped without recording): {serial, station, port, taken at}.
  struct Taken {
    std::int64_t serial;
    std::string station;
    std::string port;
    std::string takenAt;
  };
  std::optional<std::vector<Taken>> takenWithoutRecord(std::string* error) const;

  // Inside the transaction that records a chip stamped with `serial`: the
  // number is no longer only taken, and goes back to the counter unless the
  // chip kept it.
  static bool settle(QSqlQuery& query, qlonglong serial, bool kept, std::string* error);

 private:
  QString connection_;
  std::string station_;
  std::string port_;
};

}  // namespace qrk
