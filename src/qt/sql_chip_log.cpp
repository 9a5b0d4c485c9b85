#include "qt/sql_chip_log.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "qt/record_schema.h"
#include "qt/sql_serial_counter.h"
#include "qt/sql_statement.h"

namespace qrk {

bool SqlChipLog::record(const ChipRecord& chip, std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  std::optional<qlonglong> serial;
  if (chip.serial) {
    bool ok = false;
    serial = QString::fromStdString(*chip.serial).toLongLong(&ok);
    if (!ok) {
      *error = "serial number '" + *chip.serial + "' is no whole number";
      return false;
    }
  }
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return false;
  QSqlQuery query(db);
  const auto q = [](const std::string& s) { return QVariant(QString::fromStdString(s)); };
  if (!runSql(query,
              "INSERT INTO chips (recorded_at, station, port, model, chip_id, bootloader_version,"
              " image_file, checksum, serial, serial_kept, function_name, result, failure_line,"
              " duration_ms, failure_code, supply_switched)"
              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
              {q(utcTimeText(chip.time)), q(chip.station), q(chip.port), q(chip.model),
               q(chip.chipId), q(chip.bootloaderVersion), q(chip.imageFile), q(chip.checksum),
               serial ? QVariant(*serial) : QVariant(QMetaType(QMetaType::LongLong)),
               chip.serialKept ? 1 : 0, q(chip.function), q(std::string(outcomeName(chip.outcome))),
               q(chip.failureLine), qlonglong(chip.duration.count()),
               q(std::string(reasonCode(chip.failureCode))), chip.supplySwitched ? 1 : 0},
              error)) {
    return false;
  }
  if (serial && !SqlSerialCounter::settle(query, *serial, chip.serialKept, error)) return false;
  return transaction.commit(error);
}

std::optional<std::vector<ChipRecord>> SqlChipLog::chips(const RecordFilter& filter,
                                                         std::string* error) const {
  QString sql =
      "SELECT recorded_at, station, port, model, chip_id, bootloader_version, image_file,"
      " checksum, serial, serial_kept, function_name, result, failure_line, duration_ms, " +
      QString(schemaVersion_ >= kFirstSchemaWithFailureCodes ? "failure_code" : "''") + ", " +
      QString(schemaVersion_ >= kFirstSchemaWithSupplySwitched ? "supply_switched" : "0") +
      " FROM chips WHERE 1 = 1";
  QVariantList values;
  if (filter.since) {
    sql += " AND recorded_at >= ?";
    values << QString::fromStdString(*filter.since);
  }
  if (filter.serial) {
    sql += " AND serial = ?";
    values << qlonglong(*filter.serial);
  }
  sql += " ORDER BY recorded_at, id";
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  query.setForwardOnly(true);
  if (!runSql(query, sql, values, error)) return std::nullopt;
  std::vector<ChipRecord> rows;
  const auto s = [&query](int column) { return query.value(column).toString().toStdString(); };
  while (query.next()) {
    ChipRecord r;
    const QDateTime time = QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs);
    r.time = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(time.isValid() ? time.toMSecsSinceEpoch() : 0));
    r.station = s(1);
    r.port = s(2);
    r.model = s(3);
    r.chipId = s(4);
    r.bootloaderVersion = s(5);
    r.imageFile = s(6);
    r.checksum = s(7);
    if (!query.value(8).isNull()) r.serial = std::to_string(query.value(8).toLongLong());
    r.serialKept = query.value(9).toInt() != 0;
    r.function = s(10);
    r.outcome = outcomeFromName(s(11)).value_or(ChipOutcome::Failed);
    r.failureLine = s(12);
    r.duration = std::chrono::milliseconds(query.value(13).toLongLong());
    r.failureCode = reasonFromCode(s(14)).value_or(Reason::None);
    r.supplySwitched = query.value(15).toInt() != 0;
    rows.push_back(std::move(r));
  }
  if (query.lastError().isValid()) {
    *error = sqlErrorText(query.lastError());
    return std::nullopt;
  }
  return rows;
}

}  // namespace qrk
