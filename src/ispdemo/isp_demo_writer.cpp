#include "ispdemo/isp_demo_writer.h"

#include <algorithm>
#include <optional>

#include "device/option_panel.h"
#include "ispdemo/isp_demo_builder.h"
#include "ops/function_id.h"

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
  std::vector<std::optional<FunctionId>> steps;
  for (const std::string& name : list.names()) steps.push_back(functionFromName(name));
  const auto program = std::find(steps.begin(), steps.end(), FunctionId::Program);
  return program != steps.end() &&
         std::find(program, steps.end(), FunctionId::Verify) != steps.end();
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
