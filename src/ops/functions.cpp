#include "ops/functions.h"

#include <array>
#include <string>

#include "device/option_io.h"
#include "link/erase.h"
#include "link/identify.h"
#include "ops/blank_check_function.h"
#include "ops/function_list_runner.h"
#include "ops/program.h"
#include "ops/programmer.h"
#include "ops/read_flash.h"
#include "ops/verify.h"

namespace qrk {

namespace {

// The ID is read twice, quietly first; only the second read reports.
Status verifyId(Programmer& p) {
  (void)readTargetId(p.link(), p.pane(), p.model().expectedId, false, &p.chip().idRead);
  return readTargetId(p.link(), p.pane(), p.model().expectedId, true, &p.chip().idRead);
}

Status eraseAll(Programmer& p) { return eraseChip(p.link(), p.pane()); }

// On its own Blank_Check sounds its failure alert; in the list the list's own
// alert is the one alert of a failed run.
Status blankCheckSingle(Programmer& p) { return blankCheckFunction(p, true); }
Status blankCheckStep(Programmer& p) { return blankCheckFunction(p, false); }

PrepareImage prepareImage(Programmer& p) {
  return [&p] { return p.prepareImageForProgram(); };
}

// Program may leave out the blocks an erased, blank-checked chip holds
// already; never while the ISP DEMO goes in: its top kilobyte is written
// before the image.
OpContext programContext(Programmer& p) {
  const bool applies = !p.flags().demoWriteMode &&
                       p.blankSkip().standing(p.production().skipBlank, p.loadChoices().fillByte) ==
                           BlankSkip::Standing::Applies;
  p.blankSkip().startProgram(applies);
  return p.context();
}

Status programSingle(Programmer& p) {
  (void)readTargetId(p.link(), p.pane(), p.model().expectedId, false, &p.chip().idRead);
  Status status = programImage(programContext(p), true, prepareImage(p));
  p.host().beep();
  return status;
}

Status verifySingle(Programmer& p) {
  Status status = verifyImage(p.context(), true);
  p.host().beep();
  return status;
}

Status writeOptionSingle(Programmer& p) { return p.writeOptionAndAdvance(true); }

Status readOptionSingle(Programmer& p) {
  return readOption(p.link(), p.pane(), p.options(), p.model().mapKind, true);
}

Status readFlashSingle(Programmer& p) { return readFlash(p.context()); }

// While the ISP DEMO firmware is written, its protection goes on first: a
// chip that refuses the option bytes gets no firmware.
Status programStep(Programmer& p) {
  const OpContext context = programContext(p);
  if (!p.flags().demoWriteMode) return programImage(context, true, prepareImage(p));
  selectProtectionYes(p.options());
  if (Status written = p.writeOptionAndAdvance(true); !written.ok()) return written;
  return programTopKilobyteAndImage(context, true, prepareImage(p));
}

// Leading decimal digits of the two hex digits of the version, as the list
// has always compared them.
int versionNumber(const std::string& version) {
  int n = 0;
  for (char c : version) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Kind 2 compares page sums when the bootloader is recent enough to compute
// them. Everything else reads back: kinds 0 and 1 verify inside Program too,
// but a list need not hold Program, and an OK here must mean the chip was
// compared.
Status verifyStep(Programmer& p) {
  if (p.model().mapKind == MapKind::TopOfModel && versionNumber(p.bootloaderVersion()) >= 13) {
    return verifyByChecksum(p.context(), true);
  }
  return verifyImage(p.context(), true);
}

// Writing the ISP DEMO firmware writes its own option bytes in the Program
// step; the list's Write_Option then has nothing left to do.
Status writeOptionStep(Programmer& p) {
  return p.flags().demoWriteMode ? Status::success() : p.writeOptionAndAdvance(true);
}

// In the list the option read only feeds the read-back labels.
Status readOptionStep(Programmer& p) {
  return readOption(p.link(), p.pane(), p.options(), p.model().mapKind, false);
}

constexpr std::array kFunctions = {
    FunctionEntry{FunctionId::Auto, "Auto", nullptr, nullptr},
    FunctionEntry{FunctionId::VerifyId, "Verify_ID", verifyId, verifyId},
    FunctionEntry{FunctionId::EraseAll, "Erase_All", eraseAll, eraseAll},
    FunctionEntry{FunctionId::BlankCheck, "Blank_Check", blankCheckSingle, blankCheckStep},
    FunctionEntry{FunctionId::Program, "Program", programSingle, programStep},
    FunctionEntry{FunctionId::Verify, "Verify", verifySingle, verifyStep},
    FunctionEntry{FunctionId::WriteOption, "Write_Option", writeOptionSingle, writeOptionStep},
    FunctionEntry{FunctionId::ReadOption, "Read_Option", readOptionSingle, readOptionStep},
    FunctionEntry{FunctionId::ReadApIsp, "Read_AP_ISP", readFlashSingle, nullptr},
};

constexpr bool inEnumOrder() {
  for (std::size_t i = 0; i < kFunctions.size(); ++i) {
    if (static_cast<std::size_t>(kFunctions[i].id) != i) return false;
  }
  return true;
}
static_assert(inEnumOrder(), "functionEntry() indexes the table by FunctionId");

}  // namespace

std::span<const FunctionEntry> runFunctions() { return kFunctions; }

const FunctionEntry* findFunction(std::string_view name) {
  for (const FunctionEntry& f : kFunctions) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

const FunctionEntry& functionEntry(FunctionId id) {
  // The table lists every function in the enumeration's order.
  return kFunctions[static_cast<std::size_t>(id)];
}

std::string_view functionName(FunctionId id) { return functionEntry(id).name; }

std::optional<FunctionId> functionFromName(std::string_view name) {
  const FunctionEntry* entry = findFunction(name);
  return entry ? std::optional<FunctionId>(entry->id) : std::nullopt;
}

}  // namespace qrk
