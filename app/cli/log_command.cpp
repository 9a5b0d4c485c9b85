#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimeZone>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "qt/sql_production_record.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Prints the production record: one row per chip that `qrkprog run` worked on, oldest\n"
    "first, with the time its run began (UTC), station, port, model, chip ID read,\n"
    "bootloader version, serial number (with '*' when the chip kept it), function, result,\n"
    "duration, whether the programmer switched the chip's supply (--power), image file,\n"
    "its check sum and the message that says why a chip failed.\n"
    "\n"
    "--since takes a UTC date (2026-12-07) or date and time (2026-12-07T08:30, or with an\n"
    "offset: 2026-12-07T09:30+01:00). --csv writes every column with a header line, for a\n"
    "spreadsheet or a line system.\n"
    "\n"
    "Exit status: 0 the rows were printed (none is no error), 2 bad usage or a record that\n"
    "cannot be read.";

// A date, or a date and time, as UTC time text; nullopt when it is neither.
std::optional<std::string> sinceText(const QString& typed) {
  const QString text = typed.trimmed();
  QDateTime time;
  // QDate reads the first ten characters of any longer text as well.
  const QDate date = text.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
  if (date.isValid()) {
    time = QDateTime(date, QTime(0, 0), QTimeZone::utc());
  } else {
    time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) return std::nullopt;
    if (time.timeSpec() == Qt::LocalTime) time.setTimeZone(QTimeZone::utc());
  }
  // Formatted here rather than through a clock's time point, which cannot
  // hold every date a user may type (2999-01-01 overflows nanoseconds).
  return time.toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzzZ").toStdString();
}

std::string serialText(const qrk::ChipRecord& r) {
  if (!r.serial) return "-";
  return *r.serial + (r.serialKept ? "*" : "");
}

QStringList fields(const qrk::ChipRecord& r) {
  const auto q = [](const std::string& s) { return QString::fromStdString(s); };
  return {q(qrk::utcTimeText(r.time)),
          q(r.station),
          q(r.port),
          q(r.model),
          q(r.chipId),
          q(r.bootloaderVersion),
          r.serial ? q(*r.serial) : QString(),
          r.serialKept ? "1" : "0",
          q(r.function),
          q(std::string(qrk::outcomeName(r.outcome))),
          QString::number(r.duration.count()),
          q(r.imageFile),
          q(r.checksum).trimmed(),
          q(r.failureLine),
          q(std::string(qrk::reasonCode(r.failureCode))),
          r.supplySwitched ? "1" : "0"};
}

QString csvField(const QString& field) {
  if (!field.contains(QRegularExpression("[\",\r\n]"))) return field;
  QString quoted = field;
  quoted.replace("\"", "\"\"");
  return "\"" + quoted + "\"";
}

void printCsv(QTextStream& out, const std::vector<qrk::ChipRecord>& rows) {
  out << "time,station,port,model,chip_id,bootloader_version,serial,serial_kept,function,"
         "result,duration_ms,image_file,checksum,failure_line,failure_code,supply_switched\n";
  for (const qrk::ChipRecord& r : rows) {
    QStringList line;
    for (const QString& field : fields(r)) line << csvField(field);
    out << line.join(',') << "\n";
  }
}

// Columns as wide as their widest text, the failure's code and line last,
// the line unpadded.
void printTable(QTextStream& out, const std::vector<qrk::ChipRecord>& rows) {
  std::vector<QStringList> table = {{"TIME (UTC)", "STATION", "PORT", "MODEL", "ID", "VER",
                                     "SERIAL", "FUNCTION", "RESULT", "SECONDS", "SUPPLY", "FILE",
                                     "CHECK SUM", "REASON", "MESSAGE"}};
  for (const qrk::ChipRecord& r : rows) {
    const QStringList f = fields(r);
    table.push_back({f[0], f[1], f[2], f[3], f[4].isEmpty() ? "-" : f[4],
                     f[5].isEmpty() ? "-" : f[5], QString::fromStdString(serialText(r)), f[8], f[9],
                     QString::number(static_cast<double>(r.duration.count()) / 1000, 'f', 1),
                     r.supplySwitched ? "switched" : "-", f[11].isEmpty() ? "-" : f[11],
                     f[12].isEmpty() ? "-" : f[12], f[14].isEmpty() ? "-" : f[14], f[13]});
  }
  std::vector<qsizetype> widths(table.front().size(), 0);
  for (const QStringList& row : table) {
    for (qsizetype i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const QStringList& row : table) {
    QString line;
    for (qsizetype i = 0; i < row.size(); ++i) {
      line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
    }
    out << line.trimmed() << "\n";
  }
}

int printTaken(const qrk::SqlProductionRecord& record, const qrk::RecordLocation& location,
               const QString& command) {
  std::string error;
  const auto taken = record.takenWithoutRecord(&error);
  if (!taken) {
    QTextStream(stderr) << command << ": cannot read the production record " << location.describe()
                        << ": " << QString::fromStdString(error) << "\n";
    return kExitUsage;
  }
  QTextStream out(stdout);
  for (const auto& t : *taken) {
    out << t.serial << "  taken " << QString::fromStdString(t.takenAt) << " by "
        << QString::fromStdString(t.station) << " on " << QString::fromStdString(t.port) << "\n";
  }
  return kExitSuccess;
}

}  // namespace

int logCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption db(
      "db", "The production record: a SQLite file or postgresql://user@host/dbname.", "FILE|URL");
  const QCommandLineOption csv("csv", "Comma-separated values with a header line.");
  const QCommandLineOption since("since", "Only chips from this UTC date or time on.", "DATE");
  const QCommandLineOption serial("serial", "Only chips stamped with this serial number.", "N");
  const QCommandLineOption taken(
      "taken",
      "Instead: the serial numbers taken whose chip has no row (still at work, or a "
      "station that died mid-chip; such a number is never handed out again).");
  parser.addOptions({db, csv, since, serial, taken});
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }

  qrk::RecordFilter filter;
  if (parser.isSet(since)) {
    filter.since = sinceText(parser.value(since));
    if (!filter.since) {
      return usageError(args, "--since takes a date such as 2026-12-07 or 2026-12-07T08:30, not '" +
                                  parser.value(since) + "'");
    }
  }
  if (parser.isSet(serial)) {
    bool ok = false;
    filter.serial = parser.value(serial).trimmed().toLongLong(&ok);
    if (!ok) return usageError(args, "--serial takes a whole number");
  }
  qrk::RecordLocation location = qrk::RecordLocation::perUserDefault();
  if (parser.isSet(db)) {
    QString error;
    auto parsed = qrk::RecordLocation::parse(parser.value(db), &error);
    if (!parsed) return usageError(args, error);
    location = *parsed;
  }

  // A station that has programmed nothing yet has no file: no rows, no error.
  // A file named by --db that is not there is a mistake in the name.
  if (!parser.isSet(db) && !QFileInfo::exists(location.path)) {
    QTextStream(stderr) << args.first() << ": no chips recorded yet (" << location.describe()
                        << " does not exist)\n";
    return kExitSuccess;
  }
  std::string error;
  auto record =
      qrk::SqlProductionRecord::open(location, qrk::SqlProductionRecord::Access::ReadOnly, &error);
  if (record && parser.isSet(taken)) return printTaken(*record, location, args.first());
  std::optional<std::vector<qrk::ChipRecord>> rows;
  if (record) rows = record->chips(filter, &error);
  if (!rows) {
    QTextStream(stderr) << args.first() << ": cannot read the production record "
                        << location.describe() << ": " << QString::fromStdString(error) << "\n";
    return kExitUsage;
  }
  QTextStream out(stdout);
  if (parser.isSet(csv)) {
    printCsv(out, *rows);
  } else {
    printTable(out, *rows);
  }
  return kExitSuccess;
}

}  // namespace qrkcli
