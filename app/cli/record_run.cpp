#include "record_run.h"

#include <QTextStream>

#include "commands.h"

namespace qrkcli {

namespace {

int refuse(const QString& command, const QString& message) {
  QTextStream(stderr) << command << ": " << message << "\n";
  return kExitUsage;
}

// A decimal whole number with an optional sign, as the serial number's boxes hold it.
std::optional<std::int64_t> wholeNumber(const std::string& text) {
  bool ok = false;
  const qlonglong n = QString::fromStdString(text).trimmed().toLongLong(&ok);
  return ok ? std::optional<std::int64_t>(n) : std::nullopt;
}

}  // namespace

RunRecorder::RunRecorder(std::unique_ptr<qrk::SqlProductionRecord> record,
                         qrk::Programmer& programmer, std::string station, QString command)
    : record_(std::move(record)),
      programmer_(programmer),
      station_(std::move(station)),
      command_(std::move(command)) {}

std::optional<int> RunRecorder::start(const RecordArguments& arguments, qrk::Programmer& programmer,
                                      const QString& port, const QString& command,
                                      std::unique_ptr<RunRecorder>* recorder) {
  const QString where = arguments.location.describe();
  std::string error;
  auto record = qrk::SqlProductionRecord::open(arguments.location,
                                               qrk::SqlProductionRecord::Access::ReadWrite, &error);
  if (!record) {
    return refuse(command, "cannot use the production record " + where + ": " +
                               QString::fromStdString(error));
  }
  if (arguments.serial) {
    qrk::AutoIncrement& serial = programmer.autoIncrement();
    // A refusal has been shown as the window's message box.
    if (!serial.onToggle(true)) return refuse(command, "--serial: the serial number is refused");
    const auto seed = wholeNumber(serial.inputs().nextValue);
    const auto increment = wholeNumber(serial.inputs().increment);
    if (!seed) {
      return refuse(command, "--serial: the next value " +
                                 QString::fromStdString(serial.inputs().nextValue) +
                                 " is beyond what the line's counter can hold");
    }
    if (!increment || *increment == 0) {
      return refuse(command,
                    "--serial: an increment of 0 would stamp every chip with the same number");
    }
    record->setTaker(arguments.station, port.toStdString());
    if (!record->prepareCounter(*seed, *increment, &error)) {
      return refuse(command, "--serial: " + QString::fromStdString(error) + " (" + where + ")");
    }
    programmer.setSerialCounter(record.get());
  }
  recorder->reset(new RunRecorder(std::move(record), programmer, arguments.station, command));
  return std::nullopt;
}

bool RunRecorder::chipEnded(const std::string& function, const qrk::RunResult& result) {
  const qrk::ChipRecord chip =
      qrk::chipRecordOf(programmer_, function, result, station_, std::chrono::system_clock::now());
  std::string error;
  if (record_->record(chip, &error)) return true;
  complete_ = false;
  QTextStream(stderr) << command_
                      << ": the chip's row could not be written to the production record "
                      << record_->location().describe() << ": " << QString::fromStdString(error)
                      << "\n";
  return false;
}

}  // namespace qrkcli
