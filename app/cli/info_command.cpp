#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/image_buffer.h"
#include "image/image_loader.h"
#include "image/memory_map.h"
#include "load_options.h"
#include "platform/text.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Loads a HEX or BIN file exactly as the window's \"Open File\" does and describes the\n"
    "image: the file's range, the range of interest, the memory-map boxes and the check sum\n"
    "as the window shows it.\n"
    "\n"
    "Left out, the load options take the window's defaults on a first start: the first model\n"
    "of the list (QRK5-04A), the first ISP Space entry (0.0k), buffer start 0 and unused\n"
    "bytes 00, so that info describes the image that 'qrkprog run' with the same options\n"
    "programs. Pass --fill FF to fill unused bytes as erased flash reads.\n"
    "\n"
    "The description goes to stdout. Every message box the window would show (checksum\n"
    "errors, skipped malformed records, region warnings) goes to stderr, as its title and\n"
    "text.\n"
    "\n"
    "Exit status: 0 loaded (with or without warnings), 1 loaded with warnings under\n"
    "--strict, or the file could not be read to its end; 2 bad usage or bad input (missing\n"
    "file, unknown model or ISP Space, a start address that is malformed or outside the\n"
    "model's space).";

std::string firstLine(std::string_view text) {
  std::string line(text.substr(0, text.find_first_of("\r\n")));
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string range(std::int32_t low, std::int32_t high) {
  return qrk::lastHexDigits(static_cast<std::uint32_t>(low), 5) + "-" +
         qrk::lastHexDigits(static_cast<std::uint32_t>(high), 5);
}

void printDescription(const qrk::ImageBuffer& image, const qrk::LoadOptions& load,
                      const std::string& ispSpace, const qrk::LoadResult& result) {
  const qrk::MemoryMapTexts& map = load.memoryMap;
  std::printf("File:              %s\n", image.filePath.c_str());
  std::printf("Format:            %s\n", result.format == qrk::FileFormat::Hex ? "HEX" : "BIN");
  std::printf("Model:             %s\n", load.model.name.c_str());
  std::printf("ISP Space:         %s\n", ispSpace.empty() ? "(fixed)" : ispSpace.c_str());
  std::printf("Buffer start:      %s\n", load.startAddressText.c_str());
  std::printf("Unused bytes:      %s\n", load.fillByte == 0xFF ? "FF" : "00");
  std::printf("AP Memory:         %s %s\n", map.apFirst.c_str(), map.apEnd.c_str());
  if (map.ispStart.empty()) {
    std::printf("ISP Memory:        (none)\n");
  } else {
    std::printf("ISP Memory:        %s %s\n", map.ispStart.c_str(), map.ispEnd.c_str());
  }
  std::printf("File range:        %s\n", result.read.dataBytes == 0
                                             ? "(no data)"
                                             : range(image.fileStart, image.fileEnd).c_str());
  std::printf("Range of interest: %s\n", range(image.rangeLow, image.rangeHigh).c_str());
  std::printf("File Check Sum:    %s\n", result.checksumText.c_str());
  std::printf("Warnings:          %zu\n", result.warnings.size());
}

}  // namespace

int infoCommand(const QStringList& args) {
  QCommandLineParser parser;
  const LoadOptionFlags loadFlags;
  const QCommandLineOption strict("strict", "Exit 1 when the load raised any message box.");
  loadFlags.addTo(parser);
  parser.addOption(strict);
  parser.addPositionalArgument("PATH", "The HEX or BIN file to load.");
  if (auto status = parseArguments(parser, args, kDescription)) return *status;

  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1) {
    return usageError(args, positional.isEmpty()
                                ? QStringLiteral("PATH is required")
                                : "unexpected argument '" + positional.at(1) + "'");
  }

  QString loadError;
  std::string ispSpaceText;
  const std::optional<qrk::LoadOptions> loadOptions =
      loadFlags.read(parser, &loadError, &ispSpaceText);
  if (!loadOptions) return usageError(args, loadError);
  const qrk::LoadOptions& load = *loadOptions;
  const qrk::SelectedModel& selected = load.model;

  // Bad input gets one line and status 2 before anything is loaded; the window's
  // boxes for the same cases are what loadImage would show.
  const qrk::StartAddressCheck startCheck = qrk::checkStartAddress(
      load.startAddressText, qrk::readLimits(load.memoryMap, selected), selected);
  if (!startCheck.accepted) {
    return usageError(args, "--start '" + QString::fromStdString(load.startAddressText) +
                                "': " + QString::fromStdString(firstLine(startCheck.message)));
  }
  const std::string path = positional.first().toStdString();
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    return usageError(args, "cannot find '" + positional.first() + "'");
  }
  if (std::filesystem::is_directory(path, ignored)) {
    return usageError(args, "'" + positional.first() + "' is a folder, not a file");
  }

  CliHost host(stdout, stderr);
  qrk::ImageBuffer image;
  image.filePath = path;
  const qrk::LoadResult result = qrk::loadImage(image, load, host);
  host.finish();
  if (result.status == qrk::LoadStatus::FileMissing) {
    return usageError(args, "cannot open '" + positional.first() + "'");
  }
  if (!result.loaded()) return kExitFailed;

  printDescription(image, load, ispSpaceText, result);
  std::fflush(stdout);
  return parser.isSet(strict) && !result.warnings.empty() ? kExitFailed : kExitSuccess;
}

}  // namespace qrkcli
