#include "platform/virtual_event_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/beep_alert.h"
#include "support/recording_host.h"

namespace qrk {
namespace {

TEST(VirtualEventLoop, TimersFireInOrderAndCanBeRestartedStoppedOrDestroyed) {
  VirtualEventLoop loop;
  std::vector<int> fired;
  auto a = loop.createTimer();
  auto b = loop.createTimer();
  auto c = loop.createTimer();
  a->setHandler([&] { fired.push_back(1); });
  b->setHandler([&] { fired.push_back(2); });
  c->setHandler([&] { fired.push_back(3); });
  a->start(30);
  b->start(10);
  c->start(20);
  b->start(40);  // restarting moves it
  c->stop();
  loop.waitUntil([&] { return fired.size() == 2; });
  EXPECT_EQ(fired, (std::vector<int>{1, 2}));
  EXPECT_EQ(loop.nowMs(), 40);
  EXPECT_FALSE(a->isActive());
  EXPECT_FALSE(c->isActive());

  // A destroyed timer is cancelled.
  bool destroyedFired = false;
  {
    auto t = loop.createTimer();
    t->setHandler([&] { destroyedFired = true; });
    t->start(5);
  }
  loop.advanceMs(10);
  EXPECT_FALSE(destroyedFired);
  EXPECT_EQ(loop.nowMs(), 50);
}

TEST(VirtualEventLoop, AWaitThatCouldNeverEndThrowsInsteadOfHanging) {
  VirtualEventLoop loop;
  EXPECT_THROW(loop.waitUntil([] { return false; }), VirtualDeadlock);
  loop.setWaitLimitMs(100);
  std::function<void()> tick = [&] { loop.scheduleInMs(10, tick); };
  tick();
  EXPECT_THROW(loop.waitUntil([] { return false; }), VirtualDeadlock);
}

TEST(BeepAlert, ThreeBeepsAHundredAndFiftyMsApart) {
  VirtualEventLoop loop;
  test::RecordingHost host;
  beepAlert(host, loop);
  EXPECT_EQ(host.beeps, 3);
  EXPECT_EQ(loop.nowMs(), 450);
}

}  // namespace
}  // namespace qrk
