// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowlayout.h"

#include "telemetry/importsummary.h"
#include "telemetry/satellite.h"
#include "ui/dumpview.h"
#include "ui/fittedbox.h"
#include "ui/latin1.h"
#include "ui/twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <qcustomplot.h>

namespace {

struct FramePlace {
    FieldFrame Frame;
    const char* Name;
    const char* Caption;
    int Page;
    int Left, Top, Width, Height;
};

constexpr FramePlace FramePlaces[] = {
    {FieldFrame::Frame2, "Frame2", "Status", 0, 120, 360, 3375, 2655},
    {FieldFrame::Label2Label2, "Label2Label2", "TRXUV", 0, 3600, 360, 3375, 2655},
    {FieldFrame::Frame4, "Frame4", "Antennas / Solar Panels", 0, 7080, 360, 3375, 2655},
    {FieldFrame::Frame3, "Frame3", "Electrical Power Subsystem (EPS)", 0, 120, 3120, 10335, 3135},
    {FieldFrame::Frame5, "Frame5", "Status", 1, 120, 360, 3375, 2655},
    {FieldFrame::Frame6, "Frame6", "OBC Supervisor", 1, 3600, 360, 6855, 2655},
    {FieldFrame::Frame7, "Frame7", "ADCS", 1, 120, 3120, 10335, 3135},
};

constexpr int ColumnLeft[] = {0, 120, 3600, 7080};

QFont SansSerif(double points, bool bold)
{
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void SetBackground(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

// A frame drawn flat in its background colour with a thin border and the
// caption on it, whatever the platform's style shades group boxes with: the
// window picture relies on the grey being exactly 240, 240, 240.
QGroupBox* MakeFrame(
    QWidget* parent, const char* name, const char* caption, const QString& background, const QColor& captionColour)
{
    auto* frame = new QGroupBox(QString::fromLatin1(caption), parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setStyleSheet(QStringLiteral("QGroupBox#%1 { background-color: %2; border: 1px solid rgb(160, 160, 160);"
                                        " margin-top: 0.6em; }"
                                        "QGroupBox#%1::title { subcontrol-origin: margin; left: 6px; padding: 0 2px;"
                                        " color: %3; }")
                             .arg(frame->objectName(), background, captionColour.name()));
    return frame;
}

// The record scroll bar, with a dotted frame while it has the focus: the
// platform's style draws none on scroll bars, and the keys act on it then.
class FocusedScrollBar : public QScrollBar {
public:
    explicit FocusedScrollBar(QWidget* parent)
        : QScrollBar(Qt::Horizontal, parent)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QString CssColour(const QColor& c)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// One field row: option button, value box and unit label on one line.
void MakeFieldRow(int i, QWidget* parent, int left, int top, Form1Controls& c, double dpi)
{
    const bool opsMode = i == 0 || i == 50;
    auto* option = new QRadioButton(QStringLiteral("Option1"), parent);
    option->setObjectName(QStringLiteral("Option1_%1").arg(i));
    option->setAutoExclusive(false);
    PlaceInTwips(option, left, top, 1935, 255, dpi);
    // No background of its own: a palette set on a child of a frame with a
    // style sheet gives way to the platform's grey (239 in Fusion), and the
    // frame behind it has the window grey.

    auto* value = new FittedBox(parent);
    value->setObjectName(QStringLiteral("Text1_%1").arg(i));
    value->setReadOnly(true);
    value->setFrame(true);
    PlaceInTwips(value, left + 1920, top, opsMode ? 975 : 735, 285, dpi);
    value->setTextMargins(0, 0, 0, 0);
    SetValueBoxColour(value, WindowGrey);

    auto* unit = new QLabel(parent);
    unit->setObjectName(QStringLiteral("Label2_%1").arg(i));
    if (opsMode)
        PlaceInTwips(unit, left + 3000, top, 135, 255, dpi);
    else
        PlaceInTwips(unit, left + 2760, top, 375, 255, dpi);

    // The value box lies above the button's long caption area.
    value->raise();
    unit->raise();
    c.Option1[static_cast<std::size_t>(i)] = option;
    c.Text1[static_cast<std::size_t>(i)] = value;
    c.Label2[static_cast<std::size_t>(i)] = unit;
    c.FieldButtons->addButton(option, i);
}

void BuildPages(QWidget* client, Form1Controls& c, double dpi)
{
    c.SSTab1 = new QTabWidget(client);
    c.SSTab1->setObjectName(QStringLiteral("SSTab1"));
    PlaceInTwips(c.SSTab1, 120, 120, 10575, 6375, dpi);
    QWidget* pages[5];
    const char* const captions[] = {"Packet #1", "Packet #2", "Dump", "Import", "Fields"};
    for (int p = 0; p < 5; ++p) {
        pages[p] = new QWidget;
        pages[p]->setObjectName(QStringLiteral("SSTab1_page%1").arg(p));
        c.SSTab1->addTab(pages[p], QString::fromLatin1(captions[p]));
    }
    SetBackground(pages[0], WindowGrey);
    // The "Fields" page stands only while a described satellite is chosen.
    c.FieldsPage = pages[4];
    c.PacketPages = {pages[0], pages[1]};
    c.SSTab1->setTabVisible(4, false);
    BuildFieldsPage(pages[4], c, dpi);

    for (const FramePlace& place : FramePlaces) {
        // The frames of the first page are the window's grey, those of the
        // second the button face, which is the same grey here: the platform's
        // (239 in Fusion) would stay grey in the window picture.
        QGroupBox* frame = MakeFrame(pages[place.Page], place.Name, place.Caption, CssColour(WindowGrey), CaptionGrey);
        PlaceInTwips(frame, place.Left, place.Top - TabStripTwips, place.Width, place.Height, dpi);
        frame->setFont(SansSerif(8.25, true));
        c.Frames[place.Frame] = frame;
    }

    c.Text3 = new DumpView(pages[2]);
    c.Text3->setObjectName(QStringLiteral("Text3"));
    PlaceInTwips(c.Text3, 120, 480 - TabStripTwips, 10335, 5775, dpi);

    BuildImportPage(pages[3], c, dpi);
}

void BuildFieldRows(QWidget* client, Form1Controls& c, double dpi)
{
    c.FieldButtons = new QButtonGroup(client);
    c.FieldButtons->setExclusive(true);
    const QFont rowFont = SansSerif(8.25, false);
    for (int i = 0; i < FieldCount; ++i) {
        const FieldEntry& e = FieldCatalogue(i);
        if (e.Frame == FieldFrame::None) {
            // The spare rows exist beside the visible area and are never shown.
            MakeFieldRow(i, client, 14520, 1200 + 300 * (i - 46), c, dpi);
            c.Option1[static_cast<std::size_t>(i)]->hide();
            c.Text1[static_cast<std::size_t>(i)]->hide();
            c.Label2[static_cast<std::size_t>(i)]->hide();
            continue;
        }
        QGroupBox* frame = c.Frames.at(e.Frame);
        MakeFieldRow(i, frame, ColumnLeft[e.Column], 360 + 240 * (e.Line - 1), c, dpi);
        for (QWidget* w : {static_cast<QWidget*>(c.Option1[static_cast<std::size_t>(i)]),
                 static_cast<QWidget*>(c.Text1[static_cast<std::size_t>(i)]),
                 static_cast<QWidget*>(c.Label2[static_cast<std::size_t>(i)])}) {
            // The frame's bold grey caption font is its own, not its rows'.
            w->setFont(rowFont);
            SetTextColour(w, Qt::black);
        }
        SetValueBoxColour(c.Text1[static_cast<std::size_t>(i)], WindowGrey);
    }
}

// The row below the pages: the satellite buttons and the time label.
void BuildSatelliteRow(QWidget* client, Form1Controls& c, double dpi)
{
    auto satellite = [&](const QByteArray& name, const QByteArray& caption, int left) {
        auto* b = new QRadioButton(QString::fromLatin1(caption), client);
        b->setObjectName(QString::fromLatin1(name));
        PlaceInTwips(b, left, 6600, 1095, 255, dpi);
        b->setFont(SansSerif(8.25, true));
        SetTextColour(b, Qt::blue);
        return b;
    };
    // The built-in satellites 1,920 twips apart, "Other satellite..." right
    // after the last, the time label after it.
    auto* satellites = new QButtonGroup(client);
    int left = 120;
    for (const BuiltInSatellite& s : BuiltInSatellites) {
        c.Satellites.push_back(satellite(QByteArray(s.Callsign.data(), static_cast<qsizetype>(s.Callsign.size())),
            QByteArray(s.Name.data(), static_cast<qsizetype>(s.Name.size())), left));
        satellites->addButton(c.Satellites.back());
        left += 1920;
    }
    left -= 840;
    c.OtherSatellite = satellite("OtherSatellite", "Other satellite...", left);
    PlaceInTwips(c.OtherSatellite, left, 6600, 1920, 255, dpi);
    c.OtherSatellite->setToolTip(QStringLiteral("A satellite described by a Kaitai Struct description (.ksy)"));
    satellites->addButton(c.OtherSatellite);
    c.Satellites.front()->setChecked(true);

    // The time label reaches to the chart frame's right edge; a time span
    // wider than that is drawn smaller.
    c.Label5 = new FittedLabel(client);
    c.Label5->setObjectName(QStringLiteral("Label5"));
    PlaceInTwips(c.Label5, left + 1980, 6600, 10695 - (left + 1980), 255, dpi);
    c.Label5->setFont(SansSerif(9.75, true));
}

// The chart in its frame, with the bars / line box.
void BuildChart(QWidget* client, Form1Controls& c, double dpi)
{
    c.Frame1 = MakeFrame(client, "Frame1", "", CssColour(WindowGrey), Qt::black);
    PlaceInTwips(c.Frame1, 120, 6960, 10575, 4455, dpi);
    c.Frame1->setFont(SansSerif(9.75, true));

    c.MSChart1 = new QCustomPlot(c.Frame1);
    c.MSChart1->setObjectName(QStringLiteral("MSChart1"));
    c.MSChart1->setFont(SansSerif(8.25, false));
    PlaceInTwips(c.MSChart1, 120, 240, 10335, 4095, dpi);
    c.MSChart1->setBackground(QBrush(WindowGrey));

    c.Check1 = new QCheckBox(QStringLiteral("B"), c.Frame1);
    c.Check1->setObjectName(QStringLiteral("Check1"));
    c.Check1->setFont(SansSerif(8.25, false));
    c.Check1->setStyleSheet(QStringLiteral("QCheckBox { spacing: 1px; }"));
    PlaceInTwips(c.Check1, 9960, 4080, 375, 255, dpi);
    c.Check1->setChecked(true);
    c.Check1->setToolTip(QStringLiteral("bars / line"));
    c.Check1->raise();
}

// The bottom row: picture button, status box, record counter, scroll bar.
void BuildStatusRow(QWidget* client, Form1Controls& c, double dpi)
{
    c.Command1 = new QPushButton(QStringLiteral("S"), client);
    c.Command1->setObjectName(QStringLiteral("Command1"));
    PlaceInTwips(c.Command1, 120, 11520, 495, 315, dpi);

    c.Text4 = new FittedBox(client);
    c.Text4->setObjectName(QStringLiteral("Text4"));
    c.Text4->setReadOnly(true);
    PlaceInTwips(c.Text4, 720, 11520, 7455, 285, dpi);
    SetTextColour(c.Text4, CaptionGrey);

    c.Text2 = new FittedBox(client);
    c.Text2->setObjectName(QStringLiteral("Text2"));
    c.Text2->setReadOnly(true);
    c.Text2->AllowTwoLines();
    PlaceInTwips(c.Text2, 8280, 11520, 975, 285, dpi);

    c.HScroll1 = new FocusedScrollBar(client);
    c.HScroll1->setObjectName(QStringLiteral("HScroll1"));
    PlaceInTwips(c.HScroll1, 9360, 11520, 1335, 375, dpi);
    c.HScroll1->setRange(1, 1);
    c.HScroll1->setEnabled(false);
}

void BuildReadProgress(QWidget* client, Form1Controls& c, double dpi)
{
    // In the time label's row, only while files are read, so that the status
    // box below keeps the path of the file being read readable.
    c.ReadProgress = new QProgressBar(client);
    c.ReadProgress->setObjectName(QStringLiteral("ReadProgress"));
    PlaceInTwips(c.ReadProgress, 4080, 6600, 5520, 255, dpi);
    c.ReadProgress->setRange(0, 1000);
    c.ReadProgress->hide();
    c.CancelRead = new QPushButton(QStringLiteral("Cancel"), client);
    c.CancelRead->setObjectName(QStringLiteral("CancelRead"));
    PlaceInTwips(c.CancelRead, 9720, 6570, 975, 315, dpi);
    c.CancelRead->hide();
}

void BuildHidden(QWidget* client, Form1Controls& c, double dpi)
{
    c.Picture2 = new QLabel(client);
    c.Picture2->setObjectName(QStringLiteral("Picture2"));
    PlaceInTwips(c.Picture2, 14520, 360, 1095, 615, dpi);
    c.Picture2->hide();

    c.List3 = new QListWidget(client);
    c.List3->setObjectName(QStringLiteral("List3"));
    PlaceInTwips(c.List3, 11760, 360, 2655, 2010, dpi);
    c.List3->hide();

    c.Label3 = new QLabel(QStringLiteral("Label1"), client);
    c.Label3->setObjectName(QStringLiteral("Label3"));
    PlaceInTwips(c.Label3, 11520, 3240, 1935, 255, dpi);
    c.Label3->hide();
}

} // namespace

void SetValueBoxColour(QLineEdit* box, const QColor& colour)
{
    QPalette p = box->palette();
    if (p.color(QPalette::Base) == colour)
        return;
    p.setColor(QPalette::Base, colour);
    box->setPalette(p);
}

void BuildForm1Controls(QWidget* client, Form1Controls& c, double dpi)
{
    // The window grey, and as the button face of the tab control and the
    // second page's frames too: the window picture makes exactly this grey
    // transparent, wherever a control shows it.
    SetBackground(client, WindowGrey);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Button, WindowGrey);
    client->setPalette(palette);
    client->setFont(SansSerif(8.25, false));
    BuildPages(client, c, dpi);
    BuildFieldRows(client, c, dpi);
    // (Made in this order, which is the order they stack in.)
    BuildSatelliteRow(client, c, dpi);
    BuildChart(client, c, dpi);
    BuildStatusRow(client, c, dpi);
    BuildReadProgress(client, c, dpi);
    BuildHidden(client, c, dpi);
}
