#pragma once

#include <QSqlDatabase>
#include <string>

namespace qrk {

// The version of the record's tables this program writes.
inline constexpr int kRecordSchemaVersion = 1;

// Creates the record's tables or moves them forward to kRecordSchemaVersion,
// in one transaction that stations of a line take one at a time. False with
// the reason when the record was made by a newer program or cannot be written.
bool migrateRecordSchema(const QSqlDatabase& db, std::string* error);

// Whether the database holds a record this program can read.
bool checkRecordSchema(const QSqlDatabase& db, std::string* error);

}  // namespace qrk
