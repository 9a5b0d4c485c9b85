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
    return parseCsv(run("log --csv --db " + db, 0).out);
  }

  std::string firmwarePath_;
};

TEST_F(QrkprogRecord, EveryChipIsARowAndOnlyChipsThatEndTheirCycleKeepTheirNumber) {
  const std::string db = path("line.sqlite");
  Simulator good("--model QRK5-16B --flash-out " + path("flash.bin"));
  run(autoRun(good.portPath(), db, "--station st1 --repeat 2 --delay 2"), 0);
  // A chip that never acknowledges its option bytes: programmed with 0043,
  // which then goes to the next chip instead.
  Simulator refusing("--model QRK5-16B --fault drop:1+@05");
  run(autoRun(refusing.portPath(), db, "--station st1"), 1);
  run(autoRun(good.portPath(), db, "--station st1"), 0);
  good.stop();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0x100, 2), std::string("\x00\x43", 2));

  const std::vector<Row> rows = log(db);
  std::vector<std::string> chips;
  for (const Row& row : rows) {
    chips.push_back(row.at("serial") + " " + row.at("serial_kept") + " " + row.at("result") +
                    " " + row.at("failure_code") + " " + row.at("failure_line"));
  }
  EXPECT_THAT(chips, ElementsAre("41 1 ok  ", "42 1 ok  ",
                                 "43 0 failed no-answer Write Option is failure!", "43 1 ok  "));
  ASSERT_EQ(rows.size(), 4u);
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
  const ProcessResult r = run("log --db " + db);
  EXPECT_THAT(r.out, HasSubstr("43*"));
  EXPECT_THAT(r.out, HasSubstr("Write Option is failure!"));
  run("log --since yesterday --db " + db, 2);
}

// Each fault of a chip reaches the line system and the record as its own
// reason code with its details, decided by the outcome and not by the words
// the pane happened to use.
TEST_F(QrkprogRecord, EveryFaultIsRecordedAndReportedWithItsReasonCode) {
  writeFile(path("app.bin"), std::string(0x3000, '\x5A'));
  // The chip, the list, then the step, reason, text and details run-ended gives;
  // Ctrl-C comes in the middle of programming where a case says so.
  struct Case {
    const char *chip, *list, *phase, *reason, *text, *details;
    bool ctrlC = false;
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
      {"--baud-emulation", "Erase_All,Program", "Program", "stopped", "Stop by user!", "{}", true},
  };
  const std::string db = path("faults.sqlite");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chip + std::string(" ") + c.list);
    Simulator sim(std::string("--model QRK5-16B ") + c.chip);
    ChildProcess child("qrkprog", "run Auto --model QRK5-16B --fill FF --events json --file " +
                                      path("app.bin") + " --list " + c.list + " --port " +
                                      sim.portPath() + " --settings " + path("none.ini") +
                                      " --db " + db);
    if (c.ctrlC) {
      ASSERT_TRUE(child.waitForOutput("\"phase\":\"Program\"", 20s)) << child.out() << child.err();
      child.sendSignal(SIGINT);
    }
    const ProcessResult r = child.wait(60s);
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
    const ProcessResult r = run(autoRun(sim.portPath(), db), 2);
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_THAT(r.out, Not(HasSubstr("We are connecting")));
  }
  ::close(fd);

  run("log --db " + path("absent.sqlite"), 2);
  EXPECT_FALSE(std::filesystem::exists(path("absent.sqlite")));
}

}  // namespace
}  // namespace qrk::test
