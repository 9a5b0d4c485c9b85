#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "fixture_options.h"
#include "ops/function_id.h"
#include "run_image.h"

namespace qrkcli {

// The serial number's field as the --serial-* options set it for one run;
// each one left out keeps the saved setting.
struct SerialFieldChoices {
  std::optional<std::string> address;  // --serial-address, hex digits
  std::optional<std::string> bytes;    // --serial-bytes, decimal digits
  std::optional<std::string> next;     // --serial-next, decimal digits
  std::optional<std::string> step;     // --serial-step, decimal digits
  std::optional<int> format;           // --serial-format: 0 hex, 1 decimal, 2 ascii
  bool any() const { return address || bytes || next || step || format; }
};

// What `qrkprog run` was asked to do, read and checked as far as it can be
// without a model: the rest (ISP Space, option rows) is checked when applied.
struct RunArguments {
  QString command;  // "qrkprog run": the prefix of every message
  qrk::FunctionId function = qrk::FunctionId::Auto;
  QStringList ports;                // every --port, trimmed, in order
  std::string model;                // --model, a catalogue name; empty: the saved model
  std::string expectId;             // --expect-id, 4 uppercase hex digits; empty: none
  std::optional<QString> ispSpace;  // --isp-space as typed
  QStringList optionAssignments;    // every --option ROW=CHOICE, in order
  QString settingsFile;             // --settings; empty: the window's saved settings
  bool trace = false;               // --trace
  RunImageOptions image;            // --file, --start, --fill, --force
  std::optional<std::vector<std::string>> list;  // --list, as function names
  QString readBackPath;                          // --out; empty: nothing stored
  int runs = 1;                                  // --repeat
  std::optional<int> delaySeconds;               // --delay
  bool assumeYes = false;                        // --yes
  bool jsonEvents = false;                       // --events json
  int progressEveryMs = 100;                     // --progress-every; 0: no progress events
  SerialFieldChoices serialField;                // --serial-address, -bytes, -next, -step, -format
  bool skipBlank = false;                        // --skip-blank
  FixtureArguments fixture;                      // --power and its companions
};

// Adds the options and the FUNCTION argument of `run` to `parser`; a command
// that runs functions the same way (on several ports, say) adds these too.
// `repeatHelp` says what --repeat does when left out.
void addRunOptions(QCommandLineParser& parser,
                   const QString& repeatHelp = "Run N times, as Re-Run does (default 1).");

// Reads what addRunOptions() added from a parsed `parser`. Returns an exit
// status when the command must end (2, after one line on stderr), nullopt
// with *run filled otherwise. Any number of --port is accepted: how many a
// command needs is its own rule.
std::optional<int> readRunArguments(const QCommandLineParser& parser, const QStringList& args,
                                    RunArguments* run);

// The function names of `run`, comma-separated, for messages and help.
QString runFunctionNames();

}  // namespace qrkcli
