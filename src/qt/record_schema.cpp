#include "qt/record_schema.h"

#include <QSqlQuery>
#include <QVariant>
#include <iterator>
#include <optional>
#include <span>

#include "qt/sql_statement.h"

namespace qrk {

namespace {

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

// Whether the programmer switched each chip's supply; the rows made before it
// were all powered by hand.
constexpr const char* kVersion3[] = {
    "ALTER TABLE chips ADD COLUMN supply_switched INTEGER NOT NULL DEFAULT 0",
};

struct Migration {
  int version;
  std::span<const char* const> statements;
};

// Each entry moves the schema from version - 1 to version; never edit one
// that has shipped, add the next.
constexpr Migration kMigrations[] = {{1, kVersion1}, {2, kVersion2}, {3, kVersion3}};
static_assert(std::size(kMigrations) == kRecordSchemaVersion);

QString dialect(const QSqlDatabase& db, const char* statement) {
  QString sql = QString::fromLatin1(statement);
  sql.replace("{key}", isPostgres(db) ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                                      : "INTEGER PRIMARY KEY");
  return sql;
}

std::optional<int> storedSchemaVersion(const QSqlDatabase& db, std::string* error) {
  QSqlQuery query(db);
  if (!runSql(query, "SELECT MAX(version) FROM schema_version", {}, error)) return std::nullopt;
  return query.next() && !query.value(0).isNull() ? query.value(0).toInt() : 0;
}

std::string newerSchema(int version) {
  return "it was made by a newer qrkprog (record version " + std::to_string(version) +
         ", this one knows up to " + std::to_string(kRecordSchemaVersion) + ")";
}

}  // namespace

bool migrateRecordSchema(const QSqlDatabase& db, std::string* error) {
  WriteTransaction transaction(db);
  if (!transaction.begun(error)) return false;
  QSqlQuery query(db);
  if (isPostgres(db) &&
      !runSql(query, "SELECT pg_advisory_xact_lock(?)", {QVariant(kSchemaLockKey)}, error)) {
    return false;
  }
  if (!runSql(query, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {},
              error)) {
    return false;
  }
  const std::optional<int> stored = storedSchemaVersion(db, error);
  if (!stored) return false;
  if (*stored > kRecordSchemaVersion) {
    *error = newerSchema(*stored);
    return false;
  }
  for (const Migration& migration : kMigrations) {
    if (migration.version <= *stored) continue;
    for (const char* statement : migration.statements) {
      if (!runSql(query, dialect(db, statement), {}, error)) return false;
    }
  }
  if (!runSql(query, "DELETE FROM schema_version", {}, error) ||
      !runSql(query, "INSERT INTO schema_version (version) VALUES (?)", {kRecordSchemaVersion},
              error)) {
    return false;
  }
  return transaction.commit(error);
}

bool checkRecordSchema(const QSqlDatabase& db, std::string* error, int* version) {
  const std::optional<int> stored = storedSchemaVersion(db, error);
  if (!stored) {
    *error = "it holds no production record (" + *error + ")";
    return false;
  }
  if (*stored > kRecordSchemaVersion) {
    *error = newerSchema(*stored);
    return false;
  }
  if (version) *version = *stored;
  return true;
}

}  // namespace qrk
