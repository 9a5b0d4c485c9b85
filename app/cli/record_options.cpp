#include "record_options.h"

#include <QSysInfo>

#include "command_line.h"

namespace qrkcli {

void addRecordOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {"db",
       "The production record: a SQLite file, or postgresql://user@host/dbname to share one "
       "record and serial counter between stations (default: a file of this user's).",
       "FILE|URL"},
      {"station", "The name each chip's row carries (default: this machine's name).", "NAME"},
      {"serial",
       "Stamp the saved serial number (section Auto_Increase) into every chip, taken from the "
       "record's counter so that no number is used twice."},
  });
}

std::optional<int> readRecordArguments(const QCommandLineParser& parser, const QStringList& args,
                                       RecordArguments* record) {
  if (parser.isSet("db")) {
    QString error;
    auto location = qrk::RecordLocation::parse(parser.value("db"), &error);
    if (!location) return usageError(args, error);
    record->location = *location;
  } else {
    record->location = qrk::RecordLocation::perUserDefault();
  }
  const QString station =
      parser.isSet("station") ? parser.value("station").trimmed() : QSysInfo::machineHostName();
  if (station.isEmpty()) return usageError(args, "--station needs a name");
  record->station = station.toStdString();
  record->serial = parser.isSet("serial");
  return std::nullopt;
}

}  // namespace qrkcli
