// The production record of qrkprog run against qrksim: one row per chip with
// its fields and its reason code, serial numbers from the record's counter,
// refusals before anything is sent.
#include <fcntl.h>

#include <QStringList>
#include <map>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

using Row = std::map<std::string, std::string>;

// `qrkprog log --csv` as rows keyed by the header's names. No field in these
// tests holds a comma or a quote.
std::vector<Row> parseCsv(const std::string& csv) {
  const QStringList lines = QString::fromStdString(csv).split('\n', Qt::SkipEmptyParts);
  std::vector<Row> rows;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QStringList header = lines[0].split(','), fields = lines[i].split(',');
    Row& row = rows.emplace_back();
    for (qsizetype c = 0; c < header.size() && c < fields.size(); ++c)
      row[header[c].toStdString()] = fields[c].toStdString();
  }
  return rows;
}

class QrkprogRecord : public QrkprogTest {
 protected:
  void SetUp() override {
    QrkprogTest::SetUp();
    // A two-byte decimal serial number at 0x0101, next 0041.
    writeFile(path("station.ini"),
              "[Auto_Increase]\naddress=0101\nLength=2\nnext_value=0041\nIncrease=1\n"
              "numeral_system=1\n");
    firmwarePath_ = std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex";
  }
  // Auto on the chip at `port`, numbered, recorded in `db`.
  std::string autoRun(const std::string& port, const std::string& db,
                      const std::string& more = "") const {
    return "run Auto --model QRK5-16B --port " + port + " --file " + firmwarePath_ +
           " --settings " + path("station.ini") + " --serial --db " + db + " " + more;
  }
  std::vector<Row> log(const std::string& db) {
    const ProcessResult r = run("log --csv --db " + db);
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    return parseCsv(r.out);
  }
  static std::vector<std::string> column(const std::vector<Row>& rows, const std::string& name) {
    std::vector<std::string> values;
    for (const Row& row : rows) values.push_back(row.at(name));
    return values;
  }

  std::string firmwarePath_;
};

TEST_F(QrkprogRecord, EveryChipIsARowAndOnlyChipsThatEndTheirCycleKeepTheirNumber) {
  const std::string db = path("line.sqlite");
  Simulator good("--model QRK5-16B --flash-out " + path("flash.bin"));
  ProcessResult r = run(autoRun(good.portPath(), db, "--station st1 --repeat 2 --delay 2"));
  EXPECT_EQ(r.exitCode, 0) << describe(r);

  // A chip that never acknowledges its option bytes: programmed with 0043,
  // which then goes to the next chip instead.
  Simulator refusing("--model QRK5-16B --fault drop:1+@05");
  r = run(autoRun(refusing.portPath(), db, "--station st1"));
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  r = run(autoRun(good.portPath(), db, "--station st1"));
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  good.stop();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0x100, 2), std::string("\x00\x43", 2));

  const std::vector<Row> rows = log(db);
  ASSERT_EQ(rows.size(), 4u) << run("log --db " + db).out;
  EXPECT_THAT(column(rows, "serial"), ElementsAre("41", "42", "43", "43"));
  EXPECT_THAT(column(rows, "serial_kept"), ElementsAre("1", "1", "0", "1"));
  EXPECT_THAT(column(rows, "result"), ElementsAre("ok", "ok", "failed", "ok"));
  EXPECT_EQ(rows[2].at("failure_line"), "Write Option is failure!");
  EXPECT_THAT(column(rows, "failure_code"), ElementsAre("", "", "no-answer", ""));
  EXPECT_EQ(rows[2].at("port"), refusing.portPath());
  const Row& first = rows[0];
  std::string fields;
  for (const char* name : {"station", "port", "model", "chip_id", "bootloader_version", "function",
                           "image_file", "failure_line"})
    fields += first.at(name) + "|";
  EXPECT_EQ(fields, "st1|" + good.portPath() + "|QRK5-16B|F104|32|Auto|" + firmwarePath_ + "||");
  EXPECT_THAT(first.at("checksum"), ::testing::EndsWith("H"));
  EXPECT_THAT(first.at("time"), StartsWith("20"));
  EXPECT_LT(rows[0].at("time"), rows[1].at("time"));

  // The filters, and the readable table.
  EXPECT_EQ(parseCsv(run("log --csv --serial 43 --db " + db).out).size(), 2u);
  r = run("log --db " + db);
  EXPECT_THAT(r.out, HasSubstr("43*"));
  EXPECT_THAT(r.out, HasSubstr("Write Option is failure!"));
  EXPECT_EQ(run("log --since yesterday --db " + db).exitCode, 2);
}

// Each fault of a chip reaches the line system and the record as its own
// reason code with its details, decided by the outcome and not by the words
// the pane happened to use.
TEST_F(QrkprogRecord, EveryFaultIsRecordedAndReportedWithItsReasonCode) {
  writeFile(path("app.bin"), std::string(0x200, '\x5A'));
  // The chip, the list, then the step, reason, text and details run-ended gives.
  struct Case {
    const char *chip, *list, *phase, *reason, *text, *details;
  };
  const Case cases[] = {
      {"--power-on-after 100000", "Verify_ID", "Connect", "no-answer", "Communication is failure!",
       "{}"},
      {"--fault drop:all@08", "Erase_All", "Erase_All", "no-answer", "Erase whole chip is failure!",
       "{}"},
      {"--fault wrong-id:all", "Verify_ID", "Verify_ID", "wrong-id",
       "Already encrypt or Invalid MCU type!", R"({"id": "0EFB"})"},
      {"--fault not-blank:0123", "Blank_Check", "Blank_Check", "not-blank", "Chip is not blank!",
       R"({"address": 291, "expected": 255, "actual": 0})"},
      {"--fault bad-ack:all", "Program", "Program", "refused", "Program is failure!",
       R"({"address": 0})"},
      // The cell cannot hold the image's 5A: the page sums differ from its page on.
      {"--fault not-blank:0123", "Program,Verify", "Verify", "mismatch", "Verify is error!",
       R"({"address": 256})"},
  };
  const std::string db = path("faults.sqlite");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chip + std::string(" ") + c.list);
    Simulator sim(std::string("--model QRK5-16B ") + c.chip);
    const ProcessResult r = run("run Auto --model QRK5-16B --fill FF --events json --file " +
                                path("app.bin") + " --list " + c.list + " --port " +
                                sim.portPath() + " --settings " + path("none.ini") + " --db " + db);
    EXPECT_EQ(r.exitCode, 1) << describe(r);
    QJsonObject ended, result;
    for (const QJsonObject& e : jsonEvents(r.out)) {
      if (e.value("event") == "run-ended") ended = e;
      if (e.value("event") == "result") result = e;
    }
    EXPECT_EQ(ended.value("phase").toString().toStdString(), c.phase) << r.out;
    EXPECT_EQ(ended.value("reason").toString().toStdString(), c.reason);
    EXPECT_EQ(ended.value("text").toString().toStdString(), c.text);
    const QJsonObject details = QJsonDocument::fromJson(c.details).object();
    for (auto detail = details.begin(); detail != details.end(); ++detail)
      EXPECT_EQ(ended.value(detail.key()), detail.value()) << detail.key().toStdString();
    EXPECT_EQ(result.value("reason").toString().toStdString(), c.reason);
    const Row row = log(db).back();
    EXPECT_EQ(row.at("failure_code"), c.reason);
    EXPECT_EQ(row.at("failure_line"), c.text);
  }
}

// Ctrl-C in the middle of programming: the chip's row says "stopped" and its
// number goes back to the counter.
TEST_F(QrkprogRecord, AStoppedChipGivesItsNumberBack) {
  const std::string db = path("line.sqlite");
  std::string image(0x3000, '\x5A');
  writeFile(path("big.bin"), image);
  firmwarePath_ = path("big.bin");
  Simulator slow("--model QRK5-16B --baud-emulation");
  ChildProcess child("qrkprog", autoRun(slow.portPath(), db, "--fill FF"));
  ASSERT_TRUE(child.waitForOutput("Blank_Check     OK!", 20s)) << child.out() << child.err();
  child.sendSignal(SIGINT);
  const ProcessResult r = child.wait(10s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);

  const std::vector<Row> rows = log(db);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("result"), "stopped");
  EXPECT_EQ(rows[0].at("failure_line"), "Stop by user!");
  EXPECT_EQ(rows[0].at("failure_code"), "stopped");
  EXPECT_EQ(rows[0].at("serial"), "41");
  EXPECT_EQ(rows[0].at("serial_kept"), "0");
}

TEST_F(QrkprogRecord, ARecordThatCannotBeWrittenOrReachedIsRefusedBeforeAnythingIsSent) {
  Simulator sim("--model QRK5-16B");
  writeFile(path("plain-file"), "x");
  // Another program holds the file's write lock (the byte range SQLite locks).
  const std::string locked = path("locked.sqlite");
  writeFile(locked, "");
  const int fd = ::open(locked.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0x40000000;
  lock.l_len = 512;
  ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
  const std::string noServer = path("no-server");
  for (const auto& [db, message] : std::vector<std::pair<std::string, std::string>>{
           // Under a file, so no folder can be made even by root.
           {path("plain-file") + "/line.sqlite", "cannot use the production record"},
           {"postgresql://qrk@/line?host=" + noServer + "&port=5",
            "postgresql://qrk@" + noServer + ":5/line"},
           {locked, "locked"}}) {
    SCOPED_TRACE(db);
    const ProcessResult r = run(autoRun(sim.portPath(), db));
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_THAT(r.out, Not(HasSubstr("We are connecting")));
  }
  ::close(fd);

  EXPECT_EQ(run("log --db " + path("absent.sqlite")).exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(path("absent.sqlite")));
}

}  // namespace
}  // namespace qrk::test
