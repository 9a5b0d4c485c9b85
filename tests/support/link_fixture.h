#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "link/frame.h"
#include "link/isp_link.h"
#include "platform/host.h"
#include "platform/message_pane.h"
#include "platform/virtual_event_loop.h"
#include "support/scripted_port.h"
#include "support/sim_replies.h"

namespace qrk::test {

// A link on virtual time over a scripted port, with a pane to read back.
// `answer[command]` decides the reply to each request (by command code);
// requests without an answer get none.
struct LinkFixture {
  using Bytes = std::vector<std::uint8_t>;
  using Answer = std::function<void(const Bytes& request)>;

  VirtualEventLoop loop;
  ScriptedPort port{loop};
  IspLink link{port, loop};
  NullHost host;
  MessagePane pane{host};
  std::map<std::uint8_t, Answer> answer;
  std::map<std::uint8_t, int> sent;  // requests seen, by command

  LinkFixture() {
    port.onWrite = [this](const Bytes& request) {
      const std::uint8_t command = commandOf(request);
      ++sent[command];
      auto it = answer.find(command);
      if (it != answer.end()) it->second(request);
    };
    link.openPort("scripted");
  }

  static std::uint8_t commandOf(const Bytes& request) {
    const std::size_t offset = (request.size() > 2 && request[0] == frame::kPreamble0) ? 2 : 0;
    return request.size() > offset + 3 ? request[offset + 3] : 0xFF;
  }

  // Reply `code data...` after `delayUs`.
  void reply(std::uint8_t code, Bytes data = {}, std::int64_t delayUs = 500) {
    port.deliverInUs(delayUs, buildReply(code, data));
  }
  Answer replies(std::uint8_t code, Bytes data = {}) {
    return [this, code, data](const Bytes&) { reply(code, data); };
  }
};

}  // namespace qrk::test
