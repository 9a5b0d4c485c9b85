#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/frame.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/settings_store.h"
#include "sim/simulated_port.h"
#include "support/recording_host.h"

namespace qrk::test {

using Bytes = std::vector<std::uint8_t>;

// Bytes that differ from the erased state and from their neighbours.
inline Bytes patternBytes(std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(0x11 + i * 7);
  return bytes;
}

// Keeps every replacement of the pane with its virtual time: the countdown.
class PaneHost : public RecordingHost {
 public:
  explicit PaneHost(const VirtualEventLoop& loop) : loop_(loop) {}
  void messageReplaced(const std::string& text) override {
    replaced.emplace_back(loop_.nowMs(), text);
  }
  std::vector<std::pair<std::int64_t, std::string>> replaced;

 private:
  const VirtualEventLoop& loop_;
};

// A programmer on the simulated chip, on virtual time, with 1 KB of pattern
// loaded at 0 as if from a file.
struct OpsBench {
  explicit OpsBench(std::string_view model = "QRK5-16B", sim::DeviceOptions options = {})
      : sim(model, std::move(options)) {
    programmer.loadSettings();
    programmer.selectModel(std::string(model));
    programmer.setPortName("sim");
    load(0, patternBytes(0x400));
  }
  void load(std::int32_t first, const Bytes& bytes, bool alsoOnChip = false) {
    ImageBuffer& image = programmer.image();
    image.fill(0xFF);
    image.store(first, bytes);
    image.fileLoaded = true;
    image.fileStart = image.rangeLow = first;
    image.fileEnd = image.rangeHigh = first + static_cast<std::int32_t>(bytes.size()) - 1;
    if (alsoOnChip) sim.device.loadFlash(static_cast<std::uint32_t>(first), bytes);
  }
  // For calling one operation directly, on an open link.
  OpContext ctx() {
    if (!programmer.link().isOpen()) {
      programmer.link().setMapKind(programmer.model().mapKind);
      programmer.link().openPort("sim");
    }
    return programmer.context();
  }
  ImageBuffer& image() { return programmer.image(); }
  const std::string& pane() const { return programmer.pane().text(); }
  bool paneHas(const std::string& text) const { return pane().find(text) != std::string::npos; }
  bool flashHolds(std::int32_t first, const Bytes& bytes) const {
    return std::equal(bytes.begin(), bytes.end(), sim.device.flash().begin() + first);
  }
  // "04@0000x80 03@0080x80 ...": command, address and count (hex) of each
  // data frame the chip received, from the `from`th on.
  std::string frames(std::size_t from = 0) const {
    std::string out;
    char item[24];
    const auto& all = sim.device.dataFrames();
    for (std::size_t i = from; i < all.size(); ++i) {
      std::snprintf(item, sizeof item, "%s%02X@%04Xx%X", out.empty() ? "" : " ", all[i].command,
                    all[i].address, static_cast<unsigned>(all[i].count));
      out += item;
    }
    return out;
  }
  std::size_t sent() const { return sim.port.written().size(); }
  // Ticks a serial number of one decimal byte at 0x0101 that starts at `next`.
  AutoIncrement& armSerial(const std::string& next) {
    AutoIncrement& serial = programmer.autoIncrement();
    serial.setAddressText("0101");
    serial.setLengthText("1");
    serial.setNextValueText(next);
    serial.setIncrementText("1");
    serial.setFormat(SerialFormat::Decimal);
    EXPECT_TRUE(serial.onToggle(true));
    return serial;
  }
  void setList(const std::vector<std::string>& names) {
    programmer.functionList().setForRun(names);
  }
  void stopAfterMs(std::int64_t ms) {
    sim.loop.scheduleInMs(ms, [this] { production.stopClicked(); });
  }
  // `action` runs just after the first request with command `code` went out.
  void onFirstSent(std::uint8_t code, std::function<void()> action) {
    programmer.link().setTraceSink(
        [this, code, action, done = false](TraceDirection d, std::int64_t,
                                           std::span<const std::uint8_t> f) mutable {
          if (done || d != TraceDirection::Sent || f.size() < 6) return;
          if (f[f[0] == frame::kPreamble0 ? 5 : 3] != code) return;
          done = true;
          sim.loop.scheduleInUs(1, action);
        });
  }

  sim::SimulatedTarget sim;
  MemorySettingsStore settings;
  PaneHost host{sim.loop};
  Programmer programmer{sim.port, sim.loop, settings, host};
  ProductionLoop production{programmer};
};

}  // namespace qrk::test
