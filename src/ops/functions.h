#pragma once

#include <span>
#include <string_view>

namespace qrk {

class Programmer;

// One function a run can execute, as named in the function column and the
// function list. `single` runs it on its own after connecting; `inList` says
// whether the function list may hold it. Both return 0 on success.
struct FunctionEntry {
  std::string_view name;
  int (*single)(Programmer&);
  bool inList;
};

// The functions of the function column, in its order.
std::span<const FunctionEntry> runFunctions();
// nullptr when `name` is no function.
const FunctionEntry* findFunction(std::string_view name);

}  // namespace qrk
