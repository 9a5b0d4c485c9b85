#include "run_arguments.h"

#include <QRegularExpression>

#include "command_line.h"
#include "number_arguments.h"
#include "ops/function_list.h"
#include "ops/functions.h"

namespace qrkcli {

namespace {

QString qstring(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The function a user means; the names are matched without regard to case
// because a shell user types "verify_id" as readily as "Verify_ID".
const qrk::FunctionEntry* findFunctionByTypedName(const QString& typed) {
  for (const qrk::FunctionEntry& f : qrk::runFunctions()) {
    if (qstring(f.name).compare(typed, Qt::CaseInsensitive) == 0) return &f;
  }
  return nullptr;
}

// The function-list names of --list, matched as FUNCTION is; nullopt and
// *error at the first name the list cannot hold.
std::optional<std::vector<std::string>> parseList(const QString& text, QString* error) {
  std::vector<std::string> names;
  for (const QString& typed : text.split(',', Qt::SkipEmptyParts)) {
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty()) continue;
    const qrk::FunctionEntry* f = findFunctionByTypedName(trimmed);
    if (f == nullptr || f->listStep == nullptr) {
      *error = "--list: '" + trimmed + "' cannot stand in the function list";
      return std::nullopt;
    }
    names.emplace_back(f->name);
  }
  if (names.size() > static_cast<std::size_t>(qrk::FunctionList::kSlotCount)) {
    *error = "--list holds at most 8 functions";
    return std::nullopt;
  }
  return names;
}

// A whole number from `minimum` to `maximum`; nullopt otherwise.
std::optional<int> parseCount(const QString& text, int minimum, int maximum) {
  const auto n = parseWholeArgument(text, minimum, maximum);
  return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<int> readSerialField(const QCommandLineParser& parser, const QStringList& args,
                                   SerialFieldChoices* field) {
  if (parser.isSet("serial-address")) {
    const QString text = parser.value("serial-address");
    const auto address = parseHexArgument(text);
    if (!address)
      return usageError(args, numberRefusal("serial-address", "a hexadecimal address", text));
    field->address = QString::number(*address, 16).toUpper().toStdString();
  }
  const std::pair<const char*, std::optional<std::string>*> decimals[] = {
      {"serial-bytes", &field->bytes},
      {"serial-next", &field->next},
      {"serial-step", &field->step}};
  for (const auto& [option, target] : decimals) {
    if (!parser.isSet(option)) continue;
    const QString text = parser.value(option);
    const auto n = parseWholeArgument(text, 0, 999'999'999'999'999'999);
    if (!n) return usageError(args, numberRefusal(option, "a whole decimal number", text));
    *target = text.trimmed().toStdString();
  }
  if (parser.isSet("serial-format")) {
    const QString text = parser.value("serial-format").trimmed().toLower();
    static const QStringList kFormats{"hex", "decimal", "ascii"};
    if (!kFormats.contains(text)) {
      return usageError(args, "--serial-format takes hex, decimal or ascii, not '" +
                                  parser.value("serial-format") + "'");
    }
    field->format = static_cast<int>(kFormats.indexOf(text));
  }
  return std::nullopt;
}

}  // namespace

QString runFunctionNames() {
  QStringList names;
  for (const qrk::FunctionEntry& f : qrk::runFunctions()) names << qstring(f.name);
  return names.join(", ");
}

void addRunOptions(QCommandLineParser& parser, const QString& repeatHelp) {
  parser.addOptions({
      {"port", "The serial port (see above).", "DEV"},
      {"model", "The model ('qrkprog models' lists them).", "NAME"},
      {"expect-id", "The ID a kind-0 model's chip must report for Verify_ID.", "HEX4"},
      {"isp-space", "The ISP Space size, e.g. 1.0k.", "TEXT"},
      {"option", "Sets an option row; repeatable ('qrkprog options --model NAME' lists them).",
       "ROW=CHOICE"},
      {"settings", "Read and write the settings in this INI file (missing: defaults).", "FILE.ini"},
      {"trace", "Write every frame sent and received to stderr."},
      {"file", "The HEX or BIN file to program.", "PATH"},
      {"start", "Buffer Start Address, hexadecimal (default 0).", "HEX"},
      {"fill", "Unused bytes: FF or 00 (default: the window's).", "FF|00"},
      {"force", "Program an image whose load gave warnings."},
      {"skip-blank",
       "Program leaves out the blocks that are all FF in the image, when the list erased the "
       "chip and a Blank_Check after the erase passed, with fill FF (see README)."},
      {"list", "The function list of Auto, comma-separated.", "NAME,NAME,..."},
      {"out", "Read_AP_ISP: store the 64 KB read back here.", "FILE.bin"},
      {"repeat", repeatHelp, "N"},
      {"delay", "Seconds between repeated runs, 2 to 9.", "S"},
      {"yes", "Answer Yes where the window would ask."},
      {"events", "stdout carries the run as JSON events, one object per line (see README).",
       "json"},
      {"serial-address",
       "--serial: the address of the serial number's last byte, hexadecimal (saved: "
       "[Auto_Increase] address).",
       "HEX"},
      {"serial-bytes", "--serial: the field's width in bytes (saved: Length).", "N"},
      {"serial-next",
       "--serial: the next number, decimal; it seeds the record's counter (saved: next_value).",
       "N"},
      {"serial-step", "--serial: added after each chip (saved: Increase).", "N"},
      {"serial-format",
       "--serial: how the number is laid out: hex, decimal (BCD) or ascii (saved: "
       "numeral_system 0, 1, 2).",
       "hex|decimal|ascii"},
      {"progress-every",
       "With --events: progress events at most every MS milliseconds (default 100); 0 leaves "
       "them out.",
       "MS"},
  });
  addFixtureOptions(parser);
  parser.addPositionalArgument("FUNCTION", "One of: " + runFunctionNames() + ".");
}

std::optional<int> readRunArguments(const QCommandLineParser& parser, const QStringList& args,
                                    RunArguments* run) {
  run->command = args.isEmpty() ? QStringLiteral("qrkprog run") : args.first();
  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty())
    return usageError(args, "FUNCTION is missing (" + runFunctionNames() + ")");
  if (positional.size() > 1)
    return usageError(args, "unexpected argument '" + positional.at(1) + "'");
  const qrk::FunctionEntry* function = findFunctionByTypedName(positional.first());
  if (function == nullptr) {
    return usageError(args,
                      "unknown function '" + positional.first() + "' (" + runFunctionNames() + ")");
  }
  run->function = function->id;

  for (const QString& port : parser.values("port")) {
    if (port.trimmed().isEmpty()) return usageError(args, "--port needs a device");
    run->ports << port.trimmed();
  }
  if (run->ports.isEmpty()) return usageError(args, "--port DEV is required");

  if (parser.isSet("out")) {
    if (run->function != qrk::FunctionId::ReadApIsp)
      return usageError(args, "--out goes with Read_AP_ISP only");
    run->readBackPath = parser.value("out").trimmed();
    if (run->readBackPath.isEmpty()) return usageError(args, "--out needs a file name");
  }
  if (parser.isSet("list")) {
    if (run->function != qrk::FunctionId::Auto)
      return usageError(args, "--list goes with Auto only");
    QString error;
    run->list = parseList(parser.value("list"), &error);
    if (!run->list) return usageError(args, error);
  }
  if (parser.isSet("repeat")) {
    const auto n = parseCount(parser.value("repeat"), 1, 1'000'000);
    if (!n) return usageError(args, "--repeat takes a whole number of runs from 1");
    run->runs = *n;
  }
  if (parser.isSet("delay")) {
    run->delaySeconds = parseCount(parser.value("delay"), 2, 9);
    if (!run->delaySeconds) {
      return usageError(args, "--delay takes a whole number of seconds from 2 to 9");
    }
  }
  if (parser.isSet("model")) {
    QString error;
    const qrk::McuModel* row = findModelOrExplain(parser.value("model"), &error);
    if (row == nullptr) return usageError(args, error);
    run->model = std::string(row->name);
  }
  if (parser.isSet("expect-id")) {
    const QString id = parser.value("expect-id").trimmed().toUpper();
    static const QRegularExpression kFourHexDigits("^[0-9A-F]{4}$");
    if (!kFourHexDigits.match(id).hasMatch()) {
      return usageError(
          args, "--expect-id takes 4 hexadecimal digits, not '" + parser.value("expect-id") + "'");
    }
    run->expectId = id.toStdString();
  }
  if (parser.isSet("isp-space")) run->ispSpace = parser.value("isp-space");
  run->optionAssignments = parser.values("option");
  if (parser.isSet("settings")) {
    run->settingsFile = parser.value("settings").trimmed();
    if (run->settingsFile.isEmpty()) return usageError(args, "--settings needs a file name");
  }
  run->trace = parser.isSet("trace");
  run->image = RunImageOptions{parser.value("file"), parser.value("start"), parser.value("fill"),
                               parser.isSet("force")};
  run->assumeYes = parser.isSet("yes");
  run->skipBlank = parser.isSet("skip-blank");
  if (parser.isSet("events")) {
    if (parser.value("events") != "json") return usageError(args, "--events takes json");
    run->jsonEvents = true;
  }
  if (parser.isSet("progress-every")) {
    const auto ms = parseCount(parser.value("progress-every"), 0, 60'000);
    if (!ms) return usageError(args, "--progress-every takes milliseconds from 0 to 60000");
    run->progressEveryMs = *ms;
  }
  if (auto status = readFixtureArguments(parser, args, &run->fixture)) return status;
  return readSerialField(parser, args, &run->serialField);
}

}  // namespace qrkcli
