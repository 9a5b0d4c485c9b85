#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "qt/sql_production_record.h"

namespace qrkcli {

// --db and --station: where each chip's row goes and who wrote it; --serial:
// stamp the saved serial number, taken from the record's counter.
struct RecordArguments {
  qrk::RecordLocation location;  // --db, else the per-user SQLite file
  std::string station;           // --station, else this machine's host name
  bool serial = false;           // --serial
};

// Adds --db, --station and --serial; `gang` adds them too and passes them on.
void addRecordOptions(QCommandLineParser& parser);
// Returns an exit status when the command must end (2, after one line on
// stderr), nullopt with *record filled otherwise.
std::optional<int> readRecordArguments(const QCommandLineParser& parser, const QStringList& args,
                                       RecordArguments* record);

}  // namespace qrkcli
