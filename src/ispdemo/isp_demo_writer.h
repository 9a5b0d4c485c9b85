#pragma once

#include <functional>

#include "ispdemo/isp_demo_settings.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"

namespace qrk {

inline constexpr const char* kDemoOverlapText =
    "文件太大，占用了 ISP DEMO 空间。超出部分将丢失。\r\n               按确定继续。";
inline constexpr const char* kDemoHwbsQuestionText = "您需要上电复位运行 ISP DEMO 下载程序吗?";
inline constexpr const char* kDemoListText =
    "The function list must hold Program and, after it, Verify: the ISP DEMO is written and "
    "checked by them.\r\n功能列表中必须有 Program 及其后的 Verify。";

// Whether running the function list writes and then verifies the DEMO: it
// needs Program and, after it, Verify. Without Program nothing would be
// written and the run would still end in "Auto OK!".
bool demoListWritesAndVerifies(const FunctionList& list);

// The ISP DEMO write: chooses the 1 KB ISP area, warns
// when the loaded data reach into the DEMO's kilobyte (the DEMO overwrites
// them), builds the firmware into the image and runs Auto once in
// demoWriteMode: the option bytes, the top kilobyte and the loaded file go to
// the chip and are verified. Refused before anything is sent, with a message,
// when the build fails or the function list would not write and verify the
// kilobyte; the result is then a run that never opened the port.
RunResult writeIspDemo(Programmer& programmer, ProductionLoop& production,
                       const IspDemoSettings& settings);

// The repeated write: offers to set HWBS so that the
// chips start the DEMO at power-on, builds once, then writes chip after chip
// with the Re-Run countdown between them until Stop, or `maxRuns` when above 0.
ProductionLoop::Summary repeatWriteIspDemo(
    Programmer& programmer, ProductionLoop& production, const IspDemoSettings& settings,
    int maxRuns = 0, const std::function<void(const RunResult&)>& onRunEnded = {});

}  // namespace qrk
