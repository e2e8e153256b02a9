// SPDX-License-Identifier: GPL-3.0-or-later
// Offscreen: opening captures of any kind from the menu and by dropping them,
// the "Import" page, cancelling a read, and exploring the chart.

#include "fields/valuetext.h"
#include "gui/windowfixture.h"
#include "input/detect.h"
#include "ui/fieldchart.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <qcustomplot.h>

namespace {

const std::vector<CaptureKind> AllKinds = AllCaptureKinds(true);

// One capture of each kind, with names that do not give their kind away.
QStringList OneOfEachKind(TempDir& dir)
{
    QStringList paths;
    int n = 0;
    for (const CaptureKind kind : AllKinds)
        paths << Generate(dir, ("capture-" + std::to_string(n++)).c_str(), kind, 20);
    return paths;
}

// The column of the "Import" page with that header.
int Column(Window& w, const QString& header)
{
    for (int c = 0; c < w.c().ImportTable->columnCount(); ++c)
        if (w.c().ImportTable->horizontalHeaderItem(c)->text() == header)
            return c;
    return -1;
}

QString Cell(Window& w, int row, int column)
{
    const QTableWidgetItem* item = w.c().ImportTable->item(row, column);
    return item ? item->text() : QString();
}

void MoveMouse(QWidget* widget, QPointF at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

// The window on screen with the chart of a KISS capture.
QCustomPlot* ShowChartOf(Window& w, const QString& capture)
{
    w.form.resize(800, 900);
    w.form.show();
    w.Choose({capture});
    w.form.MenuFileOpenKiss_Click();
    return w.c().MSChart1;
}

} // namespace

class TestExplore : public QObject {
    Q_OBJECT
private slots:
    void anyKindCommandReadsEachWithItsReader();
    void droppedFilesAreOneSelection();
    void cancelStopsAndKeepsWhatWasRead();
    void zoomPanAndResetTheRows();
    void denseRowsAreDrawnPerPixelColumn();
    void readoutFollowsTheMouse();
    void saveChartAsPng();
};

void TestExplore::anyKindCommandReadsEachWithItsReader()
{
    TempDir dir;
    Window w;
    w.Choose(OneOfEachKind(dir) << QString::fromStdString(dir.Write("notes", "dear operator\n")));
    w.form.MnuOpenAny_Click();
    QCOMPARE(w.form.OpenAction(std::nullopt)->text(), QStringLiteral("Open capture file (any kind)"));
    QCOMPARE(w.filters.front(),
        QStringLiteral(
            "Capture Files (*.kss *.txt *.log *.csv *.wav *.flac *.ogg *.opus)|*.kss;*.txt;*.log;*.csv;*.wav;*.flac;*."
            "ogg;*.opus|All Files (*.*)|*.*"));
    const int kinds = static_cast<int>(AllKinds.size());
    QCOMPARE(w.m.RecordCount, 10 * kinds);
    QCOMPARE(w.m.Packet2Count, 10 * kinds);

    // The "Import" page: one row per file, its kind, what it gave.
    QCOMPARE(w.c().ImportTable->rowCount(), kinds + 1);
    for (int row = 0; row < kinds; ++row) {
        // (a sound recording's modem, length, level and start after its kind)
        QCOMPARE(Cell(w, row, 1).section(QLatin1Char(':'), 0, 0), QString::fromLatin1(CaptureKindName(AllKinds[row])));
        QCOMPARE(Cell(w, row, 4), QStringLiteral("10"));
        QCOMPARE(Cell(w, row, 5), QStringLiteral("10"));
        QCOMPARE(Cell(w, row, Column(w, QStringLiteral("Outcome"))), QStringLiteral("read"));
    }
    QCOMPARE(Cell(w, 0, 8), QString::number(w.m.Imports[0].OtherSatellite)); // KISS: the other satellite's frames
    QVERIFY(w.m.Imports[0].OtherSatellite + w.m.Imports[2].OtherSatellite > 0);
    // The generated KISS capture starts 2016-03-17 10:15:00 and has a beacon every 10 s.
    QCOMPARE(Cell(w, 0, Column(w, QStringLiteral("First time"))), QStringLiteral("2016-03-17T10:15:00Z"));
    QCOMPARE(Cell(w, 0, Column(w, QStringLiteral("Last time"))), QStringLiteral("2016-03-17T10:18:10Z"));
    QVERIFY(Cell(w, static_cast<int>(AllKinds.size()), Column(w, QStringLiteral("Outcome")))
                .contains(QStringLiteral("not a capture of a known kind")));
    QVERIFY(w.c().Text4->text().contains(QStringLiteral("not a capture of a known kind")));

    // A selection too long for the dialog starts an empty data set: an empty page.
    w.next.Result = FileDialogResult::Outcome::TooManyFiles;
    w.form.MnuOpenAny_Click();
    QCOMPARE(w.c().ImportTable->rowCount(), 0);
    QCOMPARE(w.c().ImportTable->horizontalHeaderItem(0)->text(), QStringLiteral("File"));
}

void TestExplore::droppedFilesAreOneSelection()
{
    TempDir dir;
    Window w;
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : OneOfEachKind(dir))
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.form, &drop);
    const int kinds = static_cast<int>(AllKinds.size());
    QCOMPARE(w.c().List3->count(), kinds);
    QCOMPARE(w.m.RecordCount, 10 * kinds);
    QCOMPARE(w.c().ImportTable->rowCount(), kinds);
    QVERIFY(w.filters.isEmpty()); // no dialog
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / %1").arg(10 * kinds));

    // Text that is no file is not taken.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    other.setAccepted(false);
    QCoreApplication::sendEvent(&w.form, &other);
    QVERIFY(!other.isAccepted());
}

void TestExplore::cancelStopsAndKeepsWhatWasRead()
{
    TempDir dir;
    Window w;
    const QString big = Generate(dir, "big.kss", CaptureKind::Kiss, 200000);
    const QString next = Generate(dir, "next.kss", CaptureKind::Kiss, 10);
    bool progressShown = false;
    bool clicked = false;
    int progress = 0;
    w.form.OnPendingEvents = [&] {
        progressShown = progressShown || w.c().ReadProgress->isVisibleTo(&w.form);
        progress = std::max(progress, w.c().ReadProgress->value());
        // The user clicks "Cancel" once the bar shows the reading under way,
        // however fast or slow the machine reads.
        if (!clicked && progress > 0 && w.c().CancelRead->isVisibleTo(&w.form)) {
            clicked = true;
            w.c().CancelRead->click();
        }
    };
    w.Choose({big, next});
    w.form.MenuFileOpenKiss_Click();

    QVERIFY(progressShown);
    QVERIFY(progress > 0 && progress < 1000);
    QVERIFY(w.m.RecordCount > 0 && w.m.RecordCount < 100000);
    QCOMPARE(w.c().Text4->text(), QStringLiteral("cancelled"));
    QCOMPARE(w.m.Imports.size(), std::size_t(1));
    QVERIFY(w.m.Imports[0].Cancelled);
    QCOMPARE(Cell(w, 0, Column(w, QStringLiteral("Outcome"))), QStringLiteral("cancelled"));
    // The view shows what was read, as at the end of a file.
    QVERIFY(w.c().HScroll1->isEnabled());
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / %1").arg(w.m.RecordCount));
    QCOMPARE(w.form.Chart().RowCount(), w.m.RecordCount);
    QVERIFY(!w.c().ReadProgress->isVisibleTo(&w.form) && !w.c().CancelRead->isVisibleTo(&w.form));

    // The next open command reads the whole file again.
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, 100005);
}

void TestExplore::zoomPanAndResetTheRows()
{
    TempDir dir;
    Window w;
    QCustomPlot* plot = ShowChartOf(w, Generate(dir, "pass.kss", CaptureKind::Kiss, 400));
    const QCPRange full = plot->xAxis->range();
    QCOMPARE(full.lower, 0.5);
    QCOMPARE(full.upper, 200.5);

    const QPointF centre = plot->axisRect()->rect().center();
    QWheelEvent wheel(centre, plot->mapToGlobal(centre), QPoint(), QPoint(0, 600), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
    const QCPRange zoomed = plot->xAxis->range();
    QVERIFY(zoomed.size() < full.size() / 2);
    QVERIFY(zoomed.lower > full.lower && zoomed.upper < full.upper);

    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    QTest::mouseMove(plot, (centre + QPointF(100, 0)).toPoint());
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, (centre + QPointF(100, 0)).toPoint());
    const QCPRange panned = plot->xAxis->range();
    QVERIFY(panned.lower < zoomed.lower);
    QCOMPARE(panned.size(), zoomed.size());

    // Bars and line switched: the rows shown stay.
    w.c().Check1->click();
    QCOMPARE(plot->xAxis->range(), panned);
    w.c().Check1->click();
    QCOMPARE(plot->xAxis->range(), panned);

    // A double click shows all rows and leaves the record on display as it was.
    const int shown = w.c().HScroll1->value();
    QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    QVERIFY(w.c().HScroll1->value() != shown); // a click shows the row's record
    w.c().HScroll1->setValue(shown);
    QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    QCOMPARE(plot->xAxis->range().lower, full.lower);
    QCOMPARE(plot->xAxis->range().upper, full.upper);
    QCOMPARE(w.c().HScroll1->value(), shown);
}

void TestExplore::denseRowsAreDrawnPerPixelColumn()
{
    // 2,000 rows in some 650 pixels: each pixel column shows its rows'
    // highest value, in the bars' outline colour, and nothing above it.
    TempDir dir;
    Window w;
    QCustomPlot* plot = ShowChartOf(w, Generate(dir, "long.kss", CaptureKind::Kiss, 4000));
    const QImage image = plot->toPixmap().toImage();
    const QColor outline = w.form.Chart().Bars()->pen().color();
    for (const std::int64_t row : {100, 1000, 1900}) {
        const double value = w.m.Table.Record(row).Values[5];
        const int x = static_cast<int>(std::lround(plot->xAxis->coordToPixel(static_cast<double>(row))));
        QCOMPARE(image.pixelColor(x, static_cast<int>(plot->yAxis->coordToPixel(value / 2))), outline);
        QVERIFY(image.pixelColor(x, static_cast<int>(plot->yAxis->coordToPixel(value * 1.03))) != outline);
    }
}

void TestExplore::readoutFollowsTheMouse()
{
    Window w;
    QCustomPlot* plot = ShowChartOf(w, Sample("qb50p1-pass.kss"));
    FieldChart& chart = w.form.Chart();
    const double y = plot->axisRect()->rect().center().y();

    MoveMouse(plot, QPointF(plot->xAxis->coordToPixel(3.1), y));
    QVERIFY(chart.Readout()->visible());
    const auto uptime = static_cast<long long>(w.m.Table.Record(3).Values[5]);
    QCOMPARE(chart.Readout()->text(),
        QStringLiteral("#3  2016-03-17 10:15:40 UTC  %1 s\n2016-03-17T10:15:40Z, qb50p1-pass.kss at byte 613")
            .arg(uptime));

    // A field without a unit, and a coded one: the value as the record view shows it.
    w.c().Option1[0]->click();
    MoveMouse(plot, QPointF(plot->xAxis->coordToPixel(1), y));
    // The first data frame follows the first time frame: FEND, 24 bytes, FEND, FEND.
    QCOMPARE(chart.Readout()->text(),
        QStringLiteral("#1  2016-03-17 10:15:00 UTC  norm\n2016-03-17T10:15:00Z, qb50p1-pass.kss at byte 27"));
    QCOMPARE(w.c().Label5->toolTip(), QStringLiteral("<qt>2016-03-17T10:15:00Z, qb50p1-pass.kss at byte 27</qt>"));

    // Off the rows, no readout.
    MoveMouse(plot, QPointF(plot->xAxis->coordToPixel(-5), y));
    QVERIFY(!chart.Readout()->visible());
    // Nor once the mouse has left the chart.
    MoveMouse(plot, QPointF(plot->xAxis->coordToPixel(3), y));
    QVERIFY(chart.Readout()->visible());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(plot, &leave);
    QVERIFY(!chart.Readout()->visible());
}

void TestExplore::saveChartAsPng()
{
    TempDir dir;
    Window w;
    w.form.show();
    QString suggested;
    const QString target = QString::fromStdString(dir.File("uptime chart.png"));
    w.form.SetSaveDialog([&](QWidget*, const QString& s) {
        suggested = s;
        return target;
    });
    const std::string capture = dir.Write("pass.kss", ReadFileBytes(Sample("qb50p1-pass.kss").toStdString()));
    w.Choose({QString::fromStdString(capture)});
    w.form.MenuFileOpenKiss_Click();

    QAction* save = w.form.ChartMenu()->findChild<QAction*>(QStringLiteral("SaveChartPng"));
    QVERIFY(save);
    QCOMPARE(save->text(), QStringLiteral("Save chart as PNG..."));
    // With the readout showing.
    QCustomPlot* plot = w.c().MSChart1;
    MoveMouse(plot, QPointF(plot->xAxis->coordToPixel(3), plot->axisRect()->rect().center().y()));
    QVERIFY(w.form.Chart().Readout()->visible());
    const QImage shown = plot->grab().toImage();
    save->trigger();
    QCOMPARE(suggested, QString::fromStdString(dir.File("pass Sat Uptime.png")));
    QCOMPARE(w.c().Text4->text(), target + QStringLiteral(" saved"));
    const QImage png(target, "PNG");
    QCOMPARE(png.size(), plot->size());
    // The readout's pale yellow is on the window, not in the picture; the
    // picture has a title line above the rows, which the window has not.
    auto count = [](const QImage& image, QRect area, auto&& test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += test(QColor(image.pixel(x, y)));
        return n;
    };
    const auto readoutYellow = [](const QColor& c) { return c == QColor(255, 255, 225); };
    QVERIFY(count(shown, shown.rect(), readoutYellow) > 100);
    QCOMPARE(count(png, png.rect(), readoutYellow), 0);
    const auto dark = [](const QColor& c) { return c.lightness() < 100; };
    const QRect top(0, 0, png.width(), 14);
    QVERIFY(count(png, top, dark) > 20);
    QCOMPARE(count(shown, top, dark), 0);
    QVERIFY(w.form.Chart().Readout()->visible()); // the window keeps it

    // Cancelled: nothing written, the status stays.
    w.form.SetSaveDialog([](QWidget*, const QString&) { return QString(); });
    save->trigger();
    QCOMPARE(w.c().Text4->text(), target + QStringLiteral(" saved"));
}

QTEST_MAIN(TestExplore)
#include "test_explore.moc"
