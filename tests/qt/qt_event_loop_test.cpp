#include "platform/qt/qt_event_loop.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <ctime>

#include "qt_app.h"

namespace qrk {
namespace {

double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class QtEventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { test::qtApp(); }
  QtEventLoop loop;
};

TEST_F(QtEventLoopTest, WaitEndsWhenTimerFiresAndSleepsMeanwhile) {
  auto timer = loop.createTimer();
  bool fired = false;
  bool activeInHandler = true;
  timer->setHandler([&] {
    fired = true;
    activeInHandler = timer->isActive();
  });
  const std::int64_t start = loop.nowMs();
  const double cpuBefore = processCpuMs();
  timer->start(200);
  EXPECT_TRUE(timer->isActive());
  loop.waitUntil([&] { return fired; });
  const double cpuSpent = processCpuMs() - cpuBefore;
  const std::int64_t elapsed = loop.nowMs() - start;

  EXPECT_FALSE(activeInHandler) << "a one-shot timer is inactive when its handler runs";
  EXPECT_GE(elapsed, 199);
  EXPECT_LT(elapsed, 1000);
  // A spinning wait would burn the whole 200 ms.
  EXPECT_LT(cpuSpent, 20.0) << "waitUntil used " << cpuSpent << " ms of CPU in " << elapsed
                            << " ms";
}

TEST_F(QtEventLoopTest, StoppedTimerNeverFiresAndRestartRearms) {
  auto stopped = loop.createTimer();
  auto rearmed = loop.createTimer();
  auto end = loop.createTimer();
  int stoppedFired = 0;
  int rearmedFired = 0;
  bool done = false;
  stopped->setHandler([&] { ++stoppedFired; });
  rearmed->setHandler([&] { ++rearmedFired; });
  end->setHandler([&] { done = true; });

  stopped->start(10);
  stopped->stop();
  EXPECT_FALSE(stopped->isActive());
  rearmed->start(10);
  rearmed->start(60);  // replaces the first arming, fires once
  end->start(120);
  loop.waitUntil([&] { return done; });

  EXPECT_EQ(stoppedFired, 0);
  EXPECT_EQ(rearmedFired, 1);
}

TEST_F(QtEventLoopTest, WaitReturnsAtOnceWhenAlreadyDone) {
  int asked = 0;
  loop.waitUntil([&] {
    ++asked;
    return true;
  });
  EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace qrk
