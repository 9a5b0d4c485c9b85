#include "load_options.h"

#include <string>

#include "command_line.h"
#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/memory_map.h"

namespace qrkcli {

std::optional<qrk::LoadOptions> LoadOptionFlags::read(const QCommandLineParser& parser,
                                                      QString* error,
                                                      std::string* ispSpaceText) const {
  qrk::SelectedModel selected;
  if (parser.isSet(model)) {
    const qrk::McuModel* row = findModelOrExplain(parser.value(model), error);
    if (row == nullptr) return std::nullopt;
    qrk::selectModel(selected, row->name);
  } else {
    qrk::selectModel(selected, qrk::listedModels().front().name);
  }

  qrk::OptionPanel panel;
  qrk::buildOptionPanel(panel, selected.mapKind);
  qrk::selectIspSpaceIndex(panel, 0);
  if (parser.isSet(ispSpace)) {
    std::string reason;
    if (!qrk::setIspSpace(panel, parser.value(ispSpace).toStdString(), &reason)) {
      *error = QString::fromStdString(reason);
      return std::nullopt;
    }
  }

  if (ispSpaceText) *ispSpaceText = panel.ispSpaceText;
  qrk::LoadOptions load;
  load.model = selected;
  load.memoryMap = qrk::memoryMapTexts(selected, panel.ispSpaceText);
  load.startAddressText = parser.isSet(start) ? parser.value(start).toStdString() : "0";
  if (parser.isSet(fill)) {
    const std::optional<std::uint8_t> fillByte = parseFillFlag(parser.value(fill), error);
    if (!fillByte) return std::nullopt;
    load.fillByte = *fillByte;
  }
  return load;
}

std::optional<std::uint8_t> parseFillFlag(const QString& text, QString* error) {
  const QString value = text.trimmed().toUpper();
  if (value == "FF") return std::uint8_t{0xFF};
  if (value == "00") return std::uint8_t{0x00};
  if (error) *error = "--fill takes FF or 00, not '" + text + "'";
  return std::nullopt;
}

}  // namespace qrkcli
