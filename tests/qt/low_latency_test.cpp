#include "platform/qt/low_latency.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

namespace qrk {
namespace {

// A pseudo-terminal has no serial driver behind it: the request is refused
// with a reason, and nothing else happens to the line.
TEST(LowLatencyTest, ARefusingDriverIsReportedNotFatal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);

  std::string reason;
  EXPECT_FALSE(requestLowLatency(slave, &reason));
  EXPECT_FALSE(reason.empty());
  // The line still carries bytes.
  ASSERT_EQ(::write(master, "x\n", 2), 2);
  char line[2] = {};
  EXPECT_EQ(::read(slave, line, 2), 2);

  ::close(slave);
  ::close(master);
  EXPECT_FALSE(requestLowLatency(-1, &reason));
  EXPECT_FALSE(requestLowLatency(slave));  // closed by now
}

}  // namespace
}  // namespace qrk
