#include "qt/sql_production_record.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "qt/sql_statement.h"

namespace qrk {

namespace {

// How long a write waits for another station's transaction on the same SQLite
// file before it gives up with "database is locked".
constexpr int kSqliteBusyTimeoutMs = 3000;

}  // namespace

// One connection per object, named after it, so several can live in one process.
SqlProductionRecord::SqlProductionRecord(RecordLocation location)
    : location_(std::move(location)),
      connection_(QString("qrk-record-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      counter_(connection_),
      log_(connection_) {}

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
  std::unique_ptr<SqlProductionRecord> record(new SqlProductionRecord(location));
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
    *error = sqlErrorText(db.lastError());
    return nullptr;
  }
  if (postgres) {
    // The server's notices ("already exists, skipping") are no news to a user.
    QSqlQuery quiet(db);
    if (!runSql(quiet, "SET client_min_messages TO WARNING", {}, error)) return nullptr;
  } else if (access == Access::ReadWrite) {
    // Durable at each commit, and readers (a `log` export) never block a station's write.
    QSqlQuery pragma(db);
    if (!runSql(pragma, "PRAGMA journal_mode=WAL", {}, error) ||
        !runSql(pragma, "PRAGMA synchronous=FULL", {}, error)) {
      return nullptr;
    }
  }
  int version = kRecordSchemaVersion;
  const bool ready = access == Access::ReadWrite ? migrateRecordSchema(db, error)
                                                 : checkRecordSchema(db, error, &version);
  if (!ready) return nullptr;
  record->log_.setSchemaVersion(version);
  return record;
}

}  // namespace qrk
