#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <string>

namespace qrk {

// What the record's parts share to speak to either server.

bool isPostgres(const QSqlDatabase& db);

// The server's own words for an error.
std::string sqlErrorText(const QSqlError& error);

// Runs `sql` with `values` bound in order; false with the database's reason.
// Statements without values go as they are: PostgreSQL cannot prepare DDL.
bool runSql(QSqlQuery& query, const QString& sql, const QVariantList& values, std::string* error);

// A transaction that holds the write lock from its first statement, so that
// two stations taking a number queue instead of both reading the same one.
// Rolled back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(const QSqlDatabase& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool begun(std::string* error) const;
  bool commit(std::string* error);

 private:
  QSqlDatabase db_;
  bool begun_ = false;
  bool finished_ = false;
  std::string error_;
};

}  // namespace qrk
