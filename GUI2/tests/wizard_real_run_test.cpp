// The whole wizard over the program's own sides: the TDS test server read
// through FreeTDS, a real Access 2000 file written.  The file must be the
// one the console agent writes with the same choices (compared through
// mdbtools) and pass jetcheck --strict; a merge into it lists the
// duplicate keys on the finish page.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <algorithm>

#include "GUI2/gui_finish_page.h"
#include "GUI2/tests/wizard_harness.h"
#include "MSS/tests/test_server.h"

namespace {

// Harbor tables: two keyed with indexes and two whose names Access refuses.
const std::vector<std::string> harbor_tables = {"Customers", "Employees", "a.b", "[x]"};

struct run_result {
  int code = -1;
  QString out, err;
};

run_result run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  run_result result;
  if (!process.waitForFinished(120000)) return result;
  result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

QString tool_output(const QString& program, const QStringList& args) {
  run_result result = run(program, args);
  if (result.code != 0) qWarning("%s failed: %s", qPrintable(program), qPrintable(result.err));
  return result.out;
}

QStringList mdb_tables(const QString& file) {
  return tool_output("mdb-tables", {"-1", file}).split('\n', Qt::SkipEmptyParts);
}

// Everything mdbtools reads of a file, table by table in name order (the
// wizard converts the chosen tables sorted, the agent in its list's order):
// each table's schema with its indexes, and its rows.
QString mdb_dump(const QString& file) {
  QStringList tables = mdb_tables(file);
  tables.sort();
  QString dump;
  for (const QString& table : tables) {
    dump += tool_output("mdb-schema", {"-T", table, "--indexes", "--not-null", "--default-values", file, "mysql"});
    dump += tool_output("mdb-export", {file, table});
  }
  return dump;
}

int row_count(const QString& file, const QString& table) {
  return tool_output("mdb-count", {file, table}).trimmed().toInt();
}

// The dump with the file name left out, so that two files compare.
QString without_name(QString dump, const QString& file) { return dump.replace(file, "FILE"); }

// The first line where two dumps differ, for the failure message.
QString first_difference(const QString& a, const QString& b) {
  QStringList left = a.split('\n'), right = b.split('\n');
  for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
    QString l = left.value(i, "<end>"), r = right.value(i, "<end>");
    if (l != r) return QString("line %1: wizard '%2', agent '%3'").arg(i + 1).arg(l, r);
  }
  return {};
}

}  // namespace

class wizard_real_run_test : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase() { server_.reset(); }
  void wizard_writes_what_the_agent_writes();
  void merge_into_the_written_file();

 private:
  void start(wizard_harness& h) {
    h.use_real_server({server_->host(), "quill", "Secret-1", "127.0.0.1,1", "wrong", "Harbor", {}});
    h.start();
    h.to_databases_page();
  }

  std::unique_ptr<test_server> server_;
  QTemporaryDir files_;
  QString wizard_file_;
};

void wizard_real_run_test::initTestCase() {
  server_ = std::make_unique<test_server>("demo.json");
  QVERIFY(server_->running());
  wizard_file_ = files_.path() + "/wizard.mdb";
}

void wizard_real_run_test::wizard_writes_what_the_agent_writes() {
  {
    wizard_harness h;
    start(h);
    QCOMPARE(h.page_id(), int(page_databases));
    h.find<QComboBox>(1302)->setCurrentIndex(1);  // MS Access 2000
    h.to_tables_page("Harbor", wizard_file_);
    QCOMPARE(h.page_id(), int(page_tables));
    QVERIFY(h.run_tables(harbor_tables));
    QCOMPARE(h.find<QLabel>(1314)->text().toStdString(), std::string(finish_msg_success));
    QVERIFY(!h.find<QPlainTextEdit>(1016)->isVisible());
    QVERIFY(h.click(QWizard::FinishButton));
    QCOMPARE(h.dialogs().unexpected, 0);
  }
  run_result check = run(QUILL_JETCHECK_PATH, {"--strict", wizard_file_});
  QVERIFY2(check.code == 0, qPrintable(check.out + check.err));
  QCOMPARE(tool_output("mdb-ver", {wizard_file_}).trimmed(), QString("JET4"));

  QString listing = files_.path() + "/tables.txt";
  QFile list(listing);
  QVERIFY(list.open(QIODevice::WriteOnly));
  for (const std::string& table : harbor_tables) list.write((table + "\n").c_str());
  list.close();
  QString agent_file = files_.path() + "/agent.mdb";
  run_result agent = run(QUILL_AGENT_PATH, {"--mssqlh=" + QString::fromStdString(server_->host()), "--mssqlu=quill",
                                            "--mssqlp=Secret-1", "--src=Harbor", "--dest=" + agent_file,
                                            "--acc_ver=1", "--tab_file=" + listing});
  QVERIFY2(agent.code == 0, qPrintable(agent.out + agent.err));

  QStringList tables = mdb_tables(wizard_file_);
  tables.sort();
  QCOMPARE(tables, (QStringList{"Customers", "Employees", "_x_", "a_b"}));
  QCOMPARE(row_count(wizard_file_, "Customers"), 200);
  QCOMPARE(row_count(wizard_file_, "Employees"), 8);
  QString schema = tool_output("mdb-schema", {"--indexes", wizard_file_, "mysql"});
  QVERIFY2(schema.contains("UX_Customers_Code") && schema.contains("IX_Employees_Name"), qPrintable(schema));
  QString wizard_dump = without_name(mdb_dump(wizard_file_), wizard_file_);
  QString agent_dump = without_name(mdb_dump(agent_file), agent_file);
  QVERIFY(wizard_dump.contains("ADD UNIQUE INDEX `UX_Customers_Code`") && wizard_dump.contains("Ålesund Fiskehandel AS"));
  QVERIFY2(wizard_dump == agent_dump, qPrintable(first_difference(wizard_dump, agent_dump)));
}

// Mode 3 over the first run's file: each repeated key of Employees an
// error on the finish page, the file sound.  A source name Access refuses
// is renamed past every name the file holds, so "[x]" lands in a new
// "_x__" beside the "_x_" of the first run instead of merging into it.
void wizard_real_run_test::merge_into_the_written_file() {
  if (!QFile::exists(wizard_file_)) QSKIP("the first run wrote no file");
  wizard_harness h;
  start(h);
  h.dialogs().expect(choose_mode(3));
  h.to_tables_page("Harbor", wizard_file_);
  QCOMPARE(h.page_id(), int(page_tables));
  QCOMPARE(h.driver().mode(), 3);
  h.dialogs().expect(tick_and_click(1222, 2));  // go on, and do not ask again
  QVERIFY(h.run_tables({"Employees", "[x]"}));
  QCOMPARE(h.find<QLabel>(1314)->text().toStdString(), std::string(finish_msg_errors));
  QStringList entries = h.find<QPlainTextEdit>(1016)->toPlainText().split("\n\n", Qt::SkipEmptyParts);
  QCOMPARE(entries.size(), 8);
  QVERIFY2(entries[0].startsWith("Employees, record #1: Duplicate field values being used for an unique index"),
           qPrintable(entries[0]));
  QVERIFY2(entries[7].startsWith("Employees, record #8: "), qPrintable(entries[7]));
  QVERIFY(h.click(QWizard::FinishButton));
  QCOMPARE(h.dialogs().unexpected, 0);
  QStringList tables = mdb_tables(wizard_file_);
  tables.sort();
  QCOMPARE(tables, (QStringList{"Customers", "Employees", "_x_", "_x__", "a_b"}));
  QCOMPARE(row_count(wizard_file_, "_x_"), 2);
  QCOMPARE(row_count(wizard_file_, "_x__"), 2);
  QCOMPARE(row_count(wizard_file_, "Employees"), 8);
  QCOMPARE(row_count(wizard_file_, "Customers"), 200);
  run_result check = run(QUILL_JETCHECK_PATH, {"--strict", wizard_file_});
  QVERIFY2(check.code == 0, qPrintable(check.out + check.err));
}

int run_wizard_real_run_tests(int argc, char** argv) {
  wizard_real_run_test test;
  return QTest::qExec(&test, argc, argv);
}

#include "wizard_real_run_test.moc"
