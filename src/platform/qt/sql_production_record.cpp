#include "platform/qt/sql_production_record.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <iterator>
#include <span>

namespace qrk {

namespace {

constexpr const char* kCounterName = "serial";
// How long a write waits for another station's transaction on the same SQLite
// file before it gives up with "database is locked".
constexpr int kSqliteBusyTimeoutMs = 3000;
constexpr int kConnectTimeoutSeconds = 5;
// Distinct advisory-lock key under which PostgreSQL stations upgrade the schema one at a time.
constexpr qlonglong kSchemaLockKey = 0x51524B5245434F52;  // "QRKRECOR"

// "{key}" is the auto-numbered key column, which each server spells its own way.
constexpr const char* kVersion1[] = {
    "CREATE TABLE chips ("
    " id {key},"
    " recorded_at TEXT NOT NULL,"
    " station TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " model TEXT NOT NULL,"
    " chip_id TEXT NOT NULL,"
    " bootloader_version TEXT NOT NULL,"
    " image_file TEXT NOT NULL,"
    " checksum TEXT NOT NULL,"
    " serial BIGINT,"
    " serial_kept INTEGER NOT NULL,"
    " function_name TEXT NOT NULL,"
    " result TEXT NOT NULL CHECK (result IN ('ok', 'failed', 'stopped')),"
    " failure_line TEXT NOT NULL,"
    " duration_ms BIGINT NOT NULL)",
    "CREATE INDEX chips_by_time ON chips (recorded_at)",
    "CREATE INDEX chips_by_serial ON chips (serial)",
    "CREATE TABLE serial_counter ("
    " name TEXT PRIMARY KEY, next_value BIGINT NOT NULL, increment BIGINT NOT NULL)",
    "CREATE TABLE serial_taken ("
    " serial BIGINT PRIMARY KEY, station TEXT NOT NULL, port TEXT NOT NULL,"
    " taken_at TEXT NOT NULL)",
    "CREATE TABLE serial_returned (serial BIGINT PRIMARY KEY)",
};

// Why each chip failed, as a code a line system can count by; the rows made
// before it get an empty code.
constexpr const char* kVersion2[] = {
    "ALTER TABLE chips ADD COLUMN failure_code TEXT NOT NULL DEFAULT ''",
};

struct Migration {
  int version;
  std::span<const char* const> statements;
};

// Each entry moves the schema from version - 1 to version; never edit one
// that has shipped, add the next.
constexpr Migration kMigrations[] = {{1, kVersion1}, {2, kVersion2}};
constexpr int kFirstVersionWithCodes = 2;
static_assert(std::size(kMigrations) == SqlProductionRecord::kSchemaVersion);

bool isPostgres(const QSqlDatabase& db) { return db.driverName() == QLatin1String("QPSQL"); }

QString dialect(const QSqlDatabase& db, const char* statement) {
  QString sql = QString::fromLatin1(statement);
  sql.replace("{key}", isPostgres(db) ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                                      : "INTEGER PRIMARY KEY");
  return sql;
}

std::string text(const QSqlError& error) {
  QString message = error.databaseText().trimmed();
  if (message.isEmpty()) message = error.text().trimmed();
  return message.toStdString();
}

// Runs `sql` with `values` bound in order; false with the database's reason.
// Statements without values go as they are: PostgreSQL cannot prepare DDL.
bool run(QSqlQuery& query, const QString& sql, const QVariantList& values, std::string* error) {
  if (values.isEmpty()) {
    if (query.exec(sql)) return true;
    *error = text(query.lastError());
    return false;
  }
  if (!query.prepare(sql)) {
    *error = text(query.lastError());
    return false;
  }
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) {
    *error = text(query.lastError());
    return false;
  }
  return true;
}

// A transaction that holds the write lock from its first statement, so that
// two stations taking a number queue instead of both reading the same one.
// Rolled back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(const QSqlDatabase& db) : db_(db) {
    QSqlQuery begin(db_);
    begun_ = begin.exec(isPostgres(db_) ? "BEGIN" : "BEGIN IMMEDIATE");
    if (!begun_) error_ = text(begin.lastError());
  }
  ~WriteTransaction() {
    if (begun_ && !finished_) QSqlQuery(db_).exec("ROLLBACK");
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool begun(std::string* error) const {
    if (!begun_) *error = error_;
    return begun_;
  }
  bool commit(std::string* error) {
    QSqlQuery commit(db_);
    if (commit.exec("COMMIT")) {
      finished_ = true;
      return true;
    }
    *error = text(commit.lastError());
    return false;
  }

 private:
  QSqlDatabase db_;
  bool begun_ = false;
  bool finished_ = false;
  std::string error_;
};

std::optional<int> storedSchemaVersion(const QSqlDatabase& db, std::string* error) {
  QSqlQuery query(db);
  if (!run(query, "SELECT MAX(version) FROM schema_version", {}, error)) return std::nullopt;
  return query.next() && !query.value(0).isNull() ? query.value(0).toInt() : 0;
}

std::string newerSchema(int version) {
  return "it was made by a newer qrkprog (record version " + std::to_string(version) +
         ", this one knows up to " + std::to_string(SqlProductionRecord::kSchemaVersion) + ")";
}

std::string nowText() { return utcTimeText(std::chrono::system_clock::now()); }

}  // namespace

std::optional<RecordLocation> RecordLocation::parse(const QString& text, QString* error) {
  RecordLocation location;
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) {
    *error = "--db needs a file name or a postgresql:// address";
    return std::nullopt;
  }
  if (!trimmed.startsWith("postgresql://", Qt::CaseInsensitive) &&
      !trimmed.startsWith("postgres://", Qt::CaseInsensitive)) {
    if (trimmed.contains("://")) {
      *error = "'" + trimmed + "' is neither a file nor a postgresql:// address";
      return std::nullopt;
    }
    location.path = trimmed;
    return location;
  }
  const QUrl url(trimmed, QUrl::StrictMode);
  location.kind = Kind::Postgres;
  location.database = url.path().mid(1);
  if (!url.isValid() || location.database.isEmpty() || location.database.contains('/')) {
    *error = "'" + trimmed + "' is no postgresql://user@host/dbname address";
    return std::nullopt;
  }
  location.user = url.userName();
  location.password = url.password();
  location.host = url.host();
  location.port = url.port();
  QStringList options;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (key == "host") {
      location.host = value;
    } else if (key == "port") {
      bool ok = false;
      location.port = value.toInt(&ok);
      if (!ok || location.port <= 0 || location.port > 65535) {
        *error = "port '" + value + "' in '" + trimmed + "' is no port number";
        return std::nullopt;
      }
    } else {
      options << key + "=" + value;
    }
  }
  options << QString("connect_timeout=%1").arg(kConnectTimeoutSeconds);
  location.connectOptions = options.join(';');
  return location;
}

RecordLocation RecordLocation::perUserDefault() {
  RecordLocation location;
  location.path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                  "/production-record.sqlite";
  return location;
}

QString RecordLocation::describe() const {
  if (kind == Kind::Sqlite) return path;
  QString where = host.isEmpty() ? QString("localhost") : host;
  if (port > 0) where += QString(":%1").arg(port);
  return "postgresql://" + (user.isEmpty() ? QString() : user + "@") + where + "/" + database;
}

SqlProductionRecord::SqlProductionRecord(RecordLocation location, QString connectionName)
    : location_(std::move(location)), connection_(std::move(connectionName)) {}

SqlProductionRecord::~SqlProductionRecord() {
  {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (db.isValid()) db.close();
  }
  QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<SqlProductionRecord> SqlProductionRecord::open(const RecordLocation& location,
                                                               Access access, std::string* error) {
  const bool postgres = location.kind == RecordLocation::Kind::Postgres;
  const QString driver = postgres ? "QPSQL" : "QSQLITE";
  if (!QSqlDatabase::isDriverAvailable(driver)) {
    *error = "Qt's " + driver.toStdString() + " driver is not installed (Debian: " +
             (postgres ? "libqt6sql6-psql" : "libqt6sql6-sqlite") + ")";
    return nullptr;
  }
  // One connection per object, named after it, so several can live in one process.
  std::unique_ptr<SqlProductionRecord> record(new SqlProductionRecord(location, {}));
  record->connection_ =
      QString("qrk-record-%1").arg(reinterpret_cast<quintptr>(record.get()), 0, 16);
  QSqlDatabase db = QSqlDatabase::addDatabase(driver, record->connection_);
  QStringList options;
  if (postgres) {
    db.setHostName(location.host);
    if (location.port > 0) db.setPort(location.port);
    db.setUserName(location.user);
    db.setPassword(location.password);
    db.setDatabaseName(location.database);
    options << location.connectOptions;
  } else {
    if (access == Access::ReadOnly && !QFileInfo::exists(location.path)) {
      *error = "there is no production record at " + location.path.toStdString();
      return nullptr;
    }
    if (location.path == RecordLocation::perUserDefault().path) {
      QDir().mkpath(QFileInfo(location.path).absolutePath());
    }
    db.setDatabaseName(location.path);
    options << QString("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteBusyTimeoutMs);
    if (access == Access::ReadOnly) options << "QSQLITE_OPEN_READONLY";
  }
  db.setConnectOptions(options.join(';'));
  if (!db.open()) {
    *error = text(db.lastError());
    return nullptr;
  }
  if (postgres) {
    // The server's notices ("already exists, skipping") are no news to a user.
    QSqlQuery quiet(db);
    if (!run(quiet, "SET client_min_messages TO WARNING", {}, error)) return nullptr;
  } else if (access == Access::ReadWrite) {
    // Durable at each commit, and readers (a `log` export) never block a station's write.
    QSqlQuery pragma(db);
    if (!run(pragma, "PRAGMA journal_mode=WAL", {}, error) ||
        !run(pragma, "PRAGMA synchronous=FULL", {}, error)) {
      return nullptr;
    }
  }
  const bool ready =
      access == Access::ReadWrite ? record->migrate(error) : record->checkReadable(error);
  if (!ready) return nullptr;
  return record;
}

bool SqlProductionRecord::migrate(std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return false;
  QSqlQuery query(db);
  if (isPostgres(db) &&
      !run(query, "SELECT pg_advisory_xact_lock(?)", {QVariant(kSchemaLockKey)}, error)) {
    return false;
  }
  if (!run(query, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {},
           error)) {
    return false;
  }
  const std::optional<int> stored = storedSchemaVersion(db, error);
  if (!stored) return false;
  if (*stored > kSchemaVersion) {
    *error = newerSchema(*stored);
    return false;
  }
  for (const Migration& migration : kMigrations) {
    if (migration.version <= *stored) continue;
    for (const char* statement : migration.statements) {
      if (!run(query, dialect(db, statement), {}, error)) return false;
    }
  }
  if (!run(query, "DELETE FROM schema_version", {}, error) ||
      !run(query, "INSERT INTO schema_version (version) VALUES (?)", {kSchemaVersion}, error)) {
    return false;
  }
  if (!transaction.commit(error)) return false;
  schemaVersion_ = kSchemaVersion;
  return true;
}

bool SqlProductionRecord::checkReadable(std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  const std::optional<int> stored = storedSchemaVersion(db, error);
  if (!stored) {
    *error = "it holds no production record (" + *error + ")";
    return false;
  }
  if (*stored > kSchemaVersion) {
    *error = newerSchema(*stored);
    return false;
  }
  schemaVersion_ = *stored;
  return true;
}

void SqlProductionRecord::setTaker(std::string station, std::string port) {
  station_ = std::move(station);
  port_ = std::move(port);
}

bool SqlProductionRecord::prepareCounter(std::int64_t seed, std::int64_t increment,
                                         std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return false;
  QSqlQuery query(db);
  if (!run(query,
           "INSERT INTO serial_counter (name, next_value, increment) VALUES (?, ?, ?)"
           " ON CONFLICT (name) DO NOTHING",
           {kCounterName, qlonglong(seed), qlonglong(increment)}, error) ||
      !run(query, "SELECT increment FROM serial_counter WHERE name = ?", {kCounterName}, error)) {
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

std::optional<std::int64_t> SqlProductionRecord::counterNext(std::string* error) const {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!run(query, "SELECT next_value FROM serial_counter WHERE name = ?", {kCounterName}, error))
    return std::nullopt;
  if (!query.next()) {
    *error = "there is no serial counter yet";
    return std::nullopt;
  }
  return query.value(0).toLongLong();
}

std::optional<std::string> SqlProductionRecord::take(std::string* error) {
  const QSqlDatabase db = QSqlDatabase::database(connection_, false);
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return std::nullopt;
  QSqlQuery query(db);
  // The row lock queues every other station's take behind this one.
  const QString lock = isPostgres(db) ? " FOR UPDATE" : "";
  if (!run(query, "SELECT next_value, increment FROM serial_counter WHERE name = ?" + lock,
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
  if (!run(query,
           QString("SELECT serial FROM serial_returned ORDER BY serial %1 LIMIT 1")
               .arg(increment < 0 ? "DESC" : "ASC"),
           {}, error)) {
    return std::nullopt;
  }
  if (query.next()) number = query.value(0).toLongLong();
  query.finish();
  if (number) {
    if (!run(query, "DELETE FROM serial_returned WHERE serial = ?", {qlonglong(*number)}, error))
      return std::nullopt;
  } else {
    std::int64_t after = 0;
    if (__builtin_add_overflow(next, increment, &after)) {
      *error = "the serial counter has run out of numbers";
      return std::nullopt;
    }
    if (!run(query, "UPDATE serial_counter SET next_value = ? WHERE name = ?",
             {qlonglong(after), kCounterName}, error)) {
      return std::nullopt;
    }
    number = next;
  }
  // The key of serial_taken refuses a number some chip holds already, should
  // anyone have moved the counter back by hand.
  if (!run(query, "INSERT INTO serial_taken (serial, station, port, taken_at) VALUES (?, ?, ?, ?)",
           {qlonglong(*number), QString::fromStdString(station_), QString::fromStdString(port_),
            QString::fromStdString(nowText())},
           error) ||
      !transaction.commit(error)) {
    return std::nullopt;
  }
  return std::to_string(*number);
}

bool SqlProductionRecord::record(const ChipRecord& chip, std::string* error) {
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
  if (!run(query,
           "INSERT INTO chips (recorded_at, station, port, model, chip_id, bootloader_version,"
           " image_file, checksum, serial, serial_kept, function_name, result, failure_line,"
           " duration_ms, failure_code) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
           {q(utcTimeText(chip.time)), q(chip.station), q(chip.port), q(chip.model), q(chip.chipId),
            q(chip.bootloaderVersion), q(chip.imageFile), q(chip.checksum),
            serial ? QVariant(*serial) : QVariant(QMetaType(QMetaType::LongLong)),
            chip.serialKept ? 1 : 0, q(chip.function), q(std::string(outcomeName(chip.outcome))),
            q(chip.failureLine), qlonglong(chip.duration.count()),
            q(std::string(reasonCode(chip.failureCode)))},
           error)) {
    return false;
  }
  if (serial) {
    if (!run(query, "DELETE FROM serial_taken WHERE serial = ?", {*serial}, error)) return false;
    if (!chip.serialKept &&
        !run(query, "INSERT INTO serial_returned (serial) VALUES (?) ON CONFLICT DO NOTHING",
             {*serial}, error)) {
      return false;
    }
  }
  return transaction.commit(error);
}

std::optional<std::vector<ChipRecord>> SqlProductionRecord::chips(const RecordFilter& filter,
                                                                  std::string* error) const {
  QString sql =
      "SELECT recorded_at, station, port, model, chip_id, bootloader_version, image_file,"
      " checksum, serial, serial_kept, function_name, result, failure_line, duration_ms, " +
      // `log` reads a record it may not upgrade: one made before the codes has none.
      QString(schemaVersion_ >= kFirstVersionWithCodes ? "failure_code" : "''") +
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
  if (!run(query, sql, values, error)) return std::nullopt;
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
    rows.push_back(std::move(r));
  }
  if (query.lastError().isValid()) {
    *error = text(query.lastError());
    return std::nullopt;
  }
  return rows;
}

auto SqlProductionRecord::takenWithoutRecord(std::string* error) const
    -> std::optional<std::vector<Taken>> {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!run(query, "SELECT serial, station, port, taken_at FROM serial_taken ORDER BY serial", {},
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

}  // namespace qrk
