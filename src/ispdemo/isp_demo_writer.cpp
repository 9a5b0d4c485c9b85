#include "ispdemo/isp_demo_writer.h"

#include <algorithm>

#include "device/option_panel.h"
#include "ispdemo/isp_demo_builder.h"

namespace qrk {

namespace {

constexpr int kOneKilobyteIspSpace = 1;  // "1.0k", the second entry for kind 2
constexpr int kHwbsRow = 4;

bool prepareDemoWrite(Programmer& p, const IspDemoSettings& settings) {
  if (!demoListWritesAndVerifies(p.functionList())) {
    p.host().messageBox(kDemoListText, {}, MessageButtons::Ok);
    return false;
  }
  selectIspSpaceIndex(p.options(), kOneKilobyteIspSpace);
  const ImageBuffer& image = p.image();
  if (image.fileLoaded && image.rangeHigh > p.model().topAddress - 1024) {
    p.host().messageBox(kDemoOverlapText, {}, MessageButtons::Ok);
  }
  return buildIspDemo(p.image(), p.model(), settings, p.host());
}

}  // namespace

bool demoListWritesAndVerifies(const FunctionList& list) {
  const std::vector<std::string> names = list.names();
  const auto program = std::find(names.begin(), names.end(), "Program");
  return program != names.end() && std::find(program, names.end(), "Verify") != names.end();
}

RunResult writeIspDemo(Programmer& programmer, ProductionLoop& production,
                       const IspDemoSettings& settings) {
  if (production.active() || !prepareDemoWrite(programmer, settings)) return RunResult{};
  return production.run(FunctionId::Auto, true);
}

ProductionLoop::Summary repeatWriteIspDemo(
    Programmer& programmer, ProductionLoop& production, const IspDemoSettings& settings,
    int maxRuns, const std::function<void(const RunResult&)>& onRunEnded) {
  if (production.active()) return {};
  OptionPanel& options = programmer.options();
  if (!options.isSelected(kHwbsRow, 0) &&
      programmer.host().messageBox(kDemoHwbsQuestionText, {}, MessageButtons::YesNo) ==
          MessageAnswer::Yes) {
    options.rows[kHwbsRow].selected = 0;
  }
  if (!prepareDemoWrite(programmer, settings)) return {};
  return production.reRun(FunctionId::Auto, maxRuns, onRunEnded, true);
}

}  // namespace qrk
