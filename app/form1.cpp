// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "app/infowindow.h"
#include "app/opencommands.h"
#include "describe/describedsatellite.h"
#include "fields/fieldcatalogue.h"
#include "fields/satelliterecords.h"
#include "input/settingsfile.h"
#include "output/outputfile.h"
#include "output/outputguard.h"
#include "programinfo.h"
#include "telemetry/satellite.h"
#include "ui/dumpview.h"
#include "ui/fieldchart.h"
#include "ui/latin1.h"
#include "ui/programicon.h"
#include "ui/recordview.h"
#include "ui/twips.h"
#include "ui/windowpicture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <qcustomplot.h>

namespace {

std::string ToLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

std::string ProgramDecimalMark()
{
    const QString mark = QLocale().decimalPoint();
    return mark.isEmpty() ? std::string(".") : mark.toStdString();
}

} // namespace

Form1::Form1(Module1& m, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_(m)
    , programFolder_(programFolder)
    , decimalMark_(ProgramDecimalMark())
    , dialog_(ShowOpenFileDialog)
    , saveDialog_(ShowSaveFileDialog)
    , recordDialog_(AskRecordNumber)
    , chooser_(ShowSatelliteChooser)
    , folderDialog_(AskFolder)
    , connectDialog_(AskLiveSettings)
    , message_(ShowMessageBox)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Latin1(ProgramTitle));
    setWindowIcon(ProgramIcon());
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    const double dpi = client->logicalDpiX() > 0 ? client->logicalDpiX() : 96.0;
    BuildForm1Controls(client, c_, dpi);
    client->setMinimumSize(TwipsToPixels(ClientWidthTwips, dpi), TwipsToPixels(ClientHeightTwips, dpi));
    setCentralWidget(client);
    // The connection's state has a place of its own, below the window, so
    // that it never overwrites a message the user caused in the status box.
    liveStatus_ = new QLabel(this);
    liveStatus_->setObjectName(QStringLiteral("LiveStatus"));
    liveStatus_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(liveStatus_, 1);
    statusBar()->hide();
    chart_ = std::make_unique<FieldChart>(c_.MSChart1, decimalMark_);
    c_.Text3->SetFrameLineSource([this](std::uint32_t file, std::uint64_t offset) {
        return frameReader_.DumpLine(file, file < m_.Imports.size() ? m_.Imports[file].File : std::string(), offset);
    });
    BuildMenus();
    ConnectControls();
    setAcceptDrops(true);
    Form_Load();
}

Form1::~Form1() = default;

QAction* Form1::Action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void Form1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MnuFile"));
    for (const OpenCommand& command : OpenCommands()) {
        QAction* action = file->addAction(Latin1(command.Caption));
        action->setObjectName(Latin1(command.Name));
        openActions_[command.Kind] = action;
        if (!command.Kind) // "Open capture file (any kind)"
            action->setShortcut(QKeySequence::Open);
        // Every open command reads with its kind's reader (MenuFileOpenKiss_Click and its siblings).
        connect(
            action, &QAction::triggered, this, [this, kind = command.Kind] { OpenCaptureFiles(kind, std::nullopt); });
    }
    file->addSeparator();
    // Applies to the next open command.
    mergeAction_ = file->addAction(QStringLiteral("Merge by time, drop duplicates"));
    mergeAction_->setObjectName(QStringLiteral("MnuMerge"));
    mergeAction_->setCheckable(true);
    file->addSeparator();
    connectAction_ = file->addAction(QStringLiteral("Connect to KISS TNC..."));
    connectAction_->setObjectName(QStringLiteral("MnuConnect"));
    connect(connectAction_, &QAction::triggered, this, &Form1::ConnectToTnc);
    disconnectAction_ = file->addAction(QStringLiteral("Disconnect"));
    disconnectAction_->setObjectName(QStringLiteral("MnuDisconnect"));
    disconnectAction_->setEnabled(false);
    connect(disconnectAction_, &QAction::triggered, this, &Form1::DisconnectFromTnc);
    liveRefresh_.setInterval(500);
    connect(&liveRefresh_, &QTimer::timeout, this, &Form1::RefreshLive);
    file->addSeparator();
    QAction* goTo = file->addAction(QStringLiteral("Go to record..."));
    goTo->setObjectName(QStringLiteral("MnuGoTo"));
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(goTo, &QAction::triggered, this, &Form1::GoToRecord);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("MnuQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&TLM File"));
    settings->setObjectName(QStringLiteral("MnuSettings"));
    // The outputs that the window writes (WriteCSVFile_Click, WriteTLMFile_Click and their siblings).
    for (const OutputFormat& format : OutputFormats()) {
        if (format.Caption.empty())
            continue;
        QAction* action = settings->addAction(Latin1(format.Caption));
        action->setObjectName(Latin1(format.Name));
        connect(action, &QAction::triggered, this, [this, kind = format.Kind] { WriteOutput_Click(kind); });
    }

    QAction* info = menuBar()->addAction(QStringLiteral("&Info"));
    info->setObjectName(QStringLiteral("MnuInfo"));
    info->setShortcut(QKeySequence::HelpContents);
    connect(info, &QAction::triggered, this, &Form1::MnuInfo_Click);
}

void Form1::ConnectControls()
{
    for (std::size_t i = 0; i < BuiltInSatellites.size(); ++i)
        connect(c_.Satellites[i], &QRadioButton::clicked, this,
            [this, number = BuiltInSatellites[i].Number] { Satellite_Click(number); });
    connect(c_.OtherSatellite, &QRadioButton::clicked, this, &Form1::OtherSatellite_Click);
    // A row chosen by the mouse or the keys is charted.
    connect(c_.FieldTable, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row >= 0 && row != previous)
            DescribedField_Click(row);
    });
    connect(c_.FieldButtons, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(c_.Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    connect(c_.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(c_.CancelRead, &QPushButton::clicked, this, [this] { cancel_ = true; });

    chartMenu_ = new QMenu(this);
    QAction* savePng = chartMenu_->addAction(QStringLiteral("Save chart as PNG..."));
    savePng->setObjectName(QStringLiteral("SaveChartPng"));
    connect(savePng, &QAction::triggered, this, &Form1::SaveChartAsPng);
    timeAxisAction_ = chartMenu_->addAction(QStringLiteral("Time axis"));
    timeAxisAction_->setObjectName(QStringLiteral("TimeAxis"));
    timeAxisAction_->setCheckable(true);
    timeAxisAction_->setShortcut(QKeySequence(Qt::Key_T));
    timeAxisAction_->setShortcutContext(Qt::WidgetShortcut);
    c_.MSChart1->addAction(timeAxisAction_); // T while the chart has the focus
    connect(timeAxisAction_, &QAction::toggled, this, [this](bool on) {
        chart_->SetTimeAxis(on);
        Check1_Click();
    });
    connect(c_.PassTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ShowPassInChart(row); });
    c_.MSChart1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(c_.MSChart1, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { chartMenu_->popup(c_.MSChart1->mapToGlobal(at)); });
    connect(c_.HScroll1, &QScrollBar::valueChanged, this, &Form1::HScroll1_Change);
    chart_->OnRowClicked = [this](std::int64_t record) {
        if (c_.HScroll1->isEnabled())
            c_.HScroll1->setValue(static_cast<int>(std::min<std::int64_t>(record, c_.HScroll1->maximum())));
    };
    ConnectKeys();
}

void Form1::Form_Load()
{
    m_.SatelliteNumber = BuiltInSatellites.front().Number;
    SetFieldCaptions();
    const std::string folder = ToLocal(QDir::toNativeSeparators(programFolder_));
    // The program folder's conf.ini, then the user's, whose lines win.
    const QString userSettings
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/norvane/conf.ini");
    const ProgramSettings settings = ParseSettings(ReadWholeFile(folder + PathSeparator + "conf.ini") + "\n"
        + ReadWholeFile(ToLocal(QDir::toNativeSeparators(userSettings))));
    imagePath_ = PictureFolder(settings, folder);
    // An installed program's folder cannot be written: its pictures go to
    // the user's pictures folder.
    if (!settings.ImagePath && !QFileInfo(programFolder_).isWritable()) {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QDir().mkpath(pictures);
        imagePath_ = ToLocal(QDir::toNativeSeparators(pictures)) + PathSeparator;
    }
    if (settings.ShowScreenshotButton)
        c_.Command1->setVisible(*settings.ShowScreenshotButton);
    c_.Picture2->setVisible(false);
}

void Form1::Form_Resize()
{
    if (centralWidget())
        c_.Picture2->setGeometry(0, 0, centralWidget()->width(), centralWidget()->height());
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::SetFieldCaptions()
{
    for (int i = 0; i < FieldCount; ++i) {
        if (FieldCatalogue(i).Frame == FieldFrame::None)
            continue;
        c_.Option1[static_cast<std::size_t>(i)]->setText(Latin1(FieldCaption(i)));
        c_.Label2[static_cast<std::size_t>(i)]->setText(Latin1(FieldUnit(i)));
    }
}

void Form1::ShowCurrentRecord()
{
    const int value = c_.HScroll1->value();
    if (m_.Described) {
        // One reader for the satellite chosen, kept while it stays chosen (its
        // records hold the description, so another cannot take its place).
        if (!recordReader_ || recordsOf_ != m_.Described.get()) {
            fieldsPageRecords_ = RecordsOf(m_);
            recordReader_ = fieldsPageRecords_->Reader();
            recordsOf_ = m_.Described.get();
        }
        ShowDescribedRecord(m_, *fieldsPageRecords_, *recordReader_, c_, value, decimalMark_);
    } else
        ShowRecord(m_, c_, value, selectedField_, decimalMark_);
}

void Form1::SetStatus(const QString& text)
{
    c_.Text4->SetFittedText(text); // a long message is drawn smaller, or whole in the tooltip
}

void Form1::HScroll1_Change()
{
    const int value = c_.HScroll1->value();
    SetRecordCounter(c_.Text2, RecordCounterText(value, m_.CountForField(selectedField_)));
    ShowCurrentRecord();
    chart_->ShowMarker(value);
}

void Form1::Option1_Click(int index)
{
    if (index < 0 || index >= FieldCount)
        return;
    selectedField_ = index;
    const std::int64_t count = m_.CountForField(index);
    SetRecordCounter(c_.Text2, RecordCounterText(c_.HScroll1->value(), count));
    // A maximum below the value moves the scroll bar, which shows that record.
    c_.HScroll1->setMaximum(static_cast<int>(std::clamp<std::int64_t>(count, 1, INT32_MAX)));

    for (int i = 0; i < FieldCount; ++i)
        SetValueBoxColour(c_.Text1[static_cast<std::size_t>(i)], i == index ? ChosenFieldYellow : QColor(Qt::white));
    c_.Option1[static_cast<std::size_t>(index)]->setChecked(true);
    Check1_Click();
}

void Form1::DescribedField_Click(int row)
{
    if (!m_.Described || m_.Described->FieldCount() == 0)
        return;
    describedField_ = std::clamp(row, 0, static_cast<int>(m_.Described->FieldCount()) - 1);
    {
        const QSignalBlocker quiet(c_.FieldTable);
        c_.FieldTable->selectRow(describedField_);
    }
    Check1_Click();
}

void Form1::Check1_Click()
{
    // The chosen field of a described satellite's "Fields" page, or of the
    // built-in satellites' field rows.
    const int field = m_.Described ? describedField_ : selectedField_;
    chart_->Draw(m_, static_cast<std::size_t>(field), c_.Check1->isChecked());
    QString title = chart_->FieldTitle();
    if (chart_->RecordsWithoutValue() > 0)
        title += QStringLiteral(" (%1 records without a number for it)").arg(chart_->RecordsWithoutValue());
    if (chart_->TimeAxis() && chart_->RecordsWithoutTime() > 0)
        title += QStringLiteral(" (%1 records without a time)").arg(chart_->RecordsWithoutTime());
    c_.Frame1->setTitle(title);
    chart_->ShowMarker(c_.HScroll1->isEnabled() ? c_.HScroll1->value() : 0);
}

Info* Form1::InfoWindow() const { return info_.data(); }

void Form1::MnuInfo_Click()
{
    // One information window; choosing it again brings it to the front.
    if (!info_) {
        info_ = new Info(this);
        info_->setAttribute(Qt::WA_DeleteOnClose);
    }
    info_->show();
    info_->raise();
    info_->activateWindow();
}
