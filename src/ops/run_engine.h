#pragma once

#include <string>

#include "ops/programmer.h"

namespace qrk {

// One run: replace the pane with "We are connecting ...", open the port,
// connect while the user powers the target on, dispatch `function` as a single
// function (none: nothing selected, the run only connects), and end by closing the port and
// restoring the default timing. A port that cannot be opened and a target that never answers are
// reported in the pane with three beeps.
RunResult runSelectedFunction(Programmer& programmer, std::optional<FunctionId> function,
                              const std::string& portName);

// The step of a run that opens the port and connects (Host::phaseStarted).
inline constexpr const char* kConnectPhase = "Connect";

// The texts a run prints when it cannot start.
inline constexpr const char* kOpenFailureText =
    "\r\nOpen COM port is failure!\r\nThe COM port opened by another Program or no the COM "
    "port.\r\n\r\n打开串口失败!\r\n串口已被其它程序打开或不存在。";
inline constexpr const char* kOpenFailureLine = "Open COM port is failure!";
inline constexpr const char* kConnectFailureLine = "Communication is failure!";
// What the Stop button adds to the pane, and the line a stopped run is known by.
inline constexpr const char* kStopText = "Stop by user!";
inline constexpr const char* kConnectFailureText =
    "\r\nCommunication is failure!\r\n\r\nConnect the electric cable and Power On.\r\n\r\n"
    "请接好电缆, 打开电源。";
// What a supply that would not switch adds to the pane, before the why.
inline constexpr const char* kSupplyFailureLine = "Supply switch failed: ";

}  // namespace qrk
