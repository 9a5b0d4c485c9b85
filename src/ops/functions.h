#pragma once

#include <span>
#include <string_view>

#include "link/status.h"
#include "ops/function_id.h"

namespace qrk {

class Programmer;

// One function a run can execute, as named in the function column. `single`
// runs it on its own after connecting; `listStep` runs it as a slot of the
// function list, where several differ in what they say and check (nullptr:
// the list cannot hold it). "Auto" runs the list itself (runFunctionList) and
// has neither.
struct FunctionEntry {
  FunctionId id;
  std::string_view name;
  Status (*single)(Programmer&);
  Status (*listStep)(Programmer&);
};

// The functions of the function column, in its order.
std::span<const FunctionEntry> runFunctions();
// nullptr when `name` is no function.
const FunctionEntry* findFunction(std::string_view name);
const FunctionEntry& functionEntry(FunctionId id);

}  // namespace qrk
