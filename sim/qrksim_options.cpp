#include "sim/qrksim_options.h"

#include <cstdint>

#include "image/number_text.h"

namespace qrk::sim {

namespace {

bool takesValue(std::string_view option) {
  return option == "--model" || option == "--link" || option == "--power-on-after" ||
         option == "--version" || option == "--id" || option == "--flash-in" ||
         option == "--flash-out" || option == "--fault" || option == "--capacity" ||
         option == "--supply-fifo" || option == "--boot-window";
}

}  // namespace

std::optional<QrksimOptions> parseQrksimArgs(std::span<const std::string_view> args,
                                             std::string* error) {
  QrksimOptions options;
  auto fail = [error](std::string message) -> std::optional<QrksimOptions> {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view option = args[i];
    std::string_view value;
    bool hasValue = false;
    if (const auto eq = option.find('=');
        option.starts_with("--") && eq != std::string_view::npos) {
      value = option.substr(eq + 1);
      option = option.substr(0, eq);
      hasValue = true;
    }
    if (option == "--help" || option == "-h") {
      options.help = true;
      continue;
    }
    if (option == "--board" && !hasValue) {
      options.board = true;
      continue;
    }
    if (option == "--baud-emulation" && !hasValue) {
      options.device.baudEmulation = true;
      continue;
    }
    if (!takesValue(option)) return fail("unknown option " + std::string(args[i]));
    if (!hasValue) {
      if (i + 1 >= args.size()) return fail(std::string(option) + " needs a value");
      value = args[++i];
    }
    const std::string shown = std::string(option) + " " + std::string(value);
    if (option == "--model") {
      options.model = std::string(value);
    } else if (option == "--link") {
      if (value.empty()) return fail("--link needs a path");
      options.linkPath = std::string(value);
    } else if (option == "--flash-in") {
      if (value.empty()) return fail("--flash-in needs a path");
      options.flashIn = std::string(value);
    } else if (option == "--flash-out") {
      if (value.empty()) return fail("--flash-out needs a path");
      options.flashOut = std::string(value);
    } else if (option == "--supply-fifo") {
      if (value.empty()) return fail("--supply-fifo needs a path");
      options.supplyFifo = std::string(value);
      options.device.supplySwitched = true;
    } else if (option == "--boot-window") {
      const auto ms = parseDigits(value, 10, 6);
      if (!ms || *ms < 1) return fail(shown + ": expected milliseconds (1 or more)");
      options.device.bootWindowUs = std::int64_t{*ms} * 1000;
    } else if (option == "--power-on-after") {
      const auto n = parseDigits(value, 10, 9);
      if (!n || *n < 0) return fail(shown + ": expected a count of handshakes (0 or more)");
      options.device.powerOnAfter = *n;
    } else if (option == "--version") {
      const auto v = parseDigits(value, 16, 2);
      if (!v) return fail(shown + ": expected one byte in hex (e.g. 32)");
      options.device.version = static_cast<std::uint8_t>(*v);
    } else if (option == "--id") {
      const auto v = parseDigits(value, 16, 4);
      if (!v) return fail(shown + ": expected four hex digits (e.g. F104)");
      options.device.id = static_cast<std::uint16_t>(*v);
    } else if (option == "--capacity") {
      const auto kb = parseDigits(value, 10, 3);
      if (!kb || *kb < 1 || *kb > 255) return fail(shown + ": expected KB from 1 to 255");
      options.capacityKb = *kb;
    } else if (option == "--fault") {
      std::string reason;
      const auto fault = parseFault(value, &reason);
      if (!fault) return fail("--fault " + std::string(value) + ": " + reason);
      options.device.faults.push_back(*fault);
    }
  }
  const ChipModel* model = findChip(options.model);
  if (model == nullptr) {
    return fail("--model " + options.model + ": no such model (names are case-sensitive)");
  }
  if (options.board && !options.supplyFifo.empty()) {
    return fail("--supply-fifo goes with a chip, not the board");
  }
  for (const Fault& fault : options.device.faults) {
    if (fault.kind == FaultKind::NotBlank && options.board) {
      return fail("--fault not-blank: the board has no stuck cells");
    }
    if (fault.kind == FaultKind::NotBlank && fault.cellAddress > model->topAddress) {
      return fail("--fault not-blank: the address lies outside " + options.model + "'s flash");
    }
  }
  return options;
}

std::string qrksimUsage() {
  return "Usage: qrksim [OPTION]...\n"
         "  or:  qrksim --board [--capacity KB] [OPTION]...\n"
         "\n"
         "A simulated QRK chip's ISP bootloader on a pseudo-terminal. Prints \"PTY <path>\"\n"
         "once it answers, then serves until SIGTERM, SIGINT or SIGHUP, or until stdin\n"
         "ends when stdin is a pipe or socket (a terminal, a file or /dev/null is not\n"
         "watched, so `qrksim </dev/null &` keeps running).\n"
         "\n"
         "  --model NAME         catalogue model (default QRK5-16B)\n"
         "  --link PATH          also reach the pseudo-terminal through the symbolic link\n"
         "                       PATH (an existing link there is replaced)\n"
         "  --power-on-after N   ignore the first N handshakes: the target is switched on\n"
         "  --version HH         bootloader version byte (default 32); alone: print qrksim's "
         "version\n"
         "  --id HHHH            chip ID (default: the model's; kind-0 models report FFFF)\n"
         "  --flash-in FILE      preload the flash from FILE from address 0, and the\n"
         "                       option bytes from FILE.options when it exists\n"
         "  --flash-out FILE     on exit write the whole flash (0 .. top address) to FILE\n"
         "                       and the option bytes to FILE.options as text \"F8 EF\"\n"
         "  --baud-emulation     bytes take their 115200 8N1 wire time both ways; replies\n"
         "                       reach the host as from a USB adapter: in bursts at most\n"
         "                       1 ms apart, the last byte of each on time\n"
         "  --supply-fifo PATH   the chip's supply follows the lines \"on\" and \"off\"\n"
         "                       written to the FIFO PATH (made when missing); it starts\n"
         "                       off and answers nothing while off; stderr reports how\n"
         "                       long after each power-on the first handshake came\n"
         "  --boot-window MS     after power-on the bootloader takes a handshake only\n"
         "                       within MS milliseconds (default 300); later the chip\n"
         "                       runs its application and stays silent until the next\n"
         "                       power cycle\n"
         "  --board              serve the offline programming board instead: CRC frames,\n"
         "                       its 64 KB memory in --flash-in/--flash-out (no .options);\n"
         "                       on exit it checks the block CRCs it holds (stderr); its data\n"
         "                       frames count as @data, bad-ack refuses them (code 81)\n"
         "  --capacity KB        the capacity the board reports (default 64)\n"
         "  --fault KIND[:ARG][@SCOPE]   inject a fault; may be repeated\n"
         "\n"
         "Fault kinds:\n" +
         faultHelpText() +
         "\n"
         "ARG picks the replies hit, counted over the kind's scope: N (the Nth only,\n"
         "default 1), N+ (the Nth and all later ones) or all. The scope is every reply\n"
         "but the handshake's; burst counts blank-check results, wrong-id ID replies,\n"
         "bad-ack data acknowledgements. @HH narrows a reply fault to the replies to\n"
         "command HH (hex; @80 reaches the handshake), @data to data frames (03, 04).\n"
         "not-blank takes the cell's hex address as ARG (default 0100).\n"
         "Examples: --fault bad-ack:1  --fault bad-check:all@data  --fault drop:2+@80\n"
         "\n"
         "Exit status: 0 after a signal or the end of stdin, 1 when the pseudo-terminal\n"
         "or a flash file fails, 2 on bad arguments.\n";
}

}  // namespace qrk::sim
