// The production record and the serial counter in SQLite files and in a
// PostgreSQL server the test starts itself.
#include "qt/sql_production_record.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <set>
#include <tuple>

#include "support/postgres_server.h"

namespace qrk {
namespace {

using Access = SqlProductionRecord::Access;

void needApplication() {
  static int argc = 1;
  static char* argv[] = {const_cast<char*>("test_qt"), nullptr};
  static QCoreApplication app(argc, argv);
}

ChipRecord chip(std::string station, ChipOutcome outcome, std::optional<std::string> serial = {},
                bool kept = false) {
  return {
      .time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'796'630'462'345)),
      .station = std::move(station),
      .port = "/dev/ttyUSB0",
      .model = "QRK5-16B",
      .chipId = "F104",
      .bootloaderVersion = "32",
      .imageFile = "/srv/fw/app.hex",
      .checksum = "001FE00H       ",
      .serial = std::move(serial),
      .serialKept = kept,
      .function = "Auto",
      .outcome = outcome,
      .failureLine = outcome == ChipOutcome::Ok ? "" : "Program is failure!",
      .duration = std::chrono::milliseconds(2345)};
}

// Runs statements on a connection of the test's own beside the program's, as
// an older program or another tool would.
void rawExec(const RecordLocation& location, const QStringList& statements) {
  {
    const bool postgres = location.kind == RecordLocation::Kind::Postgres;
    QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", "raw");
    db.setDatabaseName(postgres ? location.database : location.path);
    if (postgres) {
      db.setConnectOptions(QString("host=%1;port=%2;user=%3")
                               .arg(location.host)
                               .arg(location.port)
                               .arg(location.user));
    }
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    for (const QString& sql : statements) ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
  }
  QSqlDatabase::removeDatabase("raw");
}

class SqliteRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    needApplication();
    ASSERT_TRUE(dir_.isValid());
    location_.path = dir_.filePath("line.sqlite");
  }
  std::unique_ptr<SqlProductionRecord> open(Access access = Access::ReadWrite) {
    std::string error;
    auto record = SqlProductionRecord::open(location_, access, &error);
    EXPECT_TRUE(record) << error;
    return record;
  }

  QTemporaryDir dir_;
  RecordLocation location_;
};

TEST_F(SqliteRecord, EveryChipIsOneWholeRowAndAFailingWriteLeavesNoPartOfIt) {
  auto record = open();
  ASSERT_TRUE(record);
  std::string error;
  ASSERT_TRUE(record->prepareCounter(7, 1, &error)) << error;
  ASSERT_EQ(record->take(&error), "7");
  ASSERT_EQ(record->take(&error), "8");
  ASSERT_TRUE(record->record(chip("A", ChipOutcome::Ok, "7", true), &error)) << error;
  ChipRecord stopped = chip("B", ChipOutcome::Stopped);
  stopped.chipId = stopped.bootloaderVersion = "";
  ASSERT_TRUE(record->record(stopped, &error)) << error;

  auto rows = record->chips({}, &error);
  ASSERT_TRUE(rows) << error;
  ASSERT_EQ(rows->size(), 2u);
  const ChipRecord& a = rows->at(0);
  const ChipRecord want = chip("A", ChipOutcome::Ok, "7", true);
  EXPECT_EQ(a.time, want.time);
  EXPECT_EQ(std::tie(a.station, a.port, a.model, a.chipId, a.bootloaderVersion, a.imageFile,
                     a.checksum, a.serial, a.serialKept, a.function, a.failureLine, a.duration),
            std::tie(want.station, want.port, want.model, want.chipId, want.bootloaderVersion,
                     want.imageFile, want.checksum, want.serial, want.serialKept, want.function,
                     want.failureLine, want.duration));
  EXPECT_EQ(rows->at(1).outcome, ChipOutcome::Stopped);
  EXPECT_EQ(rows->at(1).serial, std::nullopt);
  EXPECT_EQ(record->chips({std::nullopt, 7}, &error)->size(), 1u);
  EXPECT_EQ(record->chips({"2026-12-07T08:01:02.346Z", {}}, &error)->size(), 0u);

  // The give-back fails after the row went in: the row must go too, and 8
  // stays noted as taken rather than being handed out again.
  rawExec(location_, {"CREATE TRIGGER refuse BEFORE INSERT ON serial_returned BEGIN"
                      " SELECT RAISE(ABORT, 'disk full'); END"});
  EXPECT_FALSE(record->record(chip("A", ChipOutcome::Failed, "8"), &error));
  EXPECT_EQ(error, "disk full");
  EXPECT_EQ(record->chips({}, &error)->size(), 2u);
  const auto taken = record->takenWithoutRecord(&error);
  ASSERT_TRUE(taken);
  ASSERT_EQ(taken->size(), 1u);
  EXPECT_EQ(taken->at(0).serial, 8);
  EXPECT_EQ(record->take(&error), "9");
}

TEST_F(SqliteRecord, TheSchemaIsTheProgramsOwnAndANewerOneIsRefused) {
  std::string error;
  EXPECT_FALSE(SqlProductionRecord::open(location_, Access::ReadOnly, &error));
  EXPECT_FALSE(QFile::exists(location_.path)) << "reading never creates a record";
  EXPECT_TRUE(open());
  EXPECT_TRUE(open(Access::ReadOnly)) << "opening again upgrades nothing";

  rawExec(location_, {"UPDATE schema_version SET version = 99"});
  for (Access access : {Access::ReadWrite, Access::ReadOnly}) {
    EXPECT_FALSE(SqlProductionRecord::open(location_, access, &error));
    EXPECT_NE(error.find("newer qrkprog (record version 99"), std::string::npos) << error;
  }
}

// A record made before the failure codes, as that program left it: the
// upgrade keeps its rows, and `log` reads it as it is before any upgrade.
void checkUpgradeKeepsRows(const RecordLocation& location) {
  const QString key = location.kind == RecordLocation::Kind::Postgres
                          ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                          : "INTEGER PRIMARY KEY";
  rawExec(location,
          {

              "CREATE TABLE schema_version (version INTEGER NOT NULL)",
              "INSERT INTO schema_version (version) VALUES (1)",
              "CREATE TABLE chips (id " + key +
                  ", recorded_at TEXT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL,"
                  " model TEXT NOT NULL, chip_id TEXT NOT NULL, bootloader_version TEXT NOT NULL,"
                  " image_file TEXT NOT NULL, checksum TEXT NOT NULL, serial BIGINT,"
                  " serial_kept INTEGER NOT NULL, function_name TEXT NOT NULL,"
                  " result TEXT NOT NULL CHECK (result IN ('ok', 'failed', 'stopped')),"
                  " failure_line TEXT NOT NULL, duration_ms BIGINT NOT NULL)",
              QString("INSERT INTO chips (recorded_at, station, port, model, chip_id,"
                      " bootloader_version, image_file, checksum, serial, serial_kept,"
                      " function_name, result, failure_line, duration_ms) VALUES"
                      " ('2026-12-01T08:00:00.000Z', 'old', 'COM3', 'QRK5-16B', 'F104', '32',"
                      " 'a.hex', '1234H', 7, 0, 'Auto', 'failed', 'Verify is error!', 1500)")});

  const auto oldRow = [](const std::vector<ChipRecord>& rows) {
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].station, "old");
    EXPECT_EQ(rows[0].serial, "7");
    EXPECT_EQ(rows[0].outcome, ChipOutcome::Failed);
    EXPECT_EQ(rows[0].failureLine, "Verify is error!");
    EXPECT_EQ(rows[0].failureCode, Reason::None) << "no code was recorded then";
    EXPECT_FALSE(rows[0].supplySwitched) << "every chip was powered by hand then";
  };
  std::string error;
  auto reader = SqlProductionRecord::open(location, Access::ReadOnly, &error);
  ASSERT_TRUE(reader) << error;
  auto rows = reader->chips({}, &error);
  ASSERT_TRUE(rows) << error;
  oldRow(*rows);
  reader.reset();

  auto writer = SqlProductionRecord::open(location, Access::ReadWrite, &error);
  ASSERT_TRUE(writer) << error;
  ChipRecord refused = chip("new", ChipOutcome::Failed);
  refused.failureCode = Reason::Refused;
  refused.supplySwitched = true;
  ASSERT_TRUE(writer->record(refused, &error)) << error;
  rows = writer->chips({}, &error);
  ASSERT_TRUE(rows) << error;
  ASSERT_EQ(rows->size(), 2u);
  oldRow(*rows);
  EXPECT_EQ(rows->at(1).failureCode, Reason::Refused);
  EXPECT_TRUE(rows->at(1).supplySwitched);
}

TEST_F(SqliteRecord, AnOlderRecordIsUpgradedWithEveryRowKept) { checkUpgradeKeepsRows(location_); }

TEST(RecordLocation, FilesAndServerAddressesWithTheirSocketFolderAndPort) {
  QString error;
  EXPECT_EQ(RecordLocation::parse("line.sqlite", &error)->kind, RecordLocation::Kind::Sqlite);
  auto server = RecordLocation::parse(
      "postgresql://op:s3cret@/line?host=/tmp/pg%20dir&port=5433&sslmode=disable", &error);
  ASSERT_TRUE(server) << error.toStdString();
  EXPECT_EQ(server->kind, RecordLocation::Kind::Postgres);
  EXPECT_EQ(QStringList({server->user, server->password, server->host, server->database}),
            QStringList({"op", "s3cret", "/tmp/pg dir", "line"}));
  EXPECT_EQ(server->port, 5433);
  EXPECT_TRUE(server->connectOptions.contains("sslmode=disable"));
  EXPECT_FALSE(server->describe().contains("s3cret"));

  for (const char* bad : {"", "postgresql://host/", "postgresql://h/db?port=x", "mysql://h/db"}) {
    EXPECT_FALSE(RecordLocation::parse(bad, &error)) << bad;
  }
}

// The counter's rules, the same on either kind of database.
void checkCounter(const RecordLocation& location) {
  std::string error;
  auto a = SqlProductionRecord::open(location, Access::ReadWrite, &error);
  ASSERT_TRUE(a) << error;
  auto b = SqlProductionRecord::open(location, Access::ReadWrite, &error);
  ASSERT_TRUE(b) << error;
  a->setTaker("A", "p1");
  b->setTaker("B", "p2");
  ASSERT_TRUE(a->prepareCounter(1000, 5, &error)) << error;
  ASSERT_TRUE(b->prepareCounter(1, 5, &error)) << "the first station's seed stays: " << error;
  EXPECT_FALSE(b->prepareCounter(1000, 1, &error));
  EXPECT_NE(error.find("steps by 5"), std::string::npos) << error;

  std::set<std::string> numbers;
  for (int i = 0; i < 10; ++i) {
    for (SqlProductionRecord* station : {a.get(), b.get()}) {
      const auto n = station->take(&error);
      ASSERT_TRUE(n) << error;
      EXPECT_TRUE(numbers.insert(*n).second) << *n << " handed out twice";
    }
  }
  EXPECT_EQ(*numbers.begin(), "1000");
  EXPECT_EQ(a->counterNext(&error), 1100);

  // A chip that did not keep its number gives it back; the next chip on any
  // station gets it before any new one.
  ASSERT_TRUE(a->record(chip("A", ChipOutcome::Failed, "1010"), &error)) << error;
  ASSERT_TRUE(a->record(chip("A", ChipOutcome::Ok, "1005", true), &error)) << error;
  EXPECT_EQ(b->take(&error), "1010");
  EXPECT_EQ(a->take(&error), "1100");
  const auto taken = a->takenWithoutRecord(&error);
  ASSERT_TRUE(taken) << error;
  EXPECT_EQ(taken->size(), 20u);
}

TEST_F(SqliteRecord, SerialNumbersAreHandedOutOnceAndGivenBackNumbersGoFirst) {
  checkCounter(location_);
}

TEST(PostgresRecord, SerialNumbersAreHandedOutOnceAndGivenBackNumbersGoFirst) {
  needApplication();
  test::PostgresServer server;
  if (!server.running()) GTEST_SKIP() << "no PostgreSQL server for this test: " << server.why();
  ASSERT_TRUE(server.createDatabase("line")) << server.why();
  QString error;
  const auto location = RecordLocation::parse(QString::fromStdString(server.url("line")), &error);
  ASSERT_TRUE(location) << error.toStdString();
  checkCounter(*location);
  ASSERT_TRUE(server.createDatabase("old")) << server.why();
  checkUpgradeKeepsRows(*RecordLocation::parse(QString::fromStdString(server.url("old")), &error));

  const auto unreachable =
      RecordLocation::parse(QString::fromStdString(server.url("nosuchdb")), &error);
  std::string reason;
  EXPECT_FALSE(SqlProductionRecord::open(*unreachable, Access::ReadWrite, &reason));
  EXPECT_NE(reason.find("nosuchdb"), std::string::npos) << reason;
}

}  // namespace
}  // namespace qrk
