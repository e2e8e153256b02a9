// SPDX-License-Identifier: GPL-3.0-or-later
// The window as operators use it: text from captures shown as text, the
// keyboard, going to a record, texts that fit, the chart's axis, marker and
// readout, copying from the dump page.

#include "app/infowindow.h"
#include "gui/windowfixture.h"
#include "tools/frameencoders.h"
#include "ui/dumpview.h"
#include "ui/fieldchart.h"
#include "ui/recordview.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <qcustomplot.h>

#include <sys/stat.h>

class TestOperators : public QObject {
    Q_OBJECT
private slots:
    void markupFromCapturesIsText();
    void keysStepTheRecords();
    void menusHaveMnemonicsAndShortcuts();
    void goToRecord();
    void textsThatDoNotFitShowWhole();
    void lineChartSpansItsValuesBarsStandOnZero();
    void markerFollowsTheRecordAndAClickChoosesOne();
    void readoutStandsBesideTheMouse();
    void dumpPageCopiesItsText();
    void infoWindowLinks();
    void progressLeavesTheStatusReadable();
    void decimalMarkOutsideLatin1();
    void unreadableServerLogEmptiesTheDumpPage();
};

namespace {

void Open(Window& w, const QString& capture)
{
    w.Choose({capture});
    w.form.MenuFileOpenKiss_Click();
}

// A KISS capture of the sample's first beacons with time frames of the given texts.
QString KissWithTimes(TempDir& dir, const char* name, const std::vector<std::string>& times)
{
    std::string bytes;
    std::int64_t beacon = 0;
    for (const std::string& time : times) {
        AppendKissFrame(bytes, KissTimeFrame(time));
        AppendKissFrame(bytes, FullFrame(1, MakeBeacon(1, 1, beacon++, 1)));
    }
    return QString::fromStdString(dir.Write(name, bytes));
}

void Activate(Window& w)
{
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
}

} // namespace

void TestOperators::markupFromCapturesIsText()
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bold = "<b>bold</b><img src=\"file:///etc/hostname\">";
    const std::string hang = "<img src=\"" + fifo + "\">";
    std::string long_;
    while (long_.size() < 10000)
        long_ += "<i><u>x</u></i>";
    Window w;
    w.form.show();
    const QString capture = KissWithTimes(dir, "<b>markup<.b>.kss", {bold, hang, long_});
    Open(w, capture);
    QCOMPARE(w.m.RecordCount, 3);
    QCOMPARE(w.c().Label5->textFormat(), Qt::PlainText);
    QCOMPARE(w.c().Label5->text(), QString::fromStdString(bold));
    // Painting the window reads nothing: a FIFO named by markup would block it.
    w.c().HScroll1->setValue(2);
    QCOMPARE(w.c().Label5->text(), QString::fromStdString(hang));
    QVERIFY(!w.form.grab().isNull());
    w.c().HScroll1->setValue(3);
    QVERIFY(!w.form.grab().isNull());
    // Of 10,000 characters, what the frame buffer holds, as text.
    QCOMPARE(w.c().Label5->text(), QString::fromStdString(long_.substr(0, 511)));
    // Too long to be drawn whole: elided, and whole (as text) in the tooltip.
    QVERIFY(w.c().Label5->IsElided());
    QVERIFY(w.c().Label5->toolTip().contains(QStringLiteral("&lt;i&gt;&lt;u&gt;x&lt;/u&gt;&lt;/i&gt;")));
    // The tooltip, the status box and the Import page hold the names as text.
    QVERIFY(w.c().Label5->toolTip().contains(QStringLiteral("&lt;b&gt;markup&lt;.b&gt;.kss")));
    QCOMPARE(w.c().Text4->text(), capture);
    QCOMPARE(w.c().ImportTable->item(0, 0)->text(), capture);
    QTest::mouseMove(w.c().MSChart1, QPoint(w.c().MSChart1->xAxis->coordToPixel(2), 60));
    QVERIFY(w.form.Chart().Readout()->text().contains(QString::fromStdString(hang)));
}

void TestOperators::keysStepTheRecords()
{
    Window w;
    Activate(w);
    Open(w, Sample("qb50p1-pass.kss"));
    QScrollBar* bar = w.c().HScroll1;
    w.c().SSTab1->setFocus();
    const std::pair<int, int> steps[] = {{Qt::Key_Right, 2}, {Qt::Key_PageDown, 12}, {Qt::Key_Left, 11},
        {Qt::Key_End, 45}, {Qt::Key_Right, 45}, {Qt::Key_PageUp, 35}, {Qt::Key_Home, 1}, {Qt::Key_Left, 1}};
    for (const auto& [key, record] : steps) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
        QCOMPARE(bar->value(), record);
    }
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#1 / 45"));

    // A click on a satellite button leaves the arrow keys to the records;
    // the tab key gives it the focus on purpose, and then they are its own.
    QTest::mouseClick(w.c().Satellites[1], Qt::LeftButton);
    QVERIFY(w.c().Satellites[1]->isChecked());
    QVERIFY(QApplication::focusWidget() != w.c().Satellites[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(bar->value(), 2);
    w.c().Satellites[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.c().Satellites[0], Qt::Key_Right);
    QCOMPARE(bar->value(), 2);
    // A value box, read-only, leaves them to the records too.
    w.c().Text1[3]->setFocus();
    QTest::keyClick(w.c().Text1[3], Qt::Key_Right);
    QCOMPARE(bar->value(), 3);
    // The scroll bar takes the focus when clicked; the tab order.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));
    QCOMPARE(QApplication::focusWidget(), bar);
    // The tab key walks the pages, the satellite, the chart and the scroll bar.
    QList<QWidget*> walk;
    w.c().SSTab1->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk << QApplication::focusWidget();
    }
    const auto at = [&](QWidget* widget) { return walk.indexOf(widget); };
    QVERIFY(at(w.c().Satellites[0]) >= 0 || at(w.c().Satellites[1]) >= 0);
    QVERIFY(at(w.c().MSChart1) > std::max(at(w.c().Satellites[0]), at(w.c().Satellites[1])));
    QCOMPARE(at(bar), at(w.c().MSChart1) + 1);
}

void TestOperators::menusHaveMnemonicsAndShortcuts()
{
    Window w;
    QStringList titles;
    for (QAction* action : w.form.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, QStringList({QStringLiteral("&File"), QStringLiteral("&TLM File"), QStringLiteral("&Info")}));
    QCOMPARE(w.form.OpenAction(std::nullopt)->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(w.form.Action("MnuInfo")->shortcut(), QKeySequence(QKeySequence::HelpContents));
    QCOMPARE(w.form.Action("MnuGoTo")->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    QAction* quit = w.form.Action("MnuQuit");
    QCOMPARE(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(w.form.findChild<QMenu*>(QStringLiteral("MnuFile"))->actions().last(), quit);
    w.form.show();
    quit->trigger();
    QVERIFY(!w.form.isVisible());
}

void TestOperators::goToRecord()
{
    Window w;
    Activate(w);
    int asked = 0;
    w.form.SetRecordDialog([&](QWidget*, int current, int count) {
        ++asked;
        [&] { QCOMPARE(count, 45); }();
        return current == 1 ? std::optional<int>(17) : std::nullopt;
    });
    w.form.GoToRecord(); // no records yet: nothing to ask
    QCOMPARE(asked, 0);
    Open(w, Sample("qb50p1-pass.kss"));
    w.form.Action("MnuGoTo")->trigger();
    QCOMPARE(w.c().HScroll1->value(), 17);
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#17 / 45"));
    QTest::mouseDClick(w.c().Text2, Qt::LeftButton);
    QCOMPARE(asked, 2);
    QCOMPARE(w.c().HScroll1->value(), 17); // cancelled

    // What the dialog takes: a number in range, nothing cut or clamped.
    const struct {
        const char* Text;
        std::optional<int> Record;
        const char* Problem;
    } answers[] = {
        {"17", 17, ""},
        {" 489 ", 489, ""},
        {"9999", std::nullopt, "9999 is no record: give a number from 1 to 489"},
        {"0", std::nullopt, "0 is no record: give a number from 1 to 489"},
        {"-3", std::nullopt, "-3 is no record: give a number from 1 to 489"},
        {"12a", std::nullopt, "12a is no record: give a number from 1 to 489"},
        {"", std::nullopt, "Give a number from 1 to 489"},
    };
    for (const auto& a : answers) {
        const RecordNumberAnswer answer = ReadRecordNumber(QString::fromLatin1(a.Text), 489);
        QCOMPARE(answer.Record, a.Record);
        QCOMPARE(answer.Problem, QString::fromLatin1(a.Problem));
    }
}

void TestOperators::textsThatDoNotFitShowWhole()
{
    Window w;
    w.form.show();
    Open(w, Sample("qb50p1-pass.kss"));
    // The record counter stays whole and legible to seven digits.
    FittedBox* counter = w.c().Text2;
    for (const QString& text : {QStringLiteral("#25 / 500000"), QStringLiteral("#5000000 / 5000000")}) {
        SetRecordCounter(counter, text);
        QCOMPARE(counter->text(), text);
        QCOMPARE(counter->toolTip(), text);
        QVERIFY(!counter->IsElided());
        QVERIFY(counter->FittedFont().pointSizeF() >= FittedBox::MinimumPoints);
    }
    // Values wider than their boxes (record 1 of the week's second packet kind,
    // a word of the record view) are drawn smaller, and where even that is too
    // wide, elided with a mark; never cut without a sign. The whole text is in
    // the tooltip.
    auto field = [](const char* caption) {
        for (int i = 0; i < FieldCount; ++i)
            if (FieldCaption(i) == caption)
                return i;
        return -1;
    };
    const std::pair<const char*, QString> wide[] = {{"epoch", QStringLiteral("511524913")},
        {"SF Uptime", QStringLiteral("90013.00")}, {"ADCS Ctrmode", QStringLiteral("Mag rate")},
        {"EPS track", QStringLiteral("max power")}, {"Sat Uptime", QStringLiteral("12345678901234.00")}};
    for (const auto& [caption, text] : wide) {
        FittedBox* box = w.c().Text1[static_cast<std::size_t>(field(caption))];
        box->SetFittedText(text);
        QCOMPARE(box->text(), text);
        QVERIFY2(box->IsFitted(), caption);
        QCOMPARE(box->toolTip(), text);
        QVERIFY(box->FittedFont().pointSizeF() >= FittedBox::MinimumPoints);
        const QFontMetrics drawn(box->FittedFont());
        if (box->IsElided())
            QVERIFY(drawn.elidedText(text, Qt::ElideRight, box->TextRoom()).endsWith(QChar(0x2026)));
        else
            QVERIFY(drawn.horizontalAdvance(text) <= box->TextRoom());
    }
    QVERIFY(w.c().Text1[static_cast<std::size_t>(field("Sat Uptime"))]->IsElided());
    w.c().Text1[1]->SetFittedText(QStringLiteral("12"));
    QVERIFY(!w.c().Text1[1]->IsFitted());
    QCOMPARE(w.c().Text1[1]->toolTip(), QString()); // "12" fits
    QCOMPARE(w.c().Check1->toolTip(), QStringLiteral("bars / line"));
    // The row labels end before the "B" box.
    QCustomPlot* plot = w.c().MSChart1;
    const auto ticks = w.form.Chart().Ticker()->ticks();
    const double lastTick = plot->xAxis->coordToPixel(ticks.lastKey());
    const int labelHalf = QFontMetrics(plot->xAxis->tickLabelFont()).height() / 2 + 1; // labels stand on end
    QVERIFY(plot->x() + lastTick + labelHalf < w.c().Check1->x()); // both stand in the chart's frame
}

void TestOperators::lineChartSpansItsValuesBarsStandOnZero()
{
    Window w;
    Open(w, Sample("qb50p1-pass.kss"));
    w.c().Option1[21]->click(); // Batt volts, 7800 mV and more
    QCustomPlot* plot = w.c().MSChart1;
    QCOMPARE(plot->yAxis->range().lower, 0.0);
    w.c().Check1->click(); // the line
    double low = 1e9;
    double high = -1e9;
    for (std::int64_t n = 1; n <= w.m.RecordCount; ++n) {
        low = std::min(low, w.m.Table.Record(n).Values[21]);
        high = std::max(high, w.m.Table.Record(n).Values[21]);
    }
    QVERIFY(high > low);
    const QCPRange range = plot->yAxis->range();
    QVERIFY(range.lower < low && range.lower > low - (high - low) * 0.1);
    QVERIFY(range.upper > high && range.upper < high + (high - low) * 0.1);
}

void TestOperators::markerFollowsTheRecordAndAClickChoosesOne()
{
    Window w;
    w.form.show();
    Open(w, Sample("qb50p1-pass.kss"));
    FieldChart& chart = w.form.Chart();
    QVERIFY(chart.Marker()->visible());
    QCOMPARE(chart.Marker()->point1->coords().x(), 1.0);
    w.c().HScroll1->setValue(7);
    QCOMPARE(chart.Marker()->point1->coords().x(), 7.0);
    QCustomPlot* plot = w.c().MSChart1;
    const QPoint row10(static_cast<int>(plot->xAxis->coordToPixel(10)), plot->axisRect()->rect().center().y());
    QTest::mouseClick(plot, Qt::LeftButton, {}, row10);
    QCOMPARE(w.c().HScroll1->value(), 10);
    QCOMPARE(chart.Marker()->point1->coords().x(), 10.0);
}

void TestOperators::readoutStandsBesideTheMouse()
{
    Window w;
    w.form.show();
    Open(w, Sample("qb50p1-pass.kss"));
    QCustomPlot* plot = w.c().MSChart1;
    FieldChart& chart = w.form.Chart();
    const QRect area = plot->axisRect()->rect();
    for (const double row : {3.0, 22.0, 44.8}) {
        const double value = w.m.Table.Record(static_cast<std::int64_t>(std::round(row))).Values[5];
        const QPointF mouse(plot->xAxis->coordToPixel(row), plot->yAxis->coordToPixel(value) + 5);
        const QString text = chart.ReadoutAt(mouse.x());
        const QPointF at = chart.ReadoutPlace(text, mouse);
        const QFontMetricsF fm(chart.Readout()->font());
        double width = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            width = std::max(width, fm.horizontalAdvance(line));
        const QRectF box(at, QSizeF(width + 10, 2 * fm.lineSpacing() + 6));
        const QPointF point(plot->xAxis->coordToPixel(std::round(row)), mouse.y());
        QVERIFY2(!box.contains(point) && !box.contains(mouse), qPrintable(QString::number(row)));
        QVERIFY(box.left() >= area.left() && box.right() <= area.right() + 1);
        QVERIFY(box.top() >= area.top() && box.bottom() <= area.bottom() + 1);
    }
}

void TestOperators::dumpPageCopiesItsText()
{
    Window w;
    Activate(w);
    Open(w, Sample("qb50p1-pass.kss"));
    DumpView* dump = w.c().Text3;
    w.c().SSTab1->setCurrentIndex(2);
    dump->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(dump, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(dump, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("00 A2"));
    QTest::keyClick(dump, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(dump->SelectedText().count(QLatin1Char('\n')), 1);
    QTest::keyClick(dump, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dump, Qt::Key_C, Qt::ControlModifier);
    QString whole = QString::fromLatin1(dump->Text().c_str());
    whole.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    whole.chop(1);
    QCOMPARE(QApplication::clipboard()->text(), whole);
    // The mouse selects too.
    const int line = QFontMetrics(dump->font()).lineSpacing();
    QTest::mousePress(dump->viewport(), Qt::LeftButton, {}, QPoint(2, line / 2));
    QMouseEvent drag(QEvent::MouseMove, QPointF(2, line * 2.5), dump->viewport()->mapToGlobal(QPointF(2, line * 2.5)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dump->viewport(), &drag);
    QCOMPARE(dump->SelectedText().count(QLatin1Char('\n')), 2);
}

void TestOperators::infoWindowLinks()
{
    Window w;
    w.form.MnuInfo_Click();
    Info* info = w.form.InfoWindow();
    QVERIFY(info);
    QCOMPARE(info->Label6->text(), QStringLiteral("Homepage:"));
    QCOMPARE(info->Label7->text(), QStringLiteral("e-mail:"));
    QVERIFY(info->Label4->text().contains(QStringLiteral("href=\"file://")));
    QVERIFY(info->Label4->text().contains(QStringLiteral("README.md")));
    QVERIFY(info->Label5->text().contains(QStringLiteral("href=\"mailto:")));
    QVERIFY(info->Label4->openExternalLinks() && info->Label5->openExternalLinks());
}

void TestOperators::progressLeavesTheStatusReadable()
{
    Window w;
    QVERIFY(!w.c().ReadProgress->geometry().intersects(w.c().Text4->geometry()));
    QVERIFY(!w.c().CancelRead->geometry().intersects(w.c().Text4->geometry()));
    QVERIFY(!w.c().CancelRead->geometry().intersects(w.c().ReadProgress->geometry()));
}

void TestOperators::decimalMarkOutsideLatin1()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    Window w;
    QLocale::setDefault(saved);
    Open(w, Sample("qb50p1-pass.kss"));
    const QString mark = QLocale(QLocale::Arabic, QLocale::Egypt).decimalPoint();
    QVERIFY(mark.at(0).unicode() > 0xFF);
    QCOMPARE(w.c().Text1[15]->text(), QStringLiteral("10") + mark + QStringLiteral("07"));
}

void TestOperators::unreadableServerLogEmptiesTheDumpPage()
{
    TempDir dir;
    Window w;
    Open(w, Sample("qb50p1-pass.kss"));
    QCOMPARE(w.c().Text3->LineCount(), std::size_t(90));
    w.Choose({QString::fromStdString(dir.File("gone.log"))});
    w.form.MnuOpenServerLogfile_Click();
    QCOMPARE(w.c().Text3->LineCount(), std::size_t(0));
}

QTEST_MAIN(TestOperators)
#include "test_operators.moc"
