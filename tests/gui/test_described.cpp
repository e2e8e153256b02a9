// SPDX-License-Identifier: GPL-3.0-or-later
// Described satellites in the window: choosing a description, the "Fields"
// page, charting a field, switching back, merging and live reception.

#include "app/livesession.h"
#include "describe/describedsatellite.h"
#include "gui/windowfixture.h"
#include "tncstream.h"
#include "ui/fieldchart.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fstream>

class TestDescribed : public QObject {
    Q_OBJECT
private slots:
    void choosingADescriptionShowsItsFields();
    void aFieldIsChartedOverTheRecordsThatHaveIt();
    void switchingBackRestoresTheBuiltInPages();
    void anUnusableDescriptionLeavesTheChoice();
    void descriptionsChosenBeforeAreOffered();
    void mergeOutputsAndLiveFollowTheDescription();
};

namespace {

// A satellite made up for the tests: a counter, a voltage, a mode, and a
// temperature only in frames of mode 2.
const char* const Description = R"(meta:
  id: testsat
  title: A satellite made up for the tests
  endian: le
doc: |
  :field counter: counter
  :field volts: volts
  :field mode: mode
  :field temp: extra.temp
seq:
  - id: magic
    contents: [0xAB]
  - id: counter
    type: u2
  - id: raw_volts
    type: u1
  - id: mode
    type: u1
    enum: modes
  - id: extra
    type: extra
    if: mode == modes::nominal
types:
  extra:
    seq:
      - id: temp
        type: s1
        doc: 'board temperature [°C]'
instances:
  volts:
    value: raw_volts / 10.0
    doc: 'battery voltage [V]'
enums:
  modes:
    1: safe
    2: nominal
)";

// Four frames as a SatNOGS export: the second lacks the temperature, the
// fourth is no frame of the satellite's.
const char* const Export = "2026-01-02 03:04:05|AB01002A02F6\n"
                           "2026-01-02 03:04:15|AB02002B01\n"
                           "2026-01-02 03:04:25|AB03002C0214\n"
                           "2026-01-02 03:04:35|CD0400\n";

struct Described {
    TempDir dir;
    Window w;
    QString ksy = QString::fromStdString(dir.Write("testsat.ksy", Description));
    QString capture = QString::fromStdString(dir.Write("pass.csv", Export));

    void Open()
    {
        QVERIFY(w.form.ChooseDescription(ksy));
        w.form.OpenSelection(CaptureKind::Satnogs, {capture});
    }
    QString Value(int row) const
    {
        return const_cast<Window&>(w).c().FieldValues[static_cast<std::size_t>(row)]->text();
    }
};

} // namespace

void TestDescribed::choosingADescriptionShowsItsFields()
{
    Described d;
    d.Open();
    Form1Controls& c = d.w.c();
    QCOMPARE(d.w.m.RecordCount, 3);
    // The "Fields" page instead of the built-in pages.
    // The "Fields" page, first, instead of the built-in pages.
    QVERIFY(!c.SSTab1->isTabVisible(c.SSTab1->indexOf(c.PacketPages[0])));
    QVERIFY(!c.SSTab1->isTabVisible(c.SSTab1->indexOf(c.PacketPages[1])));
    QCOMPARE(c.SSTab1->indexOf(c.FieldsPage), 0);
    QVERIFY(c.SSTab1->isTabVisible(0));
    QCOMPARE(c.SSTab1->currentWidget(), c.FieldsPage);
    QVERIFY(c.OtherSatellite->isChecked());
    QCOMPARE(c.OtherSatellite->text(), QStringLiteral("testsat"));
    QVERIFY(c.OtherSatellite->toolTip().startsWith(QStringLiteral("A satellite made up for the tests")));
    QCOMPARE(c.FieldTable->rowCount(), 4);
    QCOMPARE(c.FieldTable->item(3, 0)->text(), QStringLiteral("temp"));
    QCOMPARE(c.FieldTable->item(1, 2)->text(), QStringLiteral("V")); // the unit the doc gives in brackets
    QCOMPARE(c.FieldTable->item(1, 0)->toolTip(), QStringLiteral("battery voltage [V]")); // and the doc

    c.HScroll1->setValue(1);
    QCOMPARE(d.Value(0), QStringLiteral("1"));
    QCOMPARE(d.Value(1), QStringLiteral("4.2"));
    QCOMPARE(d.Value(2), QStringLiteral("nominal (2)")); // an enum value with its name
    QCOMPARE(d.Value(3), QStringLiteral("-10"));
    QCOMPARE(c.Label5->text(), QStringLiteral("time span: 2026-01-02 03:04:05 -> 2026-01-02 03:04:25"));
    // The keys step the records; a field the record lacks is empty, its name grey.
    c.HScroll1->setValue(2);
    QCOMPARE(c.Text2->text(), QStringLiteral("#2 / 3"));
    QCOMPARE(d.Value(2), QStringLiteral("safe (1)"));
    QCOMPARE(d.Value(3), QString());
    QCOMPARE(c.FieldTable->item(3, 0)->foreground().color(), QColor(128, 128, 128));
    QCOMPARE(c.FieldTable->item(2, 0)->foreground().color(), QColor(Qt::black));
    // The import page counts what does not parse, and says why the first does not.
    QCOMPARE(d.w.m.Imports.at(0).NotParsed, 1);
    const QStringList headers = [&] {
        QStringList h;
        for (int k = 0; k < c.ImportTable->columnCount(); ++k)
            h << c.ImportTable->horizontalHeaderItem(k)->text();
        return h;
    }();
    // A described satellite's own columns, the first frame that does not
    // parse by its line in the export and the description's line.
    QCOMPARE(headers.mid(0, 7),
        QStringList({QStringLiteral("File"), QStringLiteral("Kind"), QStringLiteral("Frames or lines"),
            QStringLiteral("Time frames or lines"), QStringLiteral("Stored"), QStringLiteral("Does not parse"),
            QStringLiteral("The first that does not parse")}));
    QVERIFY(!headers.contains(QStringLiteral("Kind 2")));
    QCOMPARE(c.ImportTable->item(0, 4)->text(), QStringLiteral("3"));
    QCOMPARE(c.ImportTable->item(0, 5)->text(), QStringLiteral("1"));
    QCOMPARE(c.ImportTable->item(0, 6)->text(),
        QStringLiteral("line 4: magic does not hold its fixed contents (testsat.ksy:11)"));
    QCOMPARE(c.ImportTable->item(0, c.ImportTable->columnCount() - 1)->text(), QStringLiteral("read"));
}

void TestDescribed::aFieldIsChartedOverTheRecordsThatHaveIt()
{
    Described d;
    d.Open();
    d.w.form.DescribedField_Click(3); // temp: records 1 and 3 have it
    FieldChart& chart = d.w.form.Chart();
    QCOMPARE(chart.RecordsWithoutValue(), 1);
    QCOMPARE(chart.Bars()->data()->size(), 2);
    QCOMPARE(chart.Bars()->data()->at(1)->value, 20.0);
    QCOMPARE(d.w.c().Frame1->title(), QStringLiteral("temp (°C) (1 records without a number for it)"));
    QCOMPARE(chart.Title(), QStringLiteral("temp (°C)")); // a description's texts are UTF-8
    d.w.form.DescribedField_Click(1);                     // volts: every record
    QCOMPARE(chart.Bars()->data()->size(), 3);
    QCOMPARE(chart.Bars()->data()->at(2)->value, 4.4);
    QCOMPARE(d.w.c().Frame1->title(), QStringLiteral("volts (V)"));
    QCOMPARE(chart.Title(), QStringLiteral("volts (V)")); // with its unit, as the built-in fields' titles
    // The time axis puts the records at their instants.
    d.w.form.TimeAxisAction()->setChecked(true);
    QCOMPARE(chart.Bars()->data()->at(0)->key, 1767323045.0);
}

void TestDescribed::switchingBackRestoresTheBuiltInPages()
{
    Described d;
    d.Open();
    Form1Controls& c = d.w.c();
    c.Satellites[0]->click();
    QVERIFY(!d.w.m.Described);
    QVERIFY(c.SSTab1->isTabVisible(0));
    QVERIFY(c.SSTab1->isTabVisible(1));
    QCOMPARE(c.SSTab1->indexOf(c.FieldsPage), 4);
    QVERIFY(!c.SSTab1->isTabVisible(4));
    QCOMPARE(c.SSTab1->currentIndex(), 0);
    QCOMPARE(c.SSTab1->tabText(2), QStringLiteral("Dump"));
    QCOMPARE(c.OtherSatellite->text(), QStringLiteral("Other satellite..."));
    // The selection is read again by the built-in decoder: none of these
    // frames is a beacon of it.
    QCOMPARE(d.w.m.RecordCount, 0);
    QCOMPARE(d.w.m.Imports.at(0).OtherHeader + d.w.m.Imports.at(0).TooShort, 4);
    QCOMPARE(c.Option1[5]->text(), QStringLiteral("Sat Uptime"));
    // With no record the pages are blank, not zeros, and the status says why.
    QCOMPARE(c.Text1[5]->text(), QString());
    QVERIFY2(c.Text4->text().startsWith(QStringLiteral("No packet of QB50p1 in the 4 frames or lines read")),
        qPrintable(c.Text4->text()));
}

void TestDescribed::anUnusableDescriptionLeavesTheChoice()
{
    Described d;
    const QString broken
        = QString::fromStdString(d.dir.Write("broken.ksy", "meta:\n  id: x\nseq:\n  - id: v\n    type: nope\n"));
    QVERIFY(!d.w.form.ChooseDescription(broken));
    QCOMPARE(d.w.messages.size(), 1);
    QVERIFY(d.w.messages[0].contains(QStringLiteral("broken.ksy:5: no type named nope")));
    QVERIFY(!d.w.m.Described);
    QVERIFY(d.w.c().Satellites[0]->isChecked());
    // A described satellite chosen before stays chosen.
    d.Open();
    QVERIFY(!d.w.form.ChooseDescription(broken));
    QCOMPARE(d.w.m.Described->Id(), std::string("testsat"));
    QVERIFY(d.w.c().OtherSatellite->isChecked());
    QCOMPARE(d.w.m.RecordCount, 3);
}

void TestDescribed::descriptionsChosenBeforeAreOffered()
{
    Described d;
    d.Open();
    QCOMPARE(d.w.form.RecentDescriptions().front(), d.ksy);
    const QString other = QString::fromStdString(d.dir.Write("other.ksy",
        std::string(Description).replace(std::string(Description).find("id: testsat"), 11, "id: othersat")));
    const QString shown = d.w.c().FieldValues[0]->text();
    QVERIFY(!shown.isEmpty());
    // The chooser closed with Escape leaves the record on the page.
    d.w.c().OtherSatellite->click();
    QCOMPARE(d.w.c().FieldValues[0]->text(), shown);
    QVERIFY(d.w.c().OtherSatellite->isChecked());
    QCOMPARE(d.w.chooserRows.size(), std::size_t{1});
    QCOMPARE(d.w.chooserRows[0].Id, QStringLiteral("testsat"));
    QVERIFY(d.w.chooserRows[0].Recent && d.w.chooserRows[0].Active);
    // "Open description..." asks for a .ksy file.
    d.w.Choose({other});
    d.w.nextChoice.Result = SatelliteChoice::Outcome::OpenFile;
    d.w.c().OtherSatellite->click();
    // The dialog offers descriptions first, then every file.
    QCOMPARE(DialogNameFilters(d.w.filters.last()),
        QStringList(
            {QStringLiteral("Kaitai Struct descriptions (*.ksy) (*.ksy)"), QStringLiteral("All files (*.*) (*)")}));
    QCOMPARE(d.w.c().OtherSatellite->text(), QStringLiteral("othersat"));
    QCOMPARE(d.w.form.RecentDescriptions().mid(0, 2), QStringList({other, d.ksy}));
    QCOMPARE(d.w.m.RecordCount, 3); // the selection read again with it
}

void TestDescribed::mergeOutputsAndLiveFollowTheDescription()
{
    Described d;
    QVERIFY(d.w.form.ChooseDescription(d.ksy));
    // Merged: the same pass twice is the pass once.
    d.w.form.MergeAction()->setChecked(true);
    const QString copy = QString::fromStdString(d.dir.Write("copy.csv", Export));
    d.w.form.OpenSelection(CaptureKind::Satnogs, {d.capture, copy});
    QCOMPARE(d.w.m.RecordCount, 3);
    QCOMPARE(d.w.m.Imports.at(1).Duplicates, 3);
    QCOMPARE(d.w.m.Imports.at(1).NotParsed, 1);
    d.w.form.MergeAction()->setChecked(false);

    // "Write CSV File" and "Write TLM File" write the described fields.
    d.w.form.OpenSelection(CaptureKind::Satnogs, {d.capture});
    d.w.c().HScroll1->setValue(3);
    d.w.form.WriteCSVFile_Click();
    d.w.form.WriteTLMFile_Click();
    const std::string csv = ReadFileBytes(d.dir.File("pass-decoded.csv"));
    QVERIFY(csv.starts_with("Record;Time;counter;volts;mode;temp;\r\n1;2026-01-02 03:04:05;1;4.2;nominal;-10;\r\n"));
    const std::string tlm = ReadFileBytes(d.dir.File("pass.tlm"));
    QVERIFY(tlm.find("testsat, record 3 of 3") != std::string::npos);
    QVERIFY(tlm.find("temp                20") != std::string::npos);

    // Live: the TNC's beacons read with a description of them.
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const std::string stream = TncStream();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* client = server.nextPendingConnection())
            client->write(stream.data(), static_cast<qint64>(stream.size()));
    });
    QVERIFY(d.w.form.ChooseDescription(Sample("qb50.ksy")));
    d.w.form.SetConnectDialog([&](QWidget*, const LiveSettings&) {
        return std::optional<LiveSettings>(LiveSettings{QStringLiteral("127.0.0.1"), server.serverPort(), QString()});
    });
    d.w.form.ConnectToTnc();
    QTRY_COMPARE_WITH_TIMEOUT(d.w.m.RecordCount, 21, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(d.w.c().Text2->text(), QStringLiteral("#21 / 21"), 20000);
    QCOMPARE(d.w.c().FieldValues[1]->text(), QStringLiteral("general (1)"));
    d.w.form.DisconnectFromTnc();
}

QTEST_MAIN(TestDescribed)
#include "test_described.moc"
