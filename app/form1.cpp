#include "form1.h"

#include "app/infowindow.h"
#include "app/settingsfile.h"
#include "output/outputfile.h"
#include "output/reportwriters.h"
#include "output/windowpicture.h"
#include "programinfo.h"
#include "ui/dumpview.h"
#include "ui/fieldcatalogue.h"
#include "ui/fieldchart.h"
#include "ui/latin1.h"
#include "ui/programicon.h"
#include "ui/recordview.h"
#include "ui/twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
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
#include <QTableWidget>
#include <QUrl>
#include <qcustomplot.h>

namespace {

constexpr const char* TooManyFilesMessage = "Es wurden zu viele Dateien ausgew\u00e4hlt!";

// The open commands of the "File" menu, in its order: a command for each
// capture kind that has one, then the one for any kind.
struct OpenCommand {
    std::optional<CaptureKind> Kind; // empty: each file's own kind
    std::string_view Name;
    std::string_view Caption;
    std::string_view Filter;
};

const std::vector<OpenCommand>& OpenCommands()
{
    static const std::vector<OpenCommand> commands = [] {
        std::vector<const CaptureKindInfo*> kinds;
        for (const CaptureKindInfo& kind : CaptureKinds())
            if (kind.MenuPlace > 0)
                kinds.push_back(&kind);
        std::sort(kinds.begin(), kinds.end(), [](auto* a, auto* b) { return a->MenuPlace < b->MenuPlace; });
        std::vector<OpenCommand> list;
        for (const CaptureKindInfo* kind : kinds)
            list.push_back({kind->Kind, kind->CommandName, kind->CommandCaption, kind->DialogFilter});
        list.push_back({std::nullopt, "MnuOpenAny", "Open capture file (any kind)",
            "Capture Files (*.kss *.log *.txt)|*.kss;*.log;*.txt|All Files (*.*)|*.*"});
        return list;
    }();
    return commands;
}

const OpenCommand& CommandFor(std::optional<CaptureKind> kind)
{
    for (const OpenCommand& command : OpenCommands())
        if (command.Kind == kind)
            return command;
    return OpenCommands().front();
}

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
    chart_ = std::make_unique<FieldChart>(c_.MSChart1, decimalMark_);
    BuildMenus();
    ConnectControls();
    setAcceptDrops(true);
    Form_Load();
}

Form1::~Form1() = default;

QAction* Form1::Action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void Form1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MnuFile"));
    for (const OpenCommand& command : OpenCommands()) {
        QAction* action = file->addAction(Latin1(command.Caption));
        action->setObjectName(Latin1(command.Name));
        openActions_[command.Kind] = action;
    }
    connect(openActions_[CaptureKind::Kiss], &QAction::triggered, this, &Form1::MenuFileOpenKiss_Click);
    connect(openActions_[CaptureKind::Text], &QAction::triggered, this, &Form1::MnuOpenText_Click);
    connect(openActions_[CaptureKind::ServerLog], &QAction::triggered, this, &Form1::MnuOpenServerLogfile_Click);
    connect(openActions_[CaptureKind::Log], &QAction::triggered, this, &Form1::MnuOpenLog_Click);
    connect(openActions_[std::nullopt], &QAction::triggered, this, &Form1::MnuOpenAny_Click);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("TLM File"));
    settings->setObjectName(QStringLiteral("MnuSettings"));
    QAction* csv = settings->addAction(QStringLiteral("Write CSV File"));
    csv->setObjectName(QStringLiteral("WriteCSVFile"));
    connect(csv, &QAction::triggered, this, &Form1::WriteCSVFile_Click);
    QAction* tlm = settings->addAction(QStringLiteral("Write TLM File"));
    tlm->setObjectName(QStringLiteral("WriteTLMFile"));
    connect(tlm, &QAction::triggered, this, &Form1::WriteTLMFile_Click);

    QAction* info = menuBar()->addAction(QStringLiteral("Info"));
    info->setObjectName(QStringLiteral("MnuInfo"));
    connect(info, &QAction::triggered, this, &Form1::MnuInfo_Click);
}

void Form1::ConnectControls()
{
    connect(c_.QB50P1, &QRadioButton::clicked, this, &Form1::QB50P1_Click);
    connect(c_.QB50P2, &QRadioButton::clicked, this, &Form1::QB50P2_Click);
    connect(c_.FieldButtons, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(c_.Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    connect(c_.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(c_.CancelRead, &QPushButton::clicked, this, [this] { cancel_ = true; });

    chartMenu_ = new QMenu(this);
    QAction* savePng = chartMenu_->addAction(QStringLiteral("Save chart as PNG..."));
    savePng->setObjectName(QStringLiteral("SaveChartPng"));
    connect(savePng, &QAction::triggered, this, &Form1::SaveChartAsPng);
    c_.MSChart1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(c_.MSChart1, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { chartMenu_->popup(c_.MSChart1->mapToGlobal(at)); });
    connect(c_.HScroll1, &QScrollBar::valueChanged, this, &Form1::HScroll1_Change);
}

void Form1::Form_Load()
{
    m_.SatelliteNumber = 1;
    SetFieldCaptions();
    const std::string folder = ToLocal(QDir::toNativeSeparators(programFolder_));
    const std::string settingsPath = folder + PathSeparator + "conf.ini";
    const ProgramSettings settings = ParseSettings(ReadWholeFile(settingsPath));
    m_.ImagePath = PictureFolder(settings, folder);
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

void Form1::QB50P1_Click() { m_.SatelliteNumber = 1; }
void Form1::QB50P2_Click() { m_.SatelliteNumber = 2; }

void Form1::MenuFileOpenKiss_Click() { OpenCaptureFiles(CaptureKind::Kiss, std::nullopt); }
void Form1::MnuOpenLog_Click() { OpenCaptureFiles(CaptureKind::Log, std::nullopt); }
void Form1::MnuOpenServerLogfile_Click() { OpenCaptureFiles(CaptureKind::ServerLog, std::nullopt); }
void Form1::MnuOpenText_Click() { OpenCaptureFiles(CaptureKind::Text, std::nullopt); }
void Form1::MnuOpenAny_Click() { OpenCaptureFiles(std::nullopt, std::nullopt); }

void Form1::OpenSelection(std::optional<CaptureKind> kind, const QStringList& paths) { OpenCaptureFiles(kind, paths); }

void Form1::OpenCaptureFiles(std::optional<CaptureKind> kind, const std::optional<QStringList>& chosen)
{
    // One open command at a time: a second one started from the event loop
    // while files are read would mix two data sets.
    if (reading_)
        return;
    SetFieldCaptions();
    // A selection of any kind may hold KISS captures too.
    if (kind == CaptureKind::Kiss || !kind)
        ClearDump();
    for (QLineEdit* box : c_.Text1)
        box->clear();
    BeginDataSet(m_);
    ShowImports();

    FileDialogResult result;
    if (chosen) {
        result.Paths = *chosen;
        result.Result = chosen->isEmpty() ? FileDialogResult::Outcome::Cancelled : FileDialogResult::Outcome::Chosen;
    } else {
        result = dialog_(this, Latin1(CommandFor(kind).Filter));
    }
    if (result.Result == FileDialogResult::Outcome::TooManyFiles) {
        message_(this, QString::fromUtf8(TooManyFilesMessage));
        return;
    }
    if (result.Result == FileDialogResult::Outcome::Chosen) {
        // A cancelled dialog reads the previous selection again.
        c_.List3->clear();
        c_.List3->addItems(result.Paths);
    }
    ReadList3(kind);
}

void Form1::ReadList3(std::optional<CaptureKind> kind)
{
    std::vector<std::string> paths;
    for (int i = 0; i < c_.List3->count(); ++i)
        paths.push_back(ToLocal(c_.List3->item(i)->text()));
    if (paths.empty())
        return;

    reading_ = true;
    cancel_ = false;
    for (auto& [k, action] : openActions_)
        action->setEnabled(false);
    c_.ReadProgress->setValue(0);
    c_.ReadProgress->show();
    c_.CancelRead->show();
    const std::vector<ReadResult> failures = ReadSelection(kind, m_, *this, paths);
    c_.ReadProgress->hide();
    c_.CancelRead->hide();
    for (auto& [k, action] : openActions_)
        action->setEnabled(true);
    reading_ = false;
    ShowImports();

    QStringList messages;
    for (const ReadResult& failure : failures)
        messages << QString::fromLocal8Bit(failure.Message.c_str());
    if (cancel_)
        messages << QStringLiteral("cancelled");
    if (!failures.empty()) {
        // The view shows the data set as it now stands, whichever file failed.
        RefreshAtEndOfFile();
    }
    if (!messages.isEmpty())
        SetStatus(messages.join(QStringLiteral("; ")));
}

void Form1::ShowImports()
{
    QTableWidget* table = c_.ImportTable;
    table->setRowCount(static_cast<int>(m_.Imports.size()));
    int row = 0;
    for (const ImportSummary& s : m_.Imports) {
        const QString outcome = !s.Error.empty() ? QString::fromLocal8Bit(s.Error.c_str())
            : s.Cancelled                        ? QStringLiteral("cancelled")
                                                 : QStringLiteral("read");
        QStringList cells{QString::fromLocal8Bit(s.File.c_str()), QString::fromLatin1(s.Kind.c_str())};
        for (const ImportCounter& counter : ImportCounters())
            cells << QString::number(s.*counter.Member);
        cells << outcome;
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column >= 2 && column < cells.size() - 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, column, item);
        }
        ++row;
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!reading_ && event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
}

void Form1::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    if (paths.isEmpty() || reading_)
        return;
    event->acceptProposedAction();
    OpenSelection(std::nullopt, paths);
}

void Form1::SetStatus(const QString& text)
{
    c_.Text4->setText(text);
    c_.Text4->setCursorPosition(0); // a long message shows its beginning
}

void Form1::HScroll1_Change()
{
    const int value = c_.HScroll1->value();
    c_.Text2->setText(RecordCounterText(value, m_.CountForField(m_.SelectedField)));
    ShowRecord(m_, c_, value, decimalMark_);
}

void Form1::Option1_Click(int index)
{
    if (index < 0 || index >= FieldCount)
        return;
    m_.SelectedField = index;
    const std::int64_t count = m_.CountForField(index);
    c_.Text2->setText(RecordCounterText(c_.HScroll1->value(), count));
    // A maximum below the value moves the scroll bar, which shows that record.
    c_.HScroll1->setMaximum(static_cast<int>(std::clamp<std::int64_t>(count, 1, INT32_MAX)));

    const std::string_view caption = FieldCaption(index);
    const std::string_view unit = FieldUnit(index);
    c_.Frame1->setTitle(unit.empty() ? Latin1(caption) : Latin1(caption) + QStringLiteral(" (") + Latin1(unit) + ')');

    for (int i = 0; i < FieldCount; ++i)
        SetValueBoxColour(c_.Text1[static_cast<std::size_t>(i)], i == index ? ChosenFieldYellow : QColor(Qt::white));
    c_.Option1[static_cast<std::size_t>(index)]->setChecked(true);
    chart_->Draw(m_, index, c_.Check1->isChecked());
}

void Form1::Check1_Click() { chart_->Draw(m_, m_.SelectedField, c_.Check1->isChecked()); }

void Form1::BeginFile(std::string_view path, std::size_t index, std::size_t count)
{
    SetStatus(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    c_.ReadProgress->setFormat(QStringLiteral("file %1 of %2: %p%").arg(index + 1).arg(count));
    c_.ReadProgress->setValue(0);
}

void Form1::ShowReadProgress(std::uint64_t bytesRead, std::uint64_t fileSize)
{
    const std::uint64_t permille = fileSize == 0 ? 0 : std::min<std::uint64_t>(1000, bytesRead * 1000 / fileSize);
    c_.ReadProgress->setValue(static_cast<int>(permille));
}

void Form1::SetBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::ProcessPendingEvents()
{
    if (dumpChanged_) {
        c_.Text3->viewport()->update();
        dumpChanged_ = false;
    }
    QCoreApplication::processEvents();
    if (OnPendingEvents)
        OnPendingEvents();
}

void Form1::AppendDumpLine(std::string_view line)
{
    c_.Text3->AppendLine(line);
    dumpChanged_ = true;
}

void Form1::ClearDump()
{
    c_.Text3->Clear();
    dumpChanged_ = false;
}

void Form1::ShowProgress(std::int64_t lineNumber) { c_.Text2->setText(QString::number(lineNumber)); }

void Form1::RefreshAtEndOfFile()
{
    c_.Text3->viewport()->update();
    dumpChanged_ = false;
    c_.HScroll1->setEnabled(true);
    c_.Text2->setText(RecordCounterText(c_.HScroll1->value(), m_.RecordCount));
    c_.HScroll1->setMaximum(static_cast<int>(std::clamp<std::int64_t>(m_.RecordCount, 1, INT32_MAX)));
    Option1_Click(5);
    c_.Option1[5]->setChecked(true);
    HScroll1_Change();
}

std::string Form1::OutputPath(const char* ending) const { return OutputFileName(m_.CurrentFileName, ending); }

void Form1::WriteCSVFile_Click()
{
    if (m_.CurrentFileName.empty()) {
        SetStatus(QStringLiteral("no input file"));
        return;
    }
    std::array<std::string, FieldCount> captions;
    for (int i = 0; i < FieldCount; ++i)
        captions[static_cast<std::size_t>(i)]
            = c_.Option1[static_cast<std::size_t>(i)]->text().toLatin1().toStdString();
    const WriteResult result
        = WriteOutputFile(OutputPath(".csv"), [&](TextSink& sink) { WriteCsv(sink, m_, captions, decimalMark_); });
    SetStatus(QString::fromLocal8Bit(result.Message.c_str()));
}

void Form1::WriteTLMFile_Click()
{
    if (m_.CurrentFileName.empty()) {
        SetStatus(QStringLiteral("no input file"));
        return;
    }
    FieldRowTexts rows;
    for (int i = 0; i < FieldCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        rows.Caption[k] = c_.Option1[k]->text().toLatin1().toStdString();
        rows.Unit[k] = c_.Label2[k]->text().toLatin1().toStdString();
        rows.Value[k] = c_.Text1[k]->text().toLatin1().toStdString();
    }
    const WriteResult result = WriteOutputFile(OutputPath(".tlm"), [&](TextSink& sink) { WriteTlm(sink, rows); });
    SetStatus(QString::fromLocal8Bit(result.Message.c_str()));
}

void Form1::Command1_Click()
{
    // The picture shows the window without its two small controls.
    c_.Check1->hide();
    c_.Command1->hide();
    QCoreApplication::processEvents();
    const QPixmap client = centralWidget()->grab();
    c_.Picture2->setPixmap(client);
    c_.Check1->show();
    c_.Command1->show();

    const QImage picture = client.toImage();
    const QString bitmap = QString::fromLocal8Bit(PictureFileName(m_.ImagePath, m_.CurrentFileName, ".bmp").c_str());
    if (const auto error = SaveImageFile(picture, bitmap, "BMP")) {
        SetStatus(*error);
        return;
    }
    SetStatus(bitmap + QStringLiteral(" saved"));

    const QString png = QString::fromLocal8Bit(PictureFileName(m_.ImagePath, m_.CurrentFileName, ".png").c_str());
    const auto error = SaveImageFile(ToPalettePicture(picture, WindowGrey.rgb()), png, "PNG");
    SetStatus(error ? *error : png + QStringLiteral(" converted and saved"));
}

Info* Form1::InfoWindow() const { return info_.data(); }

void Form1::SaveChartAsPng()
{
    QString suggested = QStringLiteral("chart.png");
    if (!m_.CurrentFileName.empty())
        suggested = QString::fromLocal8Bit(OutputFileName(m_.CurrentFileName, ".png").c_str());
    const QString path = saveDialog_(this, suggested);
    if (path.isEmpty())
        return;
    const auto error = SaveImageFile(c_.MSChart1->toPixmap().toImage(), path, "PNG");
    SetStatus(error ? *error : path + QStringLiteral(" saved"));
}

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
