#include "run_image.h"

#include <QSaveFile>
#include <QTextStream>

#include "commands.h"

namespace qrkcli {

namespace {

int refuse(const QString& command, const QString& message) {
  QTextStream(stderr) << command << ": " << message << "\n";
  return kExitUsage;
}

}  // namespace

std::optional<int> loadRunImage(qrk::Programmer& p, const RunImageOptions& options, CliHost& host,
                                const QString& command) {
  qrk::LoadChoices& choices = p.loadChoices();
  // The window's fill byte unless the run chooses one: "00" is the stored
  // default, any other stored text means FF.
  choices.fillByte = p.settings().value("Settings", "fillbyte", "00") == "00" ? std::uint8_t{0x00}
                                                                              : std::uint8_t{0xFF};
  if (!options.fillText.isEmpty()) {
    const QString fill = options.fillText.trimmed().toUpper();
    if (fill != "FF" && fill != "00") {
      return refuse(command, "--fill takes FF or 00, not '" + options.fillText + "'");
    }
    choices.fillByte = fill == "FF" ? 0xFF : 0x00;
  }
  choices.startAddressText = options.startText.isEmpty() ? "0" : options.startText.toStdString();
  if (options.path.isEmpty()) return std::nullopt;

  const qrk::LoadResult loaded = p.loadFile(options.path.toStdString());
  host.finish();
  if (!loaded.loaded()) {
    // The reason went to stderr as the window's message box.
    return kExitUsage;
  }
  if (!loaded.warnings.empty() && !options.force) {
    return refuse(command,
                  "the image was not programmed because its load gave the warning(s) above; "
                  "--force programs it anyway");
  }
  return std::nullopt;
}

bool writeReadBack(const qrk::ImageBuffer& image, const QString& path, QString* error) {
  constexpr qint64 kSpace = 0x10000;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  const auto* bytes = reinterpret_cast<const char*>(image.bytes().data());
  if (file.write(bytes, kSpace) != kSpace) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace qrkcli
