// SPDX-License-Identifier: GPL-3.0-or-later
// Time in the window: the chart's time axis, the passes on the "Import" page,
// and merging the captures of one open command.

#include "gui/windowfixture.h"
#include "telemetry/instant.h"
#include "ui/fieldchart.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>
#include <qcustomplot.h>

class TestTimeAxis : public QObject {
    Q_OBJECT
private slots:
    void recordsStandAtTheirInstants();
    void recordsWithoutATimeAreCounted();
    void passesOnTheImportPage();
    void mergingDropsTheSecondCopy();
    void hoursShowTheirDates();
};

namespace {

void OpenWeek(Window& w, int copies = 1)
{
    QStringList paths;
    for (int i = 0; i < copies; ++i)
        paths << Sample("qb50p1-week.kss");
    w.Choose(paths);
    w.form.MenuFileOpenKiss_Click();
}

int Column(QTableWidget* table, const QString& header)
{
    for (int c = 0; c < table->columnCount(); ++c)
        if (table->horizontalHeaderItem(c)->text() == header)
            return c;
    return -1;
}

} // namespace

void TestTimeAxis::recordsStandAtTheirInstants()
{
    Window w;
    w.form.show();
    OpenWeek(w);
    FieldChart& chart = w.form.Chart();
    QCustomPlot* plot = w.c().MSChart1;
    QVERIFY(!chart.TimeAxis()); // off at start: the rows of the records
    QCOMPARE(plot->xAxis->range().lower, 0.5);
    QCOMPARE(w.form.TimeAxisAction()->text(), QStringLiteral("Time axis"));
    w.form.TimeAxisAction()->trigger();
    QVERIFY(chart.TimeAxis());
    QVERIFY(!plot->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());

    // Each mark at its record's instant, in seconds; the axis spans the week.
    const double first = static_cast<double>(w.m.Packet(1, 1).At) / 1000;
    const double last = static_cast<double>(w.m.Packet(1, w.m.RecordCount).At) / 1000;
    QCOMPARE(chart.Bars()->data()->size(), static_cast<int>(w.m.RecordCount));
    QCOMPARE(chart.Bars()->data()->at(0)->key, first);
    QCOMPARE(chart.Bars()->data()->at(0)->value, w.m.Table.Record(1).Values[5]);
    QCOMPARE(chart.Bars()->widthType(), QCPBars::wtAbsolute);
    QVERIFY(plot->xAxis->range().lower < first && plot->xAxis->range().upper > last);
    QVERIFY(last - first > 5 * 86400);

    // The line breaks between the passes, and only there.
    w.c().Check1->click();
    const std::vector<Pass> passes = FindPasses(w.m);
    int breaks = 0;
    for (auto it = chart.Line()->data()->constBegin(); it != chart.Line()->data()->constEnd(); ++it)
        breaks += std::isnan(it->value);
    QCOMPARE(breaks, static_cast<int>(passes.size()) - 1);

    // The marker stands at the record on display; T, with the chart in focus, goes back to rows.
    w.c().HScroll1->setValue(3);
    QCOMPARE(chart.Marker()->point1->coords().x(), static_cast<double>(w.m.Packet(1, 3).At) / 1000);
    w.c().MSChart1->setFocus();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    // Where the focus is shows: a dotted frame around the chart, and around
    // the scroll bar once the focus moves on.
    const QColor mark(60, 60, 60);
    auto markedColumn = [&](const QImage& image, int x) {
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == mark)
                return true;
        return false;
    };
    QVERIFY(markedColumn(plot->toPixmap().toImage(), 1));
    QTest::keyClick(w.c().MSChart1, Qt::Key_T);
    QVERIFY(!chart.TimeAxis());
    QCOMPARE(chart.Marker()->point1->coords().x(), 3.0);
    w.c().HScroll1->setFocus();
    QVERIFY(!markedColumn(plot->toPixmap().toImage(), 1));
    QVERIFY(markedColumn(w.c().HScroll1->grab().toImage(), 0));
}

void TestTimeAxis::hoursShowTheirDates()
{
    Window w;
    w.form.show();
    OpenWeek(w);
    w.form.TimeAxisAction()->trigger();
    FieldChart& chart = w.form.Chart();
    QCustomPlot* plot = w.c().MSChart1;
    // Five hours over a midnight: clock times, with the date on the first
    // label and on the first of the next day.
    const Instant from = *ParseDateTime("2016-03-17 22:00:00");
    const Instant to = *ParseDateTime("2016-03-18 03:00:00");
    chart.ShowSpan(from, to);
    plot->replot();
    const QVector<QString> labels = plot->xAxis->tickVectorLabels();
    QVERIFY(labels.size() > 3);
    QStringList dated;
    for (const QString& label : labels)
        if (label.contains(QLatin1Char('\n')))
            dated << label.section(QLatin1Char('\n'), 0, 0);
    QCOMPARE(dated, QStringList({QStringLiteral("2016-03-17"), QStringLiteral("2016-03-18")}));
    QVERIFY(labels.front().startsWith(QStringLiteral("2016-03-17\n")));
    QVERIFY(labels.back().count(QLatin1Char(':')) == 2 && !labels.back().contains(QLatin1Char('-')));
    // The saved picture's title tells the span.
    QVERIFY2(chart.Title().startsWith(QStringLiteral("Sat Uptime (s), 2016-03-17 2")), qPrintable(chart.Title()));
    QVERIFY2(chart.Title().contains(QStringLiteral(" to 2016-03-18 0")), qPrintable(chart.Title()));
    QVERIFY(chart.Title().endsWith(QStringLiteral(" UTC")));
}

void TestTimeAxis::recordsWithoutATimeAreCounted()
{
    Window w;
    w.Choose({Sample("qb50p1-pass.log")}); // a clock time, and no date in its name
    w.form.MnuOpenLog_Click();
    w.form.TimeAxisAction()->trigger();
    QCOMPARE(w.form.Chart().RecordsWithoutTime(), 20);
    QCOMPARE(w.form.Chart().Bars()->data()->size(), 0);
    QCOMPARE(w.c().Frame1->title(), QStringLiteral("Sat Uptime (s) (20 records without a time)"));
    w.form.TimeAxisAction()->trigger();
    QCOMPARE(w.c().Frame1->title(), QStringLiteral("Sat Uptime (s)"));
}

void TestTimeAxis::passesOnTheImportPage()
{
    Window w;
    w.form.show();
    OpenWeek(w);
    QTableWidget* table = w.c().PassTable;
    const std::vector<Pass> passes = FindPasses(w.m);
    QCOMPARE(passes.size(), std::size_t(36));
    QCOMPARE(table->rowCount(), 36);
    QCOMPARE(table->item(0, Column(table, QStringLiteral("Start")))->text(), QStringLiteral("2016-03-17T10:15:00Z"));
    QCOMPARE(table->item(35, Column(table, QStringLiteral("Files")))->text(), QStringLiteral("qb50p1-week.kss"));
    std::int64_t records = 0;
    for (int row = 0; row < table->rowCount(); ++row)
        records += table->item(row, Column(table, QStringLiteral("Kind 1")))->text().toLongLong();
    QCOMPARE(records, w.m.RecordCount);

    // A double click shows the pass on the time axis.
    emit table->cellDoubleClicked(4, 0);
    QVERIFY(w.form.Chart().TimeAxis());
    const QCPRange range = w.c().MSChart1->xAxis->range();
    QVERIFY(range.lower <= static_cast<double>(passes[4].Start) / 1000);
    QVERIFY(range.upper >= static_cast<double>(passes[4].End) / 1000);
    QVERIFY(range.size() < 3600);
    QVERIFY(range.upper < static_cast<double>(passes[5].Start) / 1000);
}

void TestTimeAxis::mergingDropsTheSecondCopy()
{
    Window w;
    QAction* merge = w.form.MergeAction();
    QCOMPARE(merge->text(), QStringLiteral("Merge by time, drop duplicates"));
    QVERIFY(merge->isCheckable() && !merge->isChecked());
    OpenWeek(w, 2);
    QCOMPARE(w.m.RecordCount, 2 * 489);
    merge->setChecked(true);
    OpenWeek(w, 2);
    QCOMPARE(w.m.RecordCount, 489);
    QCOMPARE(w.m.Packet2Count, 488);
    QTableWidget* imports = w.c().ImportTable;
    QCOMPARE(imports->item(1, Column(imports, QStringLiteral("Duplicates")))->text(), QStringLiteral("977"));
    QCOMPARE(imports->item(0, Column(imports, QStringLiteral("Duplicates")))->text(), QStringLiteral("0"));
    QCOMPARE(w.c().PassTable->rowCount(), 36);
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / 489"));
}

QTEST_MAIN(TestTimeAxis)
#include "test_timeaxis.moc"
