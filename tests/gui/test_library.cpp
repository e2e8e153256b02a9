// SPDX-License-Identifier: GPL-3.0-or-later
// The satellite library in the window: the chooser and its filter, folders
// added to the library, satellites chosen by id, the choice restored at the
// next start, and what the window says of a description's warnings and of
// frames that none of the chosen satellite's parse.

#include "describe/describedsatellite.h"
#include "gui/windowfixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QtTest>

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void init();
    void theChooserFiltersByIdAndTitle();
    void aFolderAddedOffersItsDescriptions();
    void aSatelliteIsChosenByIdAndRestored();
    void warningsStayInView();
    void framesThatNoneParseAreToldWithWhatReadsThem();
};

namespace {

// A beacon of one byte 0x42 and a counter; fields that one of its names
// misspells never give a value.
std::string Beacon(const std::string& id, const std::string& misspelt = "count")
{
    return "meta:\n  id: " + id + "\n  title: Beacon " + id + "\ndoc: |\n  :field count: " + misspelt
        + "\nseq:\n  - id: magic\n    contents: [0x42]\n  - id: count\n    type: u1\n    doc: frame counter\n";
}

const char* const Export = "2026-01-02 03:04:05|4201\n"
                           "2026-01-02 03:04:15|4202\n";

} // namespace

void TestLibrary::init() { QSettings().clear(); }

void TestLibrary::theChooserFiltersByIdAndTitle()
{
    SatelliteChooser chooser({{QStringLiteral("qb50"), QStringLiteral("QB50 beacons"), QStringLiteral("/a/qb50.ksy")},
        {QStringLiteral("lightsail2"), QString(), QStringLiteral("/a/lightsail2.ksy")},
        {QStringLiteral("suchai2"), QStringLiteral("SUCHAI-2"), QStringLiteral("/b/suchai2.ksy"), true, true},
        {QStringLiteral("delfipq"), QStringLiteral("Delfi-PQ light"), QStringLiteral("/a/delfipq.ksy")}});
    // Recent ones first, then by id; the active one marked.
    QCOMPARE(chooser.ShownIds(),
        QStringList({QStringLiteral("suchai2"), QStringLiteral("delfipq"), QStringLiteral("lightsail2"),
            QStringLiteral("qb50")}));
    QVERIFY(chooser.List()->item(0)->text().startsWith(QStringLiteral("\u25CF suchai2")));
    QTest::keyClicks(chooser.Filter(), QStringLiteral("LIGHT"));
    QCOMPARE(chooser.ShownIds(), QStringList({QStringLiteral("delfipq"), QStringLiteral("lightsail2")}));
    QTest::keyClicks(chooser.Filter(), QStringLiteral("s"));
    QCOMPARE(chooser.ShownIds(), QStringList({QStringLiteral("lightsail2")}));
    // Return chooses the row the filter leaves.
    QTest::keyClick(chooser.Filter(), Qt::Key_Return);
    QCOMPARE(chooser.result(), int(QDialog::Accepted));
    QCOMPARE(chooser.Choice().Result, SatelliteChoice::Outcome::Chosen);
    QCOMPARE(chooser.Choice().File, QStringLiteral("/a/lightsail2.ksy"));
    // A filter that leaves nothing chooses nothing.
    SatelliteChooser none({{QStringLiteral("qb50"), QString(), QStringLiteral("/a/qb50.ksy")}});
    QTest::keyClicks(none.Filter(), QStringLiteral("zzz"));
    QTest::keyClick(none.Filter(), Qt::Key_Return);
    QCOMPARE(none.result(), int(QDialog::Rejected));
}

void TestLibrary::aFolderAddedOffersItsDescriptions()
{
    TempDir dir;
    dir.Write("one.ksy", Beacon("one"));
    dir.Write("two.ksy", Beacon("two"));
    dir.Write("hostile.ksy", "meta: [unclosed\n"); // listed by its file's name, never stops the rest
    Window w;
    // "Add a folder of descriptions...", then the chooser again with them; "two" is chosen.
    int shown = 0;
    std::vector<SatelliteRow> second;
    w.form.SetSatelliteChooser([&](QWidget*, const std::vector<SatelliteRow>& rows) {
        if (++shown == 1)
            return SatelliteChoice{SatelliteChoice::Outcome::AddFolder, {}};
        second = rows;
        return SatelliteChoice{SatelliteChoice::Outcome::Chosen, rows.at(2).File};
    });
    w.nextFolder = QString::fromStdString(dir.Path().string());
    w.c().OtherSatellite->click();
    QCOMPARE(shown, 2);
    QCOMPARE(second.size(), std::size_t{3});
    QCOMPARE(second[0].Id, QStringLiteral("hostile"));
    QCOMPARE(second[1].Title, QStringLiteral("Beacon one"));
    QCOMPARE(w.m.Described->Id(), std::string("two"));
    QVERIFY(w.c().OtherSatellite->isChecked());
    // Hostile text chosen is told, and the choice stays.
    w.form.SetSatelliteChooser([&](QWidget*, const std::vector<SatelliteRow>& rows) {
        return SatelliteChoice{SatelliteChoice::Outcome::Chosen, rows.back().File};
    });
    w.c().OtherSatellite->click(); // the recent "two" comes first now; the library's last is "one"
    QCOMPARE(w.m.Described->Id(), std::string("one"));
    QVERIFY(w.messages.isEmpty());
    QVERIFY(!w.form.ChooseDescription(QString::fromStdString(dir.File("hostile.ksy"))));
    QCOMPARE(w.messages.size(), 1);
    QVERIFY(w.messages[0].contains(QStringLiteral("hostile.ksy:")));
    QCOMPARE(w.m.Described->Id(), std::string("one"));
}

void TestLibrary::aSatelliteIsChosenByIdAndRestored()
{
    TempDir dir;
    dir.Write("beacon.ksy", Beacon("MyBeacon"));
    const QString capture = QString::fromStdString(dir.Write("pass.csv", Export));
    {
        Window w;
        w.form.AddSatelliteFolder(QString::fromStdString(dir.Path().string()));
        QString error;
        QVERIFY(!w.form.ChooseSatellite(QStringLiteral("nosuch"), error));
        QVERIFY(error.startsWith(QStringLiteral("unknown satellite 'nosuch'")));
        QVERIFY(w.form.ChooseSatellite(QStringLiteral("mybeacon"), error)); // any letter case
        QCOMPARE(w.m.Described->Id(), std::string("MyBeacon"));
        w.form.OpenSelection(CaptureKind::Satnogs, {capture});
        QCOMPARE(w.m.RecordCount, 2);
        QVERIFY(w.c().WarningList->isHidden()); // nothing to warn of
    }
    {
        Window w; // the next start
        w.form.RestoreSatelliteChoice();
        QVERIFY(w.m.Described);
        QCOMPARE(w.c().OtherSatellite->text(), QStringLiteral("MyBeacon"));
        w.c().Satellites[1]->click();
    }
    {
        Window w;
        w.form.RestoreSatelliteChoice();
        QVERIFY(!w.m.Described);
        QCOMPARE(w.m.SatelliteNumber, 2);
        QVERIFY(w.c().Satellites[1]->isChecked());
    }
    {
        // A description gone since: the first built-in satellite, and a word why.
        QSettings().setValue(QStringLiteral("satellite"), QString::fromStdString(dir.File("gone.ksy")));
        Window w;
        w.form.RestoreSatelliteChoice();
        QVERIFY(!w.m.Described);
        QCOMPARE(w.m.SatelliteNumber, 1);
        QVERIFY(w.c().Text4->text().startsWith(QStringLiteral("The satellite chosen last, ")));
        QVERIFY(w.messages.isEmpty());
    }
}

void TestLibrary::warningsStayInView()
{
    TempDir dir;
    const QString ksy = QString::fromStdString(dir.Write("typo.ksy", Beacon("typo", "cuont")));
    const QString capture = QString::fromStdString(dir.Write("pass.csv", Export));
    Window w;
    QVERIFY(w.form.ChooseDescription(ksy));
    QCOMPARE(w.c().Text4->text(), QStringLiteral("1 warning: see Import"));
    QVERIFY(!w.c().WarningList->isHidden());
    QCOMPARE(w.c().WarningList->count(), 1);
    QVERIFY(w.c().WarningList->item(0)->text().contains(QStringLiteral("typo.ksy:5: field count (cuont)")));
    // A read keeps them in view, and the status says so again after it.
    w.form.OpenSelection(CaptureKind::Satnogs, {capture});
    QCOMPARE(w.m.RecordCount, 2);
    QCOMPARE(w.c().Text4->text(), QStringLiteral("1 warning: see Import"));
    QCOMPARE(w.c().WarningList->count(), 1);
    // The built-in satellite has no warning; none of its packets is here.
    w.c().Satellites[0]->click();
    QCOMPARE(w.c().WarningList->count(), 1);
    QCOMPARE(w.c().WarningList->item(0)->text(), QStringLiteral("No satellite of the library reads these frames."));
}

void TestLibrary::framesThatNoneParseAreToldWithWhatReadsThem()
{
    TempDir library;
    library.Write("beacon.ksy", Beacon("beacon"));
    TempDir dir;
    const QString other = QString::fromStdString(dir.Write("other.ksy",
        "meta:\n  id: other\ndoc: |\n  :field v: v\n  :field w: nothing\nseq:\n  - id: magic\n    contents: [0x99]\n  "
        "- id: v\n    type: u1\n"));
    const QString capture = QString::fromStdString(dir.Write("pass.csv", Export));
    Window w;
    w.form.AddSatelliteFolder(QString::fromStdString(library.Path().string()));
    QVERIFY(w.form.ChooseDescription(other));
    w.form.OpenSelection(CaptureKind::Satnogs, {capture});
    QCOMPARE(w.m.RecordCount, 0);
    QCOMPARE(w.c().Text4->text(), QStringLiteral("0 of 2 frames parse with other, 1 warning: see Import"));
    QCOMPARE(w.c().FieldValues[0]->text(), QString());
    // What reads the frames comes before the warnings.
    QCOMPARE(w.c().WarningList->count(), 3);
    QVERIFY(w.c().WarningList->item(2)->text().contains(QStringLiteral("other.ksy:5: field w (nothing)")));
    QCOMPARE(w.c().WarningList->item(0)->text(), QStringLiteral("These frames read best with:"));
    QVERIFY2(w.c().WarningList->item(1)->text().startsWith(
                 QStringLiteral("  beacon: 2 of 2 frames read, 100% of their fields filled (Beacon beacon, ")),
        qPrintable(w.c().WarningList->item(1)->text()));
}

QTEST_MAIN(TestLibrary)
#include "test_library.moc"
