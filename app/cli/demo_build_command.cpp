#include <QCommandLineParser>
#include <QTextStream>
#include <span>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "demo_options.h"
#include "english_texts.h"
#include "image/atomic_file_write.h"
#include "image/intel_hex_text.h"
#include "ispdemo/isp_demo_builder.h"

namespace qrkcli {

int demoBuildCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption model("model", "The kind-2 model ('qrkprog models').", "NAME");
  const QCommandLineOption out("out", "The Intel HEX file to write.", "FILE.hex");
  const DemoOptionFlags demo;
  parser.addOptions({model, out});
  demo.addTo(parser);
  if (auto status = parseArguments(
          parser, args,
          "Builds the ISP DEMO firmware for a model and writes it as Intel HEX at its place,\n"
          "the model's top kilobyte. Settings left out take the ISP DEMO page's first-start\n"
          "choices. A setting the firmware cannot be built with is refused with its message\n"
          "(exit 2) and no file is written.")) {
    return *status;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  if (!parser.isSet(model)) return usageError(args, "--model NAME is required");
  if (parser.value(out).trimmed().isEmpty()) return usageError(args, "--out FILE.hex is required");
  QString error;
  const qrk::McuModel* row = findModelOrExplain(parser.value(model), &error);
  if (row == nullptr) return usageError(args, error);
  const auto settings = demo.read(parser, &error);
  if (!settings) return usageError(args, error);

  qrk::SelectedModel selected;
  qrk::selectModel(selected, row->name);
  const qrk::IspDemoBuild build = qrk::patchIspDemo(selected, *settings);
  if (!build.bytes) {
    QTextStream(stderr) << QString::fromStdString(withEnglish(build.refusal));
    return kExitUsage;
  }
  const std::string text =
      qrk::intelHexText(static_cast<std::uint16_t>(build.base), std::span(*build.bytes));
  const qrk::FileWriteResult written = qrk::writeFileAtomically(
      parser.value(out).toStdString(),
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (!written.ok) {
    QTextStream(stderr) << args.first() << ": cannot write " << parser.value(out) << ": "
                        << QString::fromStdString(written.reason) << "\n";
    return kExitFailed;
  }
  QTextStream(stdout) << "ISP DEMO for " << parser.value(model) << " at "
                      << QString("%1..%2")
                             .arg(build.base, 4, 16, QChar('0'))
                             .toUpper()
                             .arg(build.base + 1023, 4, 16, QChar('0'))
                             .toUpper()
                      << " written to " << parser.value(out) << "\n";
  return kExitSuccess;
}

}  // namespace qrkcli
