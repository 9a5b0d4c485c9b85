#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "device/mcu_model.h"
#include "platform/text.h"

namespace qrkcli {

int modelsCommand(const QStringList& args) {
  QCommandLineParser parser;
  if (auto status = parseArguments(parser, args,
                                   "Lists the MCU models: the 17 of the model list, then the\n"
                                   "kind-0 names that are recognised when typed. Columns:\n"
                                   "  MODEL   the name --model takes\n"
                                   "  KIND    the memory map: 0 and 1 have an upper block, 2 a\n"
                                   "          Data Memory area and an ISP area of chosen size\n"
                                   "  AP_END  the last address of the AP area (hexadecimal)\n"
                                   "  TOP     the last address of the flash (hexadecimal)\n"
                                   "  BLOCK   the bytes programmed per block\n"
                                   "  ID      the ID the chip reports ('-': none of its own)\n"
                                   "  LIST    the position in the window's model list, or 'typed'\n"
                                   "          for a name accepted only when typed")) {
    return *status;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  std::string out = "MODEL     KIND  AP_END  TOP    BLOCK  ID    LIST\n";
  int position = 0;
  for (const qrk::McuModel& m : qrk::mcuCatalogue()) {
    char line[128];
    const std::string id = m.expectedId.empty() ? "-" : std::string(m.expectedId);
    const std::string list = m.inList ? std::to_string(position++) : "typed";
    std::snprintf(line, sizeof line, "%-9s %-5d %-7s %-6s %-6d %-5s %s\n",
                  std::string(m.name).c_str(), qrk::familyByte(m.mapKind),
                  qrk::upperHex(m.apLast, 4).c_str(), qrk::upperHex(m.topAddress, 4).c_str(),
                  m.blockSize, id.c_str(), list.c_str());
    out += line;
  }
  out +=
      "LIST: position in the model list; 'typed': a kind-0 name, accepted when typed.\n"
      "ID '-': kind-0 chips report no ID, the previously selected model's ID is kept.\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitSuccess;
}

}  // namespace qrkcli
