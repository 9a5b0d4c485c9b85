#include <QCommandLineParser>
#include <cstdio>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "ispdemo/baud_calculator.h"
#include "number_arguments.h"

namespace qrkcli {

int baudCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption freq("freq", "The target's crystal frequency in MHz, e.g. 11.0592.",
                                "MHZ");
  parser.addOption(freq);
  if (auto status = parseArguments(
          parser, args,
          "Prints the ISP DEMO baud-rate table for one crystal: one line per listed baud rate,\n"
          "tab-separated: the rate, the error caption as the ISP DEMO page shows it, the\n"
          "Timer 2 divisor D and the state: normal, yellow (marginal) or red (unusable: the\n"
          "firmware is not built with it). A rate that no divisor reaches shows '-' and 0.")) {
    return *status;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  if (!parser.isSet(freq)) return usageError(args, "--freq MHZ is required");
  const std::string crystal = parser.value(freq).toStdString();
  const std::optional<double> mhz = parseDecimalArgument(parser.value(freq));
  if (!mhz || !(*mhz > 0.0)) {
    return usageError(args, numberRefusal("freq",
                                          "the crystal frequency in MHz, a positive number with "
                                          "a decimal point such as 11.0592",
                                          parser.value(freq)));
  }
  std::string out;
  for (std::string_view baud : qrk::kIspDemoBaudEntries) {
    const qrk::BaudCalculation calc = qrk::computeIspBaud(crystal, baud);
    out += std::string(baud) + "\t";
    if (calc.divisor) {
      out += calc.caption + "\t" + std::to_string(*calc.divisor) + "\t" +
             std::string(qrk::baudColourName(calc.colour)) + "\n";
    } else {
      out += "-\t0\tred\n";
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitSuccess;
}

}  // namespace qrkcli
