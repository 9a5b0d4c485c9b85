#include "qt/sql_statement.h"

#include <QSqlError>

namespace qrk {

bool isPostgres(const QSqlDatabase& db) { return db.driverName() == QLatin1String("QPSQL"); }

std::string sqlErrorText(const QSqlError& error) {
  QString message = error.databaseText().trimmed();
  if (message.isEmpty()) message = error.text().trimmed();
  return message.toStdString();
}

bool runSql(QSqlQuery& query, const QString& sql, const QVariantList& values, std::string* error) {
  if (values.isEmpty()) {
    if (query.exec(sql)) return true;
    *error = sqlErrorText(query.lastError());
    return false;
  }
  if (!query.prepare(sql)) {
    *error = sqlErrorText(query.lastError());
    return false;
  }
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) {
    *error = sqlErrorText(query.lastError());
    return false;
  }
  return true;
}

WriteTransaction::WriteTransaction(const QSqlDatabase& db) : db_(db) {
  QSqlQuery begin(db_);
  begun_ = begin.exec(isPostgres(db_) ? "BEGIN" : "BEGIN IMMEDIATE");
  if (!begun_) error_ = sqlErrorText(begin.lastError());
}

WriteTransaction::~WriteTransaction() {
  if (begun_ && !finished_) QSqlQuery(db_).exec("ROLLBACK");
}

bool WriteTransaction::begun(std::string* error) const {
  if (!begun_) *error = error_;
  return begun_;
}

bool WriteTransaction::commit(std::string* error) {
  QSqlQuery commit(db_);
  if (commit.exec("COMMIT")) {
    finished_ = true;
    return true;
  }
  *error = sqlErrorText(commit.lastError());
  return false;
}

}  // namespace qrk
