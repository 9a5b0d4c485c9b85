#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/settings_store.h"
#include "sim/simulated_port.h"
#include "support/recording_host.h"

namespace qrk::test {

// A host that also keeps every replacement of the pane with its virtual time,
// so that a countdown can be read back.
class PaneHost : public RecordingHost {
 public:
  explicit PaneHost(const VirtualEventLoop& loop) : loop_(loop) {}
  void messageReplaced(const std::string& text) override {
    replaced.emplace_back(loop_.nowMs(), text);
    if (onReplaced) onReplaced(text);
  }
  std::vector<std::pair<std::int64_t, std::string>> replaced;
  std::function<void(const std::string&)> onReplaced;

 private:
  const VirtualEventLoop& loop_;
};

// A programmer wired to an in-process simulated chip, on virtual time, with a
// small image loaded: the bench every scenario runs on.
struct OpsBench {
  explicit OpsBench(std::string_view model = "QRK5-16B", sim::DeviceOptions options = {})
      : sim(model, std::move(options)) {
    programmer.loadSettings();
    programmer.selectModel(std::string(model));
    programmer.setPortName("sim");
    loadSmallImage();
  }

  // 1 KB of counting bytes at 0, as if a file had been loaded.
  void loadSmallImage() {
    ImageBuffer& image = programmer.image();
    image.fill(0xFF);
    for (std::int32_t a = 0; a < 0x400; ++a) image.set(a, static_cast<std::uint8_t>(a * 7 + 1));
    image.rangeLow = image.fileStart = 0;
    image.rangeHigh = image.fileEnd = 0x3FF;
    image.fileLoaded = true;
  }

  void setList(const std::vector<std::string>& names) {
    programmer.functionList().setForRun(names);
  }
  const std::string& pane() const { return programmer.pane().text(); }
  bool paneHas(const std::string& needle) const { return pane().find(needle) != std::string::npos; }
  // Stop pressed `ms` of virtual time from now.
  void stopAfterMs(std::int64_t ms) {
    sim.loop.scheduleInMs(ms, [this] { production.stopClicked(); });
  }

  sim::SimulatedTarget sim;
  MemorySettingsStore settings;
  PaneHost host{sim.loop};
  Programmer programmer{sim.port, sim.loop, settings, host};
  ProductionLoop production{programmer};
};

}  // namespace qrk::test
