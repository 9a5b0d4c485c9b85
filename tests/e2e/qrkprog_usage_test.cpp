// Bad usage and bad input end with one line on stderr and status 2, never
// with a crash or a run.
#include <algorithm>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogUsage : public QrkprogTest {};

TEST_F(QrkprogUsage, BadUsageExitsTwoWithOneLine) {
  const std::string verifyId = "run Verify_ID --port /dev/null --model QRK5-16B ";
  const std::string store = "store --file a.bin --from 0 --to 1 ";
  for (const std::string& args : std::vector<std::string>{
           "run",
           "run Verify_ID --model QRK5-16B",
           "run Make_Coffee --port /dev/null",
           "run Verify_ID --port /dev/null --model QRK9-99Z",
           verifyId + "--option LOCK",
           verifyId + "--option TURBO=YES",
           verifyId + "--option LOCK=maybe",
           verifyId + "--isp-space 1.5k",
           verifyId + "--no-such-flag",
           verifyId + "--events json --progress-every -1",
           verifyId + "--events json --progress-every 10ms",
           "options",
           store,
           store + "--out x.bin --fill 7F",
       }) {
    SCOPED_TRACE(args);
    const ProcessResult r = run(args);
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_EQ(r.out, "") << "nothing was run";
    EXPECT_EQ(std::ranges::count(r.err, '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace qrk::test
