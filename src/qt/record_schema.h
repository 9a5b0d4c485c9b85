#pragma once

#include <QSqlDatabase>
#include <string>

namespace qrk {

// The version of the record's tables this program writes.
inline constexpr int kRecordSchemaVersion = 3;
// The first version whose chips carry a failure_code.
inline constexpr int kFirstSchemaWithFailureCodes = 2;
// The first version whose chips say whether the programmer switched their supply.
inline constexpr int kFirstSchemaWithSupplySwitched = 3;

// Creates the record's tables or moves them forward to kRecordSchemaVersion,
// in one transaction that stations of a line take one at a time. False with
// the reason when the record was made by a newer program or cannot be written.
bool migrateRecordSchema(const QSqlDatabase& db, std::string* error);

// Whether the database holds a record this program can read; *version, when
// given, receives the version it has (`log` reads a record it may not upgrade).
bool checkRecordSchema(const QSqlDatabase& db, std::string* error, int* version = nullptr);

}  // namespace qrk
