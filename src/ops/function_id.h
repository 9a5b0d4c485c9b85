#pragma once

#include <optional>
#include <string_view>

namespace qrk {

// The functions a run can execute. The core decides on these; the names
// ("Verify_ID", ...) are only for what is read from the user or shown.
enum class FunctionId {
  Auto,
  VerifyId,
  EraseAll,
  BlankCheck,
  Program,
  Verify,
  WriteOption,
  ReadOption,
  ReadApIsp,
};

// The name the function column, the function list and the command line use.
std::string_view functionName(FunctionId id);
// nullopt when `name` is no function's exact name.
std::optional<FunctionId> functionFromName(std::string_view name);

}  // namespace qrk
