#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "image/image_loader.h"

namespace qrkcli {

// The window's load choices as command-line options (--model, --isp-space,
// --start, --fill), shared by every command that loads a file without a run.
// Left out, they take the window's first-start defaults: the first model of
// the list, its first ISP Space entry, start 0 and unused bytes 00.
struct LoadOptionFlags {
  QCommandLineOption model{"model", "The model (default QRK5-04A; 'qrkprog models').", "NAME"};
  QCommandLineOption start{"start", "Buffer Start Address, hexadecimal (default 0).", "HEX"};
  QCommandLineOption fill{"fill", "Unused bytes: FF or 00 (default 00).", "FF|00"};
  QCommandLineOption ispSpace{"isp-space", "The ISP Space size, e.g. 1.0k (default: the first).",
                              "TEXT"};

  void addTo(QCommandLineParser& parser) const {
    parser.addOptions({model, start, fill, ispSpace});
  }

  // The load options the parsed flags stand for, and the ISP Space entry they
  // chose; nullopt with a one-line reason on bad input (unknown model, ISP
  // Space or fill byte).
  std::optional<qrk::LoadOptions> read(const QCommandLineParser& parser, QString* error,
                                       std::string* ispSpaceText = nullptr) const;
};

// The value of --fill: "FF" or "00", in any letter case. Nullopt and *error
// for anything else.
std::optional<std::uint8_t> parseFillFlag(const QString& text, QString* error);

}  // namespace qrkcli
