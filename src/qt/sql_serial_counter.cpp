#include "qt/sql_serial_counter.h"

#include <QSqlDatabase>
#include <QVariant>

#include "qt/sql_statement.h"

namespace qrk {

namespace {

constexpr const char* kCounterName = "serial";

}  // namespace

void SqlSerialCounter::setTaker(std::string station, std::string port) {
  station_ = std::move(station);
  port_ = std::move(port);
}

bool SqlSerialCounter::prepare(std::int64_t seed, std::int64_t increment, std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return false;
  QSqlQuery query(db);
  if (!runSql(query,
              "INSERT INTO serial_counter (name, next_value, increment) VALUES (?, ?, ?)"
              " ON CONFLICT (name) DO NOTHING",
              {kCounterName, qlonglong(seed), qlonglong(increment)}, error) ||
      !runSql(query, "SELECT increment FROM serial_counter WHERE name = ?", {kCounterName},
              error)) {
    return false;
  }
  if (!query.next()) {
    *error = "the serial counter could not be created";
    return false;
  }
  const std::int64_t stored = query.value(0).toLongLong();
  query.finish();
  if (stored != increment) {
    *error = "the line's serial counter steps by " + std::to_string(stored) +
             ", this station's increment is " + std::to_string(increment) +
             ": stations that step differently would stamp the same numbers";
    return false;
  }
  return transaction.commit(error);
}

std::optional<std::int64_t> SqlSerialCounter::next(std::string* error) const {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!runSql(query, "SELECT next_value FROM serial_counter WHERE name = ?", {kCounterName}, error))
    return std::nullopt;
  if (!query.next()) {
    *error = "there is no serial counter yet";
    return std::nullopt;
  }
  return query.value(0).toLongLong();
}

std::optional<std::string> SqlSerialCounter::take(std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return std::nullopt;
  QSqlQuery query(db);
  // The row lock queues every other station's take behind this one.
  const QString lock = isPostgres(db) ? " FOR UPDATE" : "";
  if (!runSql(query, "SELECT next_value, increment FROM serial_counter WHERE name = ?" + lock,
              {kCounterName}, error)) {
    return std::nullopt;
  }
  if (!query.next()) {
    *error = "the line has no serial counter";
    return std::nullopt;
  }
  std::int64_t next = query.value(0).toLongLong();
  const std::int64_t increment = query.value(1).toLongLong();
  query.finish();

  // A number given back by a chip that did not keep it goes out first, the
  // one nearest the start of the count.
  std::optional<std::int64_t> number;
  if (!runSql(query,
              QString("SELECT serial FROM serial_returned ORDER BY serial %1 LIMIT 1")
                  .arg(increment < 0 ? "DESC" : "ASC"),
              {}, error)) {
    return std::nullopt;
  }
  if (query.next()) number = query.value(0).toLongLong();
  query.finish();
  if (number) {
    if (!runSql(query, "DELETE FROM serial_returned WHERE serial = ?", {qlonglong(*number)}, error))
      return std::nullopt;
  } else {
    std::int64_t after = 0;
    if (__builtin_add_overflow(next, increment, &after)) {
      *error = "the serial counter has run out of numbers";
      return std::nullopt;
    }
    if (!runSql(query, "UPDATE serial_counter SET next_value = ? WHERE name = ?",
                {qlonglong(after), kCounterName}, error)) {
      return std::nullopt;
    }
    number = next;
  }
  // The key of serial_taken refuses a number some chip holds already, should
  // anyone have moved the counter back by hand.
  if (!runSql(query,
              "INSERT INTO serial_taken (serial, station, port, taken_at) VALUES (?, ?, ?, ?)",
              {qlonglong(*number), QString::fromStdString(station_), QString::fromStdString(port_),
               QString::fromStdString(utcTimeText(std::chrono::system_clock::now()))},
              error) ||
      !transaction.commit(error)) {
    return std::nullopt;
  }
  return std::to_string(*number);
}

auto SqlSerialCounter::takenWithoutRecord(std::string* error) const
    -> std::optional<std::vector<Taken>> {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!runSql(query, "SELECT serial, station, port, taken_at FROM serial_taken ORDER BY serial", {},
              error)) {
    return std::nullopt;
  }
  std::vector<Taken> taken;
  while (query.next()) {
    taken.push_back({query.value(0).toLongLong(), query.value(1).toString().toStdString(),
                     query.value(2).toString().toStdString(),
                     query.value(3).toString().toStdString()});
  }
  return taken;
}

bool SqlSerialCounter::settle(QSqlQuery& query, qlonglong serial, bool kept, std::string* error) {
  if (!runSql(query, "DELETE FROM serial_taken WHERE serial = ?", {serial}, error)) return false;
  return kept ||
         runSql(query, "INSERT INTO serial_returned (serial) VALUES (?) ON CONFLICT DO NOTHING",
                {serial}, error);
}

}  // namespace qrk
