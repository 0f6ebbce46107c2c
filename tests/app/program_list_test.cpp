#include "app/program_list.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>

#include "app/message_box.h"
#include "app/program_list_model.h"
#include "app/status_images.h"
#include "inventory/registry_program.h"
#include "platform/posix/posix_registry.h"
#include "settings/ignore_marks.h"
#include "support/temp_dir.h"

using lintrove::IgnoreMarks;
using lintrove::Program;
using lintrove::ProgramStatus;
using lintrove::ProgramVerdict;
using lintrove::RegistryProgram;
using lintrove::StatusFilter;
using lintrove::VerdictList;
using lintrove::app::MessageBox;
using lintrove::app::ProgramList;
using lintrove::app::ProgramListModel;

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(lintrove::StatusFilter)

namespace {

// A record as a scan makes it: a program of the Uninstall key, whose identity is its key's
// name, display name and version.
struct Entry {
  std::string name;
  ProgramStatus status = ProgramStatus::Unknown;
  std::string version = "1.0";
  std::string key = "K";
};

VerdictList Records(const std::vector<Entry>& entries) {
  VerdictList records;
  for (const Entry& entry : entries) {
    auto program = std::make_unique<RegistryProgram>();
    program->DisplayName = entry.name;
    program->DisplayVersion = entry.version;
    program->RegistryKey = entry.key;
    auto record = std::make_unique<ProgramVerdict>();
    record->program = std::move(program);
    record->status = entry.status;
    records.Add(std::move(record));
  }
  return records;
}

std::string Identifier(const Entry& entry) { return entry.key + entry.name + entry.version; }

// A registry store of the test's own and a list writing its marks there.
struct Machine {
  lintrove::test::TempDir dir;
  lintrove::platform::PosixRegistry registry{dir.Path()};
  std::filesystem::path UserFile() const { return dir / "HKEY_CURRENT_USER.reg"; }
  // The store's file is a regedit export: UTF-16LE behind a byte order mark.
  QString UserFileText() const {
    const std::string bytes = lintrove::test::ReadFileBytes(UserFile());
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data() + 2),
                              qsizetype(bytes.size() / 2 - 1));
  }
  bool Marked(const Entry& entry) { return IgnoreMarks(registry).IsIgnored(Identifier(entry)); }
};

constexpr StatusFilter kShowAll{true, true, true, true};
constexpr StatusFilter kShowNothing{false, false, false, false};

QModelIndex Row(const ProgramList& list, int row) { return list.model()->index(row, 0); }

// The names of the rows the list shows, top to bottom.
QStringList VisibleNames(const ProgramList& list) {
  QStringList names;
  for (int row = 0; row < list.model()->rowCount(); ++row) {
    names << Row(list, row).data().toString();
  }
  return names;
}

bool IsChecked(const ProgramList& list, int row) {
  return Row(list, row).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

// As the check box does when the user clicks it.
void UserChecks(ProgramList& list, int row, bool checked) {
  QVERIFY(list.model()->setData(Row(list, row), checked ? Qt::Checked : Qt::Unchecked,
                                Qt::CheckStateRole));
}

}  // namespace

class ProgramListTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { MessageBox::ResetTestHook(); }

  void sortsByNameByteForByteKeepingTheScanOrderOfEqualNames_data() {
    QTest::addColumn<QStringList>("scanned");
    QTest::addColumn<std::vector<int>>("listed");  // positions in the scan
    QTest::newRow("upper case first") << QStringList{"adobe", "Zip"} << std::vector{1, 0};
    QTest::newRow("prefix first") << QStringList{"Office 2003", "Office"} << std::vector{1, 0};
    QTest::newRow("equal names in scan order")
        << QStringList{"Same", "Alpha", "Same", "Same"} << std::vector{1, 0, 2, 3};
    QTest::newRow("letters beyond ASCII after it")
        << QStringList{"Ärger", "zeta", "Zeta"} << std::vector{2, 1, 0};
    QTest::newRow("empty name first") << QStringList{"a", ""} << std::vector{1, 0};
  }
  void sortsByNameByteForByteKeepingTheScanOrderOfEqualNames() {
    QFETCH(QStringList, scanned);
    QFETCH(std::vector<int>, listed);
    std::vector<Entry> entries;
    for (int i = 0; i < scanned.size(); ++i) {
      entries.push_back({scanned[i].toStdString(), ProgramStatus::Unknown, std::to_string(i)});
    }
    const VerdictList records = Records(entries);
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);

    QCOMPARE(list.model()->rowCount(), int(listed.size()));
    QCOMPARE(list.UncheckedRecords(), listed);
    for (int row = 0; row < int(listed.size()); ++row) {
      QCOMPARE(Row(list, row).data().toString(), scanned[listed[row]]);
    }
  }

  void filterHidesStatusesButCollectsEveryUncheckedProgram_data() {
    QTest::addColumn<StatusFilter>("filter");
    QTest::addColumn<QStringList>("visible");
    QTest::newRow("first run") << StatusFilter{} << QStringList{"Neu", "Unbekannt"};
    QTest::newRow("all up") << kShowNothing << QStringList{};
    QTest::newRow("all down") << kShowAll
                              << QStringList{"Aktuell", "Neu", "Nicht unterstützt", "Unbekannt"};
    QTest::newRow("up to date alone")
        << StatusFilter{false, false, true, false} << QStringList{"Aktuell"};
    QTest::newRow("unsupported alone")
        << StatusFilter{false, true, false, false} << QStringList{"Nicht unterstützt"};
  }
  void filterHidesStatusesButCollectsEveryUncheckedProgram() {
    QFETCH(StatusFilter, filter);
    QFETCH(QStringList, visible);
    const VerdictList records = Records({{"Unbekannt", ProgramStatus::Unknown},
                                         {"Nicht unterstützt", ProgramStatus::Unsupported},
                                         {"Aktuell", ProgramStatus::Current},
                                         {"Neu", ProgramStatus::NewVersion},
                                         {"Seltsam", static_cast<ProgramStatus>(7)}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, filter);

    QCOMPARE(VisibleNames(list), visible);
    QCOMPARE(list.UncheckedRecords(), (std::vector<int>{2, 3, 1, 4, 0}));
  }

  void aStatusOutsideTheFourHasNoImageAndNoWords() {
    const VerdictList records =
        Records({{"Seltsam", static_cast<ProgramStatus>(7)}, {"Neu", ProgramStatus::NewVersion}});
    ProgramListModel rows;
    rows.SetStatusNames({"u", "n", "a", "v"});
    rows.Fill(records, nullptr);
    const QModelIndex strange = rows.index(1);
    QCOMPARE(strange.data().toString(), QStringLiteral("Seltsam"));
    QVERIFY(!strange.data(Qt::DecorationRole).isValid());
    QCOMPARE(strange.data(Qt::AccessibleDescriptionRole).toString(), QString());
    QVERIFY(rows.index(0).data(Qt::DecorationRole).isValid());
    QCOMPARE(rows.index(0).data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("v"));
  }

  // A toggle shows the rows where they were, without a rebuild: checks, the selection and even
  // a mark stored meanwhile by someone else stay as they were. Hiding the selected row takes
  // the selection away, so no details are shown for a row nobody sees.
  void toggleShowsRowsInPlaceWithoutRebuilding() {
    const VerdictList records = Records({{"Delta", ProgramStatus::Current},
                                         {"Bravo", ProgramStatus::NewVersion},
                                         {"Charlie", ProgramStatus::Current},
                                         {"Alpha", ProgramStatus::Unknown}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, StatusFilter{});
    QCOMPARE(VisibleNames(list), (QStringList{"Alpha", "Bravo"}));
    UserChecks(list, 1, true);
    list.setCurrentIndex(Row(list, 0));
    IgnoreMarks::SetIgnored(Identifier({"Delta"}), true, machine.registry);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy currents(&list, &ProgramList::currentRecordChanged);

    list.ApplyFilter(StatusFilter{true, false, true, true});

    QCOMPARE(VisibleNames(list), (QStringList{"Alpha", "Bravo", "Charlie", "Delta"}));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(currents.count(), 0);
    QCOMPARE(list.CurrentRecord(), 3);
    QVERIFY(IsChecked(list, 1));
    QVERIFY(!IsChecked(list, 3));

    list.ApplyFilter(kShowNothing);
    QCOMPARE(VisibleNames(list), QStringList{});
    QCOMPARE(list.CurrentRecord(), -1);
    QCOMPARE(currents.count(), 1);
    QCOMPARE(currents.takeFirst().at(0).toInt(), -1);
    QCOMPARE(list.UncheckedRecords(), (std::vector<int>{3, 2, 0}));

    list.ApplyFilter(kShowAll);
    QCOMPARE(VisibleNames(list), (QStringList{"Alpha", "Bravo", "Charlie", "Delta"}));
    QVERIFY(IsChecked(list, 1));
    QCOMPARE(resets.count(), 0);
  }

  void aCheckStoresTheMarkAtOnceAndUncheckingDeletesIt() {
    const Entry tool{"Tool", ProgramStatus::Unknown, "2.0", "ToolKey"};
    const VerdictList records = Records({tool, {"Other"}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);

    UserChecks(list, 1, true);
    QVERIFY(machine.Marked(tool));
    QVERIFY2(machine.UserFileText().contains(QStringLiteral("\"ToolKeyTool2.0\"=dword:00000001")),
             qPrintable(machine.UserFileText()));
    QCOMPARE(list.UncheckedRecords(), (std::vector<int>{1}));

    UserChecks(list, 1, false);
    QVERIFY(!machine.Marked(tool));
    QVERIFY(machine.UserFileText().contains(QStringLiteral("ignore]")));
    QVERIFY(!machine.UserFileText().contains(QStringLiteral("ToolKeyTool2.0")));
    QCOMPARE(list.UncheckedRecords(), (std::vector<int>{1, 0}));
  }

  // After a rescan the same program is checked again; one whose version changed is not, as
  // its identity changed with it. Filling writes nothing, not even the file's time.
  void marksSurviveARefillAndFillingWritesNothing() {
    Machine machine;
    {
      ProgramList list(nullptr, machine.registry);
      const VerdictList records = Records({{"Alt", ProgramStatus::Unknown, "1.0"}, {"Fest"}});
      list.Fill(records, kShowAll);
      UserChecks(list, 0, true);
      UserChecks(list, 1, true);
    }
    const std::string before = lintrove::test::ReadFileBytes(machine.UserFile());
    const auto modified = std::filesystem::last_write_time(machine.UserFile());

    ProgramList list(nullptr, machine.registry);
    const VerdictList rescanned = Records({{"Fest"}, {"Alt", ProgramStatus::Unknown, "1.1"}});
    list.Fill(rescanned, kShowAll);
    list.Fill(rescanned, StatusFilter{});

    QCOMPARE(VisibleNames(list), (QStringList{"Alt", "Fest"}));
    QVERIFY(!IsChecked(list, 0));
    QVERIFY(IsChecked(list, 1));
    QCOMPARE(lintrove::test::ReadFileBytes(machine.UserFile()), before);
    QCOMPARE(std::filesystem::last_write_time(machine.UserFile()), modified);
  }

  // The same program seen twice (both registry views) has one identity and so one mark.
  void entriesOfOneIdentityShareTheirMark() {
    const Entry twice{"Doppelt", ProgramStatus::Unknown, "3.0", "Same"};
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    const VerdictList records = Records({twice, {"Einzeln"}, twice});
    list.Fill(records, kShowAll);
    QCOMPARE(VisibleNames(list), (QStringList{"Doppelt", "Doppelt", "Einzeln"}));

    UserChecks(list, 0, true);
    QVERIFY(!IsChecked(list, 1));  // until the next rebuild
    list.Fill(records, kShowAll);
    QVERIFY(IsChecked(list, 0));
    QVERIFY(IsChecked(list, 1));
    QCOMPARE(list.UncheckedRecords(), (std::vector<int>{1}));

    UserChecks(list, 1, false);
    QVERIFY(!machine.Marked(twice));
    list.Fill(records, kShowAll);
    QVERIFY(!IsChecked(list, 0));
    QVERIFY(!IsChecked(list, 1));
  }

  void spaceTogglesTheCurrentRowsCheck() {
    const Entry entry{"Programm"};
    const VerdictList records = Records({{"Anderes"}, entry});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setFocus();
    list.setCurrentIndex(Row(list, 1));

    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(IsChecked(list, 1));
    QVERIFY(!IsChecked(list, 0));
    QVERIFY(machine.Marked(entry));

    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(!IsChecked(list, 1));
    QVERIFY(!machine.Marked(entry));
  }

  // A space toggles the check, as everywhere check boxes are, so names are found by their
  // letters; a row the filter hides is skipped.
  void typingANameFindsItsVisibleRow() {
    const VerdictList records = Records({{"Offline"},
                                         {"Zip"},
                                         {"Office", ProgramStatus::Current},
                                         {"Mail"},
                                         {"Ofen"},
                                         {"Zz", ProgramStatus::Current}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, StatusFilter{});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setFocus();

    QTest::keyClicks(&list, "Ma");
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Mail"));
    list.keyboardSearch({});  // as when the user pauses
    QTest::keyClicks(&list, "Off");
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Offline"));
    list.keyboardSearch({});
    QTest::keyClicks(&list, "Of");
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Ofen"));
    QTest::keyClicks(&list, "f");  // "Off"
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Offline"));
    list.keyboardSearch({});
    QTest::keyClicks(&list, "ooo");  // each o one row on, round to the first again
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Ofen"));
    QTest::keyClicks(&list, "z");
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Ofen"));  // no name "oooz"
    QCOMPARE(list.CurrentRecord(), 4);

    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(list.currentIndex().data().toString(), QStringLiteral("Zip"));
  }

  // Drawn in black with a red muted colour: a checked row's name is red and struck through (one
  // line of red across the name), its check mark stays black; an unchecked row has no red.
  void checkedRowsAreStruckOutInTheMutedColourAndRowsAre16PixelsHigh() {
    const VerdictList records = Records({{"Frei"}, {"Ignoriert"}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.setFont(QFont(list.font().family(), 8));
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(220, 0, 0));
    list.setPalette(palette);
    list.Fill(records, kShowAll);
    UserChecks(list, 1, true);
    list.resize(200, 60);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QImage image = list.viewport()->grab().toImage();

    const int nameWidth = QFontMetrics(list.font()).horizontalAdvance(QStringLiteral("Ignoriert"));
    for (int row : {0, 1}) {
      const QRect rect = list.visualRect(Row(list, row));
      QCOMPARE(rect.height(), 16);
      int black = 0, red = 0, longestRedLine = 0;
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        int redInLine = 0;
        for (int x = rect.left(); x <= rect.right(); ++x) {
          const QColor pixel = image.pixelColor(x, y);
          if (pixel.red() < 60 && pixel.green() < 60 && pixel.blue() < 60) ++black;
          if (pixel.red() > 150 && pixel.green() < 60 && pixel.blue() < 60) ++redInLine;
        }
        red += redInLine;
        longestRedLine = std::max(longestRedLine, redInLine);
      }
      QVERIFY2(black > 0, "the name of a free row, the check mark of an ignored one");
      QCOMPARE(red > 0, row == 1);
      QCOMPARE(longestRedLine > nameWidth * 3 / 4, row == 1);
    }

    QCOMPARE(list.sizeHintForRow(0), 16);
    list.setFont(QFont(list.font().family(), 30));  // a user's large font is not cut off
    QCOMPARE(list.sizeHintForRow(0), QFontMetrics(list.font()).height());
    QVERIFY(list.sizeHintForRow(0) > 16);
    QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list.objectName(), QStringLiteral("vst_programme"));
  }

  void rowsGiveTheirNameAndStatusInWordsToAssistiveTechnology() {
    const VerdictList records = Records({{"Alpha", ProgramStatus::Unknown},
                                         {"Beta", ProgramStatus::Unsupported},
                                         {"Gamma", ProgramStatus::Current},
                                         {"Delta", ProgramStatus::NewVersion}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);
    QCOMPARE(Row(list, 0).data(Qt::AccessibleDescriptionRole).toString(), QString());

    list.SetStatusNames({"unbekannt", "nicht unterstützt", "uptodate", "neue Version"});
    const QStringList expected[] = {{"Alpha", "unbekannt"},
                                    {"Beta", "nicht unterstützt"},
                                    {"Delta", "neue Version"},
                                    {"Gamma", "uptodate"}};
    for (int row = 0; row < 4; ++row) {
      QCOMPARE(Row(list, row).data(Qt::AccessibleTextRole).toString(), expected[row][0]);
      QCOMPARE(Row(list, row).data(Qt::AccessibleDescriptionRole).toString(), expected[row][1]);
    }
    QVERIFY(!list.accessibleName().isEmpty());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), list.accessibleName());
    QVERIFY(accessible->tableInterface());
    QAccessibleInterface* cell = accessible->tableInterface()->cellAt(2, 0);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("Delta"));
    QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("neue Version"));
  }

  void statusImagesAreFourDifferentSharpPictures() {
    QImage seen[4];
    for (int status = 0; status < 4; ++status) {
      const QIcon icon = lintrove::app::StatusIcon(static_cast<ProgramStatus>(status));
      QVERIFY(!icon.isNull());
      for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap = icon.pixmap(QSize(16, 16), ratio);
        QCOMPARE(pixmap.deviceIndependentSize().toSize(), QSize(16, 16));
        QCOMPARE(pixmap.size(), QSize(16, 16) * ratio);
      }
      seen[status] = icon.pixmap(QSize(16, 16), 1.0).toImage();
      int opaque = 0;
      for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) opaque += qAlpha(seen[status].pixel(x, y)) == 255;
      }
      QVERIFY2(opaque >= 30, "the picture is drawn");
      QCOMPARE(icon.pixmap(QSize(16, 16), 1.0, QIcon::Selected).toImage(), seen[status]);
      for (int other = 0; other < status; ++other) QVERIFY(seen[other] != seen[status]);
    }
    QVERIFY(lintrove::app::StatusIcon(static_cast<ProgramStatus>(4)).isNull());
  }

  void theSelectedRowsRecordIsAnnouncedAndARebuildEmptiesIt() {
    const VerdictList records = Records({{"Beta"}, {"Alpha"}});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    QSignalSpy currents(&list, &ProgramList::currentRecordChanged);
    list.Fill(records, kShowAll);
    QCOMPARE(currents.count(), 0);  // nothing was selected, nothing is

    list.setCurrentIndex(Row(list, 1));
    QCOMPARE(list.CurrentRecord(), 0);
    QCOMPARE(currents.count(), 1);
    QCOMPARE(currents.takeFirst().at(0).toInt(), 0);

    list.Fill(records, kShowAll);
    QCOMPARE(list.CurrentRecord(), -1);
    QCOMPARE(currents.count(), 1);
    QCOMPARE(currents.takeFirst().at(0).toInt(), -1);
    QVERIFY(!list.currentIndex().isValid());

    list.setCurrentIndex(Row(list, 0));
    list.Clear();
    QCOMPARE(list.model()->rowCount(), 0);
    QCOMPARE(list.CurrentRecord(), -1);
    QCOMPARE(currents.count(), 2);
    QCOMPARE(currents.last().at(0).toInt(), -1);
    QCOMPARE(list.UncheckedRecords(), std::vector<int>{});
  }

  // The rows keep what they show: records changed or gone after a fill (an update check writing
  // verdicts, a scan replacing them) leave the list as it was until the next fill, and a check
  // still stores the mark of the program the row showed.
  void theListShowsWhatItWasGivenUntilTheNextFill() {
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.SetStatusNames({"u", "n", "a", "v"});
    {
      VerdictList records = Records(
          {{"Beta", ProgramStatus::Unknown, "1.0", "BetaKey"}, {"Alpha", ProgramStatus::Current}});
      list.Fill(records, kShowAll);
      records.Items(1).status = ProgramStatus::NewVersion;
      static_cast<RegistryProgram&>(*records.Items(1).program).DisplayName = "Omega";
    }
    QCOMPARE(VisibleNames(list), (QStringList{"Alpha", "Beta"}));
    QCOMPARE(Row(list, 0).data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("a"));
    list.ApplyFilter(StatusFilter{false, false, true, false});
    QCOMPARE(VisibleNames(list), QStringList{"Alpha"});
    list.ApplyFilter(kShowAll);
    QVERIFY(!list.grab().isNull());

    UserChecks(list, 1, true);
    QVERIFY(machine.Marked({"Beta", ProgramStatus::Unknown, "1.0", "BetaKey"}));
    QCOMPARE(list.UncheckedRecords(), std::vector<int>{1});
  }

  // The lock file's place taken by a directory: no process, not even root's, can open it. The
  // check goes back, so the list shows the marks an update check goes by.
  void aFailingWriteIsShownAndTheCheckGoesBack() {
    const Entry entry{"Programm"};
    const VerdictList records = Records({entry});
    Machine machine;
    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);
    const std::filesystem::path lock = machine.dir / ".HKEY_CURRENT_USER.reg.lock";
    std::filesystem::create_directory(lock);

    MessageBox::SetNextAnswer(QMessageBox::Ok);
    UserChecks(list, 0, true);

    const auto box = MessageBox::TakeAnswered();
    QVERIFY(box.has_value());
    QCOMPARE(box->icon, QMessageBox::Critical);
    QVERIFY2(box->text.contains(QString::fromStdString(lock.string())), qPrintable(box->text));
    QVERIFY(!IsChecked(list, 0));
    QCOMPARE(list.UncheckedRecords(), std::vector<int>{0});
    QVERIFY(!std::filesystem::exists(machine.UserFile()));
  }

  // Marks that cannot be read count as absent, without a message.
  void anUnreadableStoreLeavesEveryRowUnchecked() {
    const VerdictList records = Records({{"Programm"}});
    Machine machine;
    lintrove::test::WriteFileBytes(machine.UserFile(), "kein Registrierungsexport");

    ProgramList list(nullptr, machine.registry);
    list.Fill(records, kShowAll);

    QCOMPARE(list.model()->rowCount(), 1);
    QVERIFY(!IsChecked(list, 0));
    QVERIFY(!MessageBox::TakeAnswered().has_value());
  }
};

QTEST_MAIN(ProgramListTest)

#include "program_list_test.moc"
