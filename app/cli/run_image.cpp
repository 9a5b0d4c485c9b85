#include "run_image.h"

#include <QTextStream>

#include "commands.h"
#include "image/atomic_file_write.h"
#include "load_options.h"

namespace qrkcli {

namespace {

int refuse(const QString& command, const QString& message) {
  QTextStream(stderr) << command << ": " << message << "\n";
  return kExitUsage;
}

}  // namespace

std::optional<int> loadRunImage(qrk::Programmer& p, const RunImageOptions& options, CliHost& host,
                                const QString& command) {
  // The window's saved fill byte (loaded with the settings) unless the run
  // chooses one.
  qrk::LoadChoices& choices = p.loadChoices();
  if (!options.fillText.isEmpty()) {
    QString error;
    const std::optional<std::uint8_t> fillByte = parseFillFlag(options.fillText, &error);
    if (!fillByte) return refuse(command, error);
    choices.fillByte = *fillByte;
  }
  choices.startAddressText = options.startText.isEmpty() ? "0" : options.startText.toStdString();
  if (options.path.isEmpty()) return std::nullopt;

  const qrk::LoadResult loaded = p.loadFile(options.path.toStdString());
  host.finish();
  if (!loaded.loaded()) {
    // The reason went to stderr as the window's message box.
    return kExitUsage;
  }
  if (loaded.read.dataBytes == 0) {
    return refuse(command, "'" + options.path +
                               "' holds no program data: there is nothing to program, even "
                               "with --force");
  }
  if (!loaded.warnings.empty() && !options.force) {
    return refuse(command,
                  "the image was not programmed because its load gave the warning(s) above; "
                  "--force programs it anyway");
  }
  return std::nullopt;
}

bool writeReadBack(const qrk::ImageBuffer& image, const QString& path, QString* error) {
  constexpr std::size_t kSpace = 0x10000;
  const qrk::FileWriteResult written = qrk::writeFileAtomically(
      path.toStdString(), std::span<const std::uint8_t>(image.bytes().data(), kSpace));
  if (!written.ok && error) *error = QString::fromStdString(written.reason);
  return written.ok;
}

}  // namespace qrkcli
