#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "link/isp_link.h"
#include "ops/op_context.h"
#include "platform/message_pane.h"
#include "sim/simulated_port.h"
#include "support/link_fixture.h"
#include "support/recording_host.h"

namespace qrk::test {

// A host that also remembers the progress bar.
class ProgressHost : public RecordingHost {
 public:
  void setProgressVisible(bool visible) override { progressVisible = visible; }
  void setProgressRange(int minimum, int maximum) override {
    progressMin = minimum;
    progressMax = maximum;
  }
  void setProgressValue(int value) override { progressValues.push_back(value); }

  bool progressVisible = false;
  int progressMin = 0;
  int progressMax = 0;
  std::vector<int> progressValues;
};

// Program, verify and read-back against the simulated chip, on virtual time.
struct SimOps {
  explicit SimOps(std::string_view modelName, sim::DeviceOptions options = {})
      : sim(modelName, std::move(options)) {
    selectModel(model, modelName);
    link.setMapKind(model.mapKind);
    link.openPort("sim");
  }

  OpContext ctx() { return OpContext{link, pane, host, image, model, flags}; }

  // A loaded file of `bytes` at `first`; the range of interest is the file's.
  void load(std::int32_t first, const std::vector<std::uint8_t>& bytes) {
    image.fill(0xFF);
    image.store(first, bytes);
    image.fileLoaded = true;
    image.fileStart = image.rangeLow = first;
    image.fileEnd = image.rangeHigh = first + static_cast<std::int32_t>(bytes.size()) - 1;
  }

  const std::vector<sim::DataFrameRecord>& frames() const { return sim.device.dataFrames(); }

  sim::SimulatedTarget sim;
  IspLink link{sim.port, sim.loop};
  ProgressHost host;
  MessagePane pane{host};
  ImageBuffer image;
  SelectedModel model;
  OperationFlags flags;
};

// The same against a scripted line, for byte-exact replies.
struct ScriptedOps : LinkFixture {
  explicit ScriptedOps(std::string_view modelName = "QRK5-16B") {
    selectModel(model, modelName);
    link.setMapKind(model.mapKind);
    image.fill(0xFF);
  }
  OpContext ctx() { return OpContext{link, pane, host, image, model, flags}; }

  ImageBuffer image;
  SelectedModel model;
  OperationFlags flags;
};

// Bytes first, first + 1, ... with a pattern that differs from the erased state.
inline std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint8_t seed = 0x11) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

}  // namespace qrk::test
