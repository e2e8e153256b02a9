// SPDX-License-Identifier: GPL-3.0-or-later
// The main window, offscreen: start-up, the open commands, the record view
// and the chart.

#include "gui/windowfixture.h"
#include "tools/capturegen.h"
#include "ui/dumpview.h"
#include "ui/fieldchart.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>
#include <qcustomplot.h>

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void startUpState();
    void settingsFile_data();
    void settingsFile();
    void openOneKissFile();
    void openSeveralFilesInOrder();
    void dumpLinesComeFromTheCapture();
    void cancelledDialogRereadsThePreviousSelection();
    void tooManyFilesSaysSoAndReadsNothing();
    void unreadableFileIsReportedAndTheRestRead();
    void eachOpenCommandUsesItsReaderAndFilter();
    void recordViewFollowsTheScrollBar();
    void timeSpanAfterATextCapture();
    void chartRowsLabelsAndDivisions();
    void oneChosenFieldAcrossAllPages();
    void barsAndLine();
    void aDrawingAskedForWhileRowsAreCollectedFollows();
    void openCommandsAreDisabledWhileReading();
    void satelliteChoiceTakesEffectWithTheNextFile();
};

void TestForm1::startUpState()
{
    Window w;
    auto& c = w.c();
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Norvane Telemetry Decoder"));
    QCOMPARE(c.Option1[29]->text(), QStringLiteral("3v3 #3 curr"));
    QCOMPARE(c.Label2[13]->text(), QStringLiteral("V"));
    for (int i = 46; i <= 49; ++i) {
        QCOMPARE(c.Option1[static_cast<std::size_t>(i)]->text(), QStringLiteral("Option1"));
        QVERIFY(!c.Option1[static_cast<std::size_t>(i)]->isVisibleTo(&w.form));
    }
    for (QLineEdit* box : c.Text1)
        QVERIFY(box->text().isEmpty());
    QVERIFY(!c.HScroll1->isEnabled());
    QVERIFY(c.Satellites[0]->isChecked());
    QVERIFY(c.Check1->isChecked());
    QVERIFY(c.Command1->isVisibleTo(&w.form));
    QVERIFY(!c.Picture2->isVisibleTo(&w.form) && !c.List3->isVisibleTo(&w.form) && !c.Label3->isVisibleTo(&w.form));
    // The "Fields" page of a described satellite is there, not shown.
    QCOMPARE(c.SSTab1->count(), 5);
    QCOMPARE(c.SSTab1->tabText(2), QStringLiteral("Dump"));
    QCOMPARE(c.SSTab1->tabText(3), QStringLiteral("Import"));
    QVERIFY(!c.SSTab1->isTabVisible(4));
    QCOMPARE(c.OtherSatellite->text(), QStringLiteral("Other satellite..."));
    QVERIFY(!c.ReadProgress->isVisibleTo(&w.form) && !c.CancelRead->isVisibleTo(&w.form));
    QCOMPARE(c.SSTab1->currentIndex(), 0);
    QCOMPARE(c.Frames.at(FieldFrame::Frame3)->title(), QStringLiteral("Electrical Power Subsystem (EPS)"));
    QCOMPARE(w.m.SatelliteNumber, 1);
    QCOMPARE(w.form.ImagePath(), QDir::tempPath().toStdString() + "/");
    QVERIFY(w.form.findChild<QObject*>(QStringLiteral("Text1_5")) == c.Text1[5]);
    QVERIFY(w.form.Action("MnuInfo") != nullptr);
}

void TestForm1::settingsFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("buttonVisible");
    QTest::addColumn<QString>("imagePath");
    QTest::newRow("no file") << QString() << true << QString();
    QTest::newRow("lower-case key, blanks, yes") << "screenshot = yes\r\n" << true << QString();
    QTest::newRow("NO hides") << "SCREENSHOT=NO\r\n" << false << QString();
    QTest::newRow("empty value hides") << "SCREENSHOT=\r\n" << false << QString();
    QTest::newRow("comment changes nothing") << "#SCREENSHOT=NO\r\n" << true << QString();
    QTest::newRow("path keeps its case, gets a separator") << "image_path = /data/Pictures\r\n"
                                                           << true << "/data/Pictures/";
    QTest::newRow("value with =") << "IMAGE_PATH=/a=b/\r\n" << true << "/a=b/";
    QTest::newRow("key without = changes nothing") << "IMAGE_PATH=/x/\r\nIMAGE_PATH\r\n" << true << "/x/";
    QTest::newRow("last line wins, CR alone ends lines") << "IMAGE_PATH=/x/\rIMAGE_PATH=/y/" << true << "/y/";
}

void TestForm1::settingsFile()
{
    QFETCH(QString, text);
    QFETCH(bool, buttonVisible);
    QFETCH(QString, imagePath);
    TempDir dir;
    if (!text.isNull())
        dir.Write("conf.ini", text.toStdString());
    Window w(QString::fromStdString(dir.Path().string()));
    QCOMPARE(w.c().Command1->isVisibleTo(&w.form), buttonVisible);
    const std::string expected = imagePath.isEmpty() ? dir.Path().string() + "/" : imagePath.toStdString();
    QCOMPARE(QString::fromStdString(w.form.ImagePath()), QString::fromStdString(expected));
}

void TestForm1::openOneKissFile()
{
    Window w;
    auto& c = w.c();
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(
        w.filters.front(), QStringLiteral("KISS Files (*.kss)|*.kss|Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    QCOMPARE(c.List3->count(), 1);
    QCOMPARE(c.Text4->text(), Sample("qb50p1-pass.kss"));
    QCOMPARE(w.m.RecordCount, 45);
    QCOMPARE(w.m.Packet2Count, 45);
    QCOMPARE(c.Text2->text(), QStringLiteral("#1 / 45"));
    QVERIFY(c.HScroll1->isEnabled());
    QCOMPARE(c.HScroll1->maximum(), 45);
    QVERIFY(c.Option1[5]->isChecked());
    QCOMPARE(w.form.SelectedField(), 5);
    QCOMPARE(c.Frame1->title(), QStringLiteral("Sat Uptime (s)"));
    QCOMPARE(c.Text1[0]->text(), QStringLiteral("norm"));
    QCOMPARE(c.Label5->text(), QStringLiteral("2016-03-17 10:15:00 UTC"));
    QCOMPARE(c.Text3->LineCount(), std::size_t(90));
    QVERIFY(c.Text3->Line(0).rfind("00 A2 84 6A 60 A0 62", 0) == 0);
    QCOMPARE(QString::fromStdString(w.m.CurrentFileName), Sample("qb50p1-pass.kss"));
}

void TestForm1::dumpLinesComeFromTheCapture()
{
    // The page keeps where each frame stands and reads it again when shown:
    // the lines are those the command line dumps, escapes undone.
    TempDir dir;
    const std::string capture = dir.Write("pass.kss", ReadFileBytes(Sample("qb50p1-pass.kss").toStdString()));
    Window w;
    w.Choose({QString::fromStdString(capture)});
    w.form.MenuFileOpenKiss_Click();
    DumpView* dump = w.c().Text3;
    std::string expected = ReadFileBytes(NORVANE_DECODE_CASES "/qb50p1-pass/expected.dump");
    QCOMPARE(dump->Text(), expected);
    dump->SelectAll();
    QCOMPARE(dump->SelectedText().count(QLatin1Char('\n')), 89);

    // A capture changed after it was read does not pass off other bytes as
    // its frames.
    dir.Write("pass.kss", std::string(ReadFileBytes(capture).size(), '\x42'));
    w.form.ClearDump(); // closes the capture, as a new open command does
    w.form.AppendDumpFrame(0, 27, 111);
    QVERIFY2(QString::fromStdString(dump->Line(0)).startsWith(QStringLiteral("(no frame at byte 27 of ")),
        dump->Line(0).c_str());
    QVERIFY(dump->Line(0).find("the capture has changed since it was read") != std::string::npos);
}

void TestForm1::openSeveralFilesInOrder()
{
    TempDir dir;
    Window w;
    const QString a = Generate(dir, "a.kss", CaptureKind::Kiss, 4);
    const QString b = Generate(dir, "b.kss", CaptureKind::Kiss, 6);
    const QString c3 = Generate(dir, "c.kss", CaptureKind::Kiss, 2);
    w.Choose({a, b, c3});
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.c().List3->count(), 3);
    QCOMPARE(w.c().List3->item(2)->text(), c3);
    QCOMPARE(w.m.RecordCount, 6);
    QCOMPARE(QString::fromStdString(w.m.CurrentFileName), c3);
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / 6"));
}

void TestForm1::cancelledDialogRereadsThePreviousSelection()
{
    Window w;
    w.Cancel();
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, 0);
    QVERIFY(w.c().Text1[0]->text().isEmpty());
    QVERIFY(!w.c().HScroll1->isEnabled());

    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    const QString shown = w.c().Text1[12]->text();
    w.Cancel();
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, 45);
    QCOMPARE(w.c().Text1[12]->text(), shown);
    QCOMPARE(w.c().Text3->LineCount(), std::size_t(90));
}

void TestForm1::tooManyFilesSaysSoAndReadsNothing()
{
    Window w;
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    w.next.Result = FileDialogResult::Outcome::TooManyFiles;
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.messages, QStringList{QStringLiteral("Es wurden zu viele Dateien ausgew\u00e4hlt!")});
    QCOMPARE(w.m.RecordCount, 0);
    QVERIFY(w.c().Text1[0]->text().isEmpty());
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / 45")); // as the last reader left it

    // The rule behind it: the names as the dialog returns them must fit 2048 characters.
    QStringList many;
    for (int i = 0; i < 150; ++i)
        many << QStringLiteral("/data/passes/pass-%1.kss").arg(i, 4, 10, QLatin1Char('0'));
    QVERIFY(!FitsNameBuffer(many));
    QVERIFY(FitsNameBuffer(many.mid(0, 100)));
    QVERIFY(!FitsNameBuffer({QLatin1Char('/') + QString(2047, QLatin1Char('x'))}));
}

void TestForm1::unreadableFileIsReportedAndTheRestRead()
{
    TempDir dir;
    Window w;
    const QString missing = QString::fromStdString(dir.File("gone.kss"));
    w.Choose({Sample("qb50p1-pass.kss"), missing});
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, 45);
    QVERIFY2(w.c().Text4->text().startsWith(QStringLiteral("cannot open ") + missing + QStringLiteral(": ")),
        qPrintable(w.c().Text4->text()));
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / 45"));
}

void TestForm1::eachOpenCommandUsesItsReaderAndFilter()
{
    struct Case {
        CaptureKind kind;
        const char* sample;
        int satellite;
        const char* filter;
        std::int64_t records;
    };
    const Case cases[] = {
        {CaptureKind::Log, "qb50p1-pass.log", 1, "Log Files (*.log)|*.log|Text Files (*.txt)|*.txt|All Files (*.*)|*.*",
            20},
        {CaptureKind::ServerLog, "qb50p2-server.log", 2, "Log Files (Text Files (*.log)|*.log|All Files (*.*)|*.*", 20},
        {CaptureKind::Text, "qb50p2-capture.txt", 2, "Log Files (Text Files (*.txt)|*.txt|All Files (*.*)|*.*", 15},
        {CaptureKind::Satnogs, "qb50p2-satnogs.csv", 2, "SatNOGS Exports (*.csv *.txt)|*.csv;*.txt|All Files (*.*)|*.*",
            20},
    };
    for (const Case& k : cases) {
        Window w;
        if (k.satellite == 2) {
            w.c().Satellites[1]->click();
            QCOMPARE(w.m.SatelliteNumber, 2);
        }
        w.Choose({Sample(k.sample)});
        w.form.OpenAction(k.kind)->trigger();
        QCOMPARE(w.filters.front(), QString::fromLatin1(k.filter));
        QCOMPARE(w.m.RecordCount, k.records);
        QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / %1").arg(k.records));
        // The time or the time span is drawn whole, inside the window.
        QVERIFY(!w.c().Label5->IsElided());
        QVERIFY(w.c().Label5->geometry().right() < w.form.centralWidget()->width());
    }
    // The menu lists the commands in the order of the kinds' menu places.
    QStringList captions;
    Window w;
    for (QAction* action : w.form.findChild<QMenu*>(QStringLiteral("MnuFile"))->actions().mid(0, 7))
        captions << action->text();
    QCOMPARE(captions,
        QStringList(
            {QStringLiteral("Open KISS file"), QStringLiteral("Open Text file"), QStringLiteral("Open Serverlog file"),
                QStringLiteral("Open Log file"), QStringLiteral("Open SatNOGS DB export"),
                QStringLiteral("Open sound recording"), QStringLiteral("Open capture file (any kind)")}));
}

void TestForm1::recordViewFollowsTheScrollBar()
{
    Window w;
    auto& c = w.c();
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    c.HScroll1->setValue(3);
    QCOMPARE(c.Text2->text(), QStringLiteral("#3 / 45"));
    QCOMPARE(c.Text1[2]->text(), QStringLiteral("4"));  // beacon 4 is the third of kind 1
    QCOMPARE(c.Text1[52]->text(), QStringLiteral("5")); // beacon 5 the third of kind 2
    QCOMPARE(c.Label5->text(), QStringLiteral("2016-03-17 10:15:40 UTC"));
    QVERIFY(c.Text1[0]->isReadOnly());
}

void TestForm1::timeSpanAfterATextCapture()
{
    Window w;
    w.c().Satellites[1]->click();
    w.Choose({Sample("qb50p2-capture.txt")});
    w.form.MnuOpenText_Click();
    QCOMPARE(w.c().Label5->text(), QStringLiteral("time span: 10:15:00.000 UTC -> 10:19:40.000 UTC"));
    w.c().HScroll1->setValue(4);
    QCOMPARE(w.c().Label5->text(), QStringLiteral("time span: 10:15:00.000 UTC -> 10:19:40.000 UTC"));
    // Choosing a field of the other kind takes effect with the next record shown.
    w.c().Option1[60]->click();
    w.c().HScroll1->setValue(2);
    QCOMPARE(w.c().Label5->text(), QStringLiteral("time span: 10:15:10.000 UTC -> 10:19:50.000 UTC"));

    // A data set without records of the field's kind empties the label.
    TempDir dir;
    w.Choose({QString::fromStdString(dir.Write("empty.txt", ""))});
    w.form.MnuOpenText_Click();
    QCOMPARE(w.c().Label5->text(), QString());
}

void TestForm1::chartRowsLabelsAndDivisions()
{
    TempDir dir;
    struct Case {
        std::int64_t beacons;
        std::int64_t rows;
        std::int64_t divisions;
        QString firstLabel;
    };
    // 80 beacons make 40 records of each kind; 82 make 41; 120 make 60; 200 make 100.
    const Case cases[] = {{80, 40, 1, QStringLiteral("10:15:00")}, {82, 41, 1, QStringLiteral("2016-03-17")},
        {120, 60, 2, QStringLiteral("2016-03-17")}, {200, 100, 2, QStringLiteral("2016-03-17")},
        {280, 140, 4, QStringLiteral("2016-03-17")}};
    for (const Case& k : cases) {
        Window w;
        w.Choose({Generate(dir, "pass.kss", CaptureKind::Kiss, k.beacons)});
        w.form.MenuFileOpenKiss_Click();
        FieldChart& chart = w.form.Chart();
        QCOMPARE(chart.RowCount(), k.rows);
        QCOMPARE(chart.Bars()->data()->size(), static_cast<int>(k.rows));
        QCOMPARE(chart.Bars()->data()->at(0)->value, w.m.Table.Record(1).Values[5]);
        QCOMPARE(chart.Divisions(), k.divisions);
        const auto ticks = chart.Ticker()->ticks();
        QCOMPARE(static_cast<std::int64_t>(ticks.size()), (k.rows + k.divisions - 1) / k.divisions);
        QCOMPARE(ticks.value(1.0), k.firstLabel);
        if (k.divisions > 1)
            QVERIFY(ticks.contains(1.0 + static_cast<double>(k.divisions)) && !ticks.contains(2.0));
    }

    // Rows without a time text are labelled with their record number; a log
    // file's time texts give their clock time.
    Window w;
    w.Choose({QString::fromStdString(dir.Write("early.kss", GenerateCapture(CaptureOptions{}).Bytes.substr(26)))});
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.form.Chart().Ticker()->ticks().value(1.0), QStringLiteral("1"));
    w.Choose({Sample("qb50p1-pass.log")});
    w.form.MnuOpenLog_Click();
    QCOMPARE(w.form.Chart().Ticker()->ticks().value(2.0), QStringLiteral("10:15:20"));
}

void TestForm1::oneChosenFieldAcrossAllPages()
{
    Window w;
    auto& c = w.c();
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    c.Option1[60]->click();
    QCOMPARE(w.form.SelectedField(), 60);
    QCOMPARE(c.Frame1->title(), QStringLiteral("SV temp (C)"));
    for (int i = 0; i < FieldCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        QCOMPARE(c.Option1[k]->isChecked(), i == 60);
        QCOMPARE(c.Text1[k]->palette().color(QPalette::Base), i == 60 ? QColor(255, 255, 192) : QColor(Qt::white));
    }
    c.Option1[1]->click();
    QCOMPARE(c.Frame1->title(), QStringLiteral("Boot cnt"));
    QVERIFY(!c.Option1[60]->isChecked());
}

void TestForm1::barsAndLine()
{
    Window w;
    auto& c = w.c();
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    c.Option1[13]->click();
    FieldChart& chart = w.form.Chart();
    QVERIFY(chart.Bars()->visible() && !chart.Line()->visible());
    c.Check1->click();
    QVERIFY(!chart.Bars()->visible() && chart.Line()->visible());
    QCOMPARE(chart.Line()->data()->size(), 45);
    QCOMPARE(w.form.SelectedField(), 13);
    c.Check1->click();
    QVERIFY(chart.Bars()->visible());
}

void TestForm1::aDrawingAskedForWhileRowsAreCollectedFollows()
{
    Window w;
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    FieldChart& chart = w.form.Chart();
    // Every drawing collects off the window's thread; while the first does,
    // an event asks for another field, then for a line of a third.
    chart.CollectOffThreadFrom = 1;
    int calls = 0;
    chart.WhileCollecting = [&] {
        if (++calls == 1) {
            chart.Draw(w.m, 21, true);
            chart.Draw(w.m, 13, false);
        }
    };
    chart.Draw(w.m, 5, true);
    chart.WhileCollecting = nullptr;
    QVERIFY(calls >= 1);
    // The last one asked for is what the chart shows.
    QVERIFY(chart.Line()->visible() && !chart.Bars()->visible());
    QCOMPARE(chart.Line()->data()->size(), 45);
    for (int n = 1; n <= 45; ++n)
        QCOMPARE(chart.Line()->data()->at(n - 1)->value, w.m.Table.Value(n, 13));
    QCOMPARE(chart.Bars()->data()->size(), 0);
}

void TestForm1::openCommandsAreDisabledWhileReading()
{
    TempDir dir;
    Window w;
    bool seenDisabled = false;
    int nested = 0;
    w.form.OnPendingEvents = [&] {
        seenDisabled = seenDisabled || !w.form.OpenAction(CaptureKind::Kiss)->isEnabled();
        // A second open command while reading does nothing.
        const std::int64_t before = w.m.RecordCount;
        w.form.MnuOpenLog_Click();
        nested += w.m.RecordCount < before;
    };
    w.Choose({Generate(dir, "big.kss", CaptureKind::Kiss, 60000)});
    w.form.MenuFileOpenKiss_Click();
    QVERIFY(seenDisabled);
    QCOMPARE(nested, 0);
    QVERIFY(w.form.OpenAction(CaptureKind::Log)->isEnabled());
    QCOMPARE(w.m.RecordCount, 30000);
}

void TestForm1::satelliteChoiceTakesEffectWithTheNextFile()
{
    TempDir dir;
    Window w;
    CaptureOptions clean;
    clean.Noise = false;
    clean.Packets = 90;
    w.Choose({QString::fromStdString(dir.Write("clean.kss", GenerateCapture(clean).Bytes))});
    w.form.MenuFileOpenKiss_Click();
    const QString shown = w.c().Text1[5]->text();
    w.c().Satellites[1]->click();
    QCOMPARE(w.c().Text1[5]->text(), shown);
    QCOMPARE(w.m.RecordCount, 45);
    w.form.MenuFileOpenKiss_Click(); // the dialog gives the same file again
    QCOMPARE(w.m.RecordCount, 0);
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
