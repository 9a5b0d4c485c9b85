#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "qt/port_directory.h"

namespace qrkcli {

namespace {

std::string usbIds(const qrk::SerialDevice& device) {
  if (!device.isUsb()) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(*device.vendorId),
                static_cast<unsigned>(*device.productId));
  return text;
}

std::string orDash(const std::string& text) { return text.empty() ? "-" : text; }

}  // namespace

int portsCommand(const QStringList& args) {
  QCommandLineParser parser;
  if (auto status = parseArguments(
          parser, args,
          "Lists the serial devices of this machine in the order COM<n> counts them: USB\n"
          "adapters first, then the others, each by path. --port takes the COM name, the path,\n"
          "or usb:SERIAL for an adapter by its USB serial number, which stays the same when\n"
          "cables are re-plugged and device names change.")) {
    return *status;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(args, "unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  const qrk::PortDirectory directory = qrk::PortDirectory::scan();
  if (directory.devices().empty()) {
    QTextStream(stderr) << "no serial devices found\n";
    return kExitSuccess;
  }
  std::string out = "PORT   PATH                 USB_ID     SERIAL           DESCRIPTION\n";
  int number = 0;
  for (const qrk::SerialDevice& device : directory.devices()) {
    const std::string com = "COM" + std::to_string(++number);
    std::string description = device.description;
    if (!device.manufacturer.empty() &&
        description.find(device.manufacturer) == std::string::npos) {
      description += (description.empty() ? "" : " (") + device.manufacturer +
                     (description.empty() ? "" : ")");
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-6s %-20s %-10s %-16s %s\n", com.c_str(),
                  device.path.c_str(), usbIds(device).c_str(), orDash(device.serialNumber).c_str(),
                  orDash(description).c_str());
    out += line;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitSuccess;
}

}  // namespace qrkcli
