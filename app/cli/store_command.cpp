#include <QCommandLineParser>
#include <algorithm>
#include <cstdint>
#include <string>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/bin_store.h"
#include "image/image_buffer.h"
#include "image/image_loader.h"
#include "image/memory_map.h"
#include "image/number_text.h"
#include "load_options.h"
#include "number_arguments.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Loads a HEX or BIN file as the window does and writes the image bytes FROM .. TO\n"
    "(inclusive, at most up to FFFF) to a raw BIN file, as \"Store File\" does with the same\n"
    "start and length. The file is written whole or not at all: an existing file is only\n"
    "replaced once the new one is complete.\n"
    "\n"
    "Left out, the load options take the window's defaults: the first model of the list,\n"
    "the first ISP Space entry, buffer start 0 and unused bytes 00. The load's message boxes\n"
    "go to stderr; the store goes on after a region warning, as in the window.\n"
    "\n"
    "Exit status: 0 written, 1 the file could not be read or written, 2 bad usage or bad\n"
    "input (unknown model, refused start address or range, missing file).";

int exitForLoad(qrk::LoadStatus status) {
  switch (status) {
    case qrk::LoadStatus::Loaded:
      return kExitSuccess;
    case qrk::LoadStatus::FileUnreadable:
      return kExitFailed;
    case qrk::LoadStatus::NoFile:
    case qrk::LoadStatus::StartRefused:
    case qrk::LoadStatus::FileMissing:
      return kExitUsage;
  }
  return kExitFailed;
}

}  // namespace

int storeCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption file("file", "The HEX or BIN file to load.", "PATH");
  const LoadOptionFlags loadFlags;
  const QCommandLineOption from("from", "First address to store, hexadecimal.", "HEX");
  const QCommandLineOption to("to", "Last address to store (inclusive), hexadecimal.", "HEX");
  const QCommandLineOption out("out", "The BIN file to write.", "FILE.bin");
  parser.addOption(file);
  loadFlags.addTo(parser);
  parser.addOptions({from, to, out});
  if (auto status = parseArguments(parser, args, kDescription)) return *status;

  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  for (const QCommandLineOption* required : {&file, &from, &to, &out}) {
    if (parser.value(*required).trimmed().isEmpty()) {
      return usageError(args, "--" + required->names().first() + " is required");
    }
  }

  QString loadError;
  const std::optional<qrk::LoadOptions> loadOptions = loadFlags.read(parser, &loadError);
  if (!loadOptions) return usageError(args, loadError);
  const qrk::LoadOptions& load = *loadOptions;

  CliHost host(stdout, stderr);
  // The range is checked first, with the window's messages, so that a wrong
  // range costs no load.
  const auto first = parseHexArgument(parser.value(from));
  const auto last = parseHexArgument(parser.value(to));
  for (const auto& [option, value] : {std::pair{&from, first}, std::pair{&to, last}}) {
    if (!value) {
      return usageError(args, "--" + option->names().first() + " '" + parser.value(*option) +
                                  "' is not a hexadecimal address (such as 1F00 or 0x1F00)");
    }
  }
  const qrk::StoreRangeCheck range = qrk::checkStoreRange(*first, *last - *first + 1);
  if (!range.range) {
    host.messageBox(range.refusal, "", qrk::MessageButtons::Ok);
    host.finish();
    return kExitUsage;
  }

  qrk::ImageBuffer image;
  image.filePath = parser.value(file).toStdString();
  const qrk::LoadResult loaded = qrk::loadImage(image, load, host);
  if (!loaded.loaded()) {
    host.finish();
    return exitForLoad(loaded.status);
  }

  const std::string target = parser.value(out).toStdString();
  const qrk::FileWriteResult written = qrk::writeBinFile(image, *range.range, target);
  if (!written.ok) {
    host.messageBox(qrk::storeWriteFailedMessage(target, written.reason), "",
                    qrk::MessageButtons::Ok);
    host.finish();
    return kExitFailed;
  }
  host.finish();
  return kExitSuccess;
}

}  // namespace qrkcli
