#include <cstdlib>
#include <vector>

#include "link/isp_link.h"
#include "platform/virtual_event_loop.h"
#include "support/scripted_port.h"

// Whatever the line delivers, in whatever pieces and at whatever pace, the
// link must end each wait within its ceiling, and a reply it calls ready must
// be one whole frame: its declared length, 68 first, 16 last, a good check,
// with fields that never reach into the check bytes.
//
// Input: byte 0 picks the frame mode and the reply wait; then chunks of
// [pause in ms][length][bytes...], delivered in order on the virtual clock.
namespace {

using namespace qrk;

void checkReply(const IspLink& link, bool crc) {
  const Reply reply = link.takeReply();
  const std::size_t size = reply.size();
  const std::size_t smallest = crc ? 7 : 6;
  if (size < smallest || size > 531) std::abort();
  if (reply.bytes[0] != 0x68 || reply.bytes[size - 1] != 0x16) std::abort();
  if ((std::size_t{reply.bytes[1]} << 8 | reply.bytes[2]) != size) std::abort();
  if (validateReply(reply.bytes, crc) != FrameCheck::Good) std::abort();
  const std::size_t checkBytes = crc ? 2 : 1;
  for (std::size_t i = 0; i < size + 2; ++i) {
    if (reply.at(i).has_value() != (i < size - 1 - checkBytes)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool crc = (data[0] & 1) != 0;
  const int waitMs = (data[0] & 2) != 0 ? 20 : 700;

  VirtualEventLoop loop;
  test::ScriptedPort port(loop);
  IspLink link(port, loop);
  link.openPort("fuzz");
  link.setUseCrc(crc);

  std::int64_t atUs = 0;
  for (std::size_t i = 1; i + 1 < size;) {
    atUs += std::int64_t{data[i]} * 1000;
    const std::size_t length = std::min<std::size_t>(data[i + 1], size - i - 2);
    port.deliverInUs(atUs, std::vector<std::uint8_t>(data + i + 2, data + i + 2 + length));
    i += 2 + length;
  }

  // A command, then a second frame awaited without sending (the blank-check
  // result), which starts from whatever followed the first.
  const std::int64_t ceilingMs =
      std::int64_t{IspLink::kOverallWaitFactor} * waitMs + IspLink::kOverallWaitMarginMs;
  for (int round = 0; round < 2; ++round) {
    const std::int64_t startMs = loop.nowMs();
    if (round == 0) {
      link.sendShortCommand(0x0A, waitMs, 0);
    } else {
      link.expectAnotherFrame(waitMs);
    }
    const WaitOutcome outcome = link.waitReply();
    if (loop.nowMs() - startMs > ceilingMs || outcome == WaitOutcome::Stopped) std::abort();
    if (outcome == WaitOutcome::Ready) checkReply(link, crc);
  }
  return 0;
}
