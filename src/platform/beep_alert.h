#pragma once

#include "platform/event_loop.h"
#include "platform/host.h"

namespace qrk {

// The failure alert: three beeps 150 ms apart. Waits on the event loop, so
// Stop and the port stay alive while it sounds.
void beepAlert(Host& host, EventLoop& loop);

}  // namespace qrk
