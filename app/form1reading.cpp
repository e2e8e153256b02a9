// SPDX-License-Identifier: GPL-3.0-or-later
// The reading half of the main window: the open commands, reading a selection
// as the readers' host, the "Import" page, and files dropped on the window.

#include "form1.h"

#include "app/opencommands.h"
#include "dataset/merge.h"
#include "ui/dumpview.h"
#include "ui/fieldchart.h"
#include "ui/latin1.h"
#include "ui/recordview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QUrl>

#include <chrono>
#include <future>

namespace {

constexpr const char* TooManyFilesMessage = "Es wurden zu viele Dateien ausgew\u00e4hlt!";

std::string ToLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

} // namespace

void Form1::MenuFileOpenKiss_Click() { OpenCaptureFiles(CaptureKind::Kiss, std::nullopt); }
void Form1::MnuOpenLog_Click() { OpenCaptureFiles(CaptureKind::Log, std::nullopt); }
void Form1::MnuOpenServerLogfile_Click() { OpenCaptureFiles(CaptureKind::ServerLog, std::nullopt); }
void Form1::MnuOpenText_Click() { OpenCaptureFiles(CaptureKind::Text, std::nullopt); }
void Form1::MnuOpenAny_Click() { OpenCaptureFiles(std::nullopt, std::nullopt); }

void Form1::OpenSelection(std::optional<CaptureKind> kind, const QStringList& paths) { OpenCaptureFiles(kind, paths); }

void Form1::OpenCaptureFiles(std::optional<CaptureKind> kind, const std::optional<QStringList>& chosen)
{
    // One open command at a time: a second one started from the event loop
    // while files are read, or during live reception, would mix two data sets.
    if (reading_ || live_)
        return;
    SetFieldCaptions();
    // A selection of any kind may hold files of a kind that lists its frames.
    if (!kind || CaptureKindOf(*kind).DumpsSelection)
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
        // A cancelled dialog reads the previous selection again, each file
        // with the reader that read it.
        c_.List3->clear();
        for (const QString& path : result.Paths) {
            auto* item = new QListWidgetItem(path, c_.List3);
            item->setData(Qt::UserRole, kind ? QString::fromLatin1(CaptureKindName(*kind)) : QString());
        }
    }
    ReadList3();
}

void Form1::SelectionOfList3(std::vector<std::string>& paths, std::vector<std::optional<CaptureKind>>& kinds) const
{
    for (int i = 0; i < c_.List3->count(); ++i) {
        paths.push_back(ToLocal(c_.List3->item(i)->text()));
        kinds.push_back(CaptureKindFromName(c_.List3->item(i)->data(Qt::UserRole).toString().toStdString()));
    }
}

void Form1::ReadList3()
{
    std::vector<std::string> paths;
    std::vector<std::optional<CaptureKind>> kinds;
    SelectionOfList3(paths, kinds);
    const bool dumpsFrames = std::any_of(kinds.begin(), kinds.end(),
        [](const std::optional<CaptureKind>& kind) { return !kind || CaptureKindOf(*kind).DumpsSelection; });
    if (paths.empty())
        return;
    // KISS captures list their frames on a dump page of their own, for the whole selection.
    if (dumpsFrames)
        ClearDump();

    reading_ = true;
    cancel_ = false;
    for (auto& [k, action] : openActions_)
        action->setEnabled(false);
    c_.ReadProgress->setValue(0);
    c_.ReadProgress->show();
    c_.CancelRead->show();
    // While files are read the data set changes only by the readers: a long
    // chart may collect its rows while the window answers.
    chart_->WhileCollecting = [this] { ProcessPendingEvents(); };
    m_.DescribedRecords.KeepFrames(mergeAction_->isChecked()); // only merging compares them
    const std::vector<ReadResult> failures = ReadSelection(kinds, m_, *this, paths);
    if (mergeAction_->isChecked()) {
        MergeByTime(m_);
        RefreshAtEndOfFile();
    }
    // The window answers between showing the records and finding the
    // passes, each of which takes a while on a million packets.
    ProcessPendingEvents();
    // Each entry keeps the reader that read it.
    for (std::size_t i = 0; i < m_.Imports.size() && i < paths.size(); ++i)
        if (!m_.Imports[i].Kind.empty())
            c_.List3->item(static_cast<int>(i))->setData(Qt::UserRole, QString::fromStdString(m_.Imports[i].Kind));
    ShowImports(); // while the open commands wait: the passes may take a while
    chart_->WhileCollecting = nullptr;
    c_.ReadProgress->hide();
    c_.CancelRead->hide();
    for (auto& [k, action] : openActions_)
        action->setEnabled(true);
    reading_ = false;

    QStringList messages;
    for (const ReadResult& failure : failures)
        messages << QString::fromLocal8Bit(failure.Message.c_str());
    if (cancel_)
        messages << QStringLiteral("cancelled");
    if (!failures.empty()) {
        // The view shows the data set as it now stands, whichever file failed.
        RefreshAtEndOfFile();
    }
    messages << ShowSatelliteNotes(true);
    if (!messages.isEmpty())
        SetStatus(messages.join(QStringLiteral("; ")));
}

void Form1::ShowPasses()
{
    QTableWidget* table = c_.PassTable;
    // The passes of many packets are found on the other core while the
    // window answers, where an open command holds the data set still.
    if (reading_ && m_.PacketTotal() > 1000000) {
        auto found = std::async(std::launch::async, [this] { return FindPasses(m_); });
        while (found.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            ProcessPendingEvents();
        passes_ = found.get();
    } else {
        passes_ = FindPasses(m_);
    }
    table->setRowCount(static_cast<int>(passes_.size()));
    for (std::size_t i = 0; i < passes_.size(); ++i) {
        const Pass& pass = passes_[i];
        QStringList files;
        for (const std::uint32_t file : pass.Files)
            if (file < m_.Imports.size())
                files << QFileInfo(QString::fromLocal8Bit(m_.Imports[file].File.c_str())).fileName();
        const QStringList cells{QString::number(i + 1), Latin1(FormatIsoUtc(pass.Start)),
            Latin1(FormatIsoUtc(pass.End)), QString::number(pass.Records1), QString::number(pass.Records2),
            files.join(QStringLiteral(", "))};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
    }
}

void Form1::ShowPassInChart(int row)
{
    if (row < 0 || row >= static_cast<int>(passes_.size()))
        return;
    if (!timeAxisAction_->isChecked())
        timeAxisAction_->trigger();
    chart_->ShowSpan(passes_[static_cast<std::size_t>(row)].Start, passes_[static_cast<std::size_t>(row)].End);
}

void Form1::ShowImports()
{
    ShowPasses();
    QTableWidget* table = c_.ImportTable;
    const std::vector<ImportColumn> columns = ImportColumns(m_.Described != nullptr);
    table->setRowCount(static_cast<int>(m_.Imports.size()));
    int row = 0;
    for (const ImportSummary& s : m_.Imports) {
        const QString outcome = !s.Error.empty() ? QString::fromLocal8Bit(s.Error.c_str())
            : s.Cancelled                        ? QStringLiteral("cancelled")
                                                 : QStringLiteral("read");
        for (std::size_t k = 0; k < columns.size(); ++k) {
            using Is = ImportColumn::Is;
            QString text;
            switch (columns[k].What) {
            case Is::File: text = QString::fromLocal8Bit(s.File.c_str()); break;
            case Is::Kind: // a sound recording's modem, length, level and start beside it
                text = QString::fromLatin1(s.Kind.c_str())
                    + (s.Sound.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(s.Sound));
                break;
            case Is::Count: text = QString::number(s.*columns[k].Counter->Member); break;
            case Is::FirstNotParsed: text = QString::fromStdString(s.FirstNotParsed); break;
            case Is::FirstTime:
            case Is::LastTime: {
                const Instant instant = columns[k].What == Is::FirstTime ? s.FirstInstant : s.LastInstant;
                text = instant == UnknownInstant ? QString() : Latin1(FormatIsoUtc(instant));
                break;
            }
            case Is::Outcome: text = outcome; break;
            }
            auto* item = new QTableWidgetItem(text);
            if (columns[k].What == Is::Count)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            else if (columns[k].What == Is::Outcome || columns[k].What == Is::FirstNotParsed
                || columns[k].What == Is::Kind)
                item->setToolTip(text); // whole, however narrow the column
            table->setItem(row, static_cast<int>(k), item);
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
    if (paths.isEmpty() || reading_ || live_)
        return;
    event->acceptProposedAction();
    OpenSelection(std::nullopt, paths);
}

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

bool Form1::AppendDumpFrame(std::uint32_t file, std::uint64_t offset, std::size_t bytes)
{
    // The page keeps where the frame stands, not its text: a million frames
    // would take a third of a gigabyte as text.
    dumpChanged_ = true;
    return c_.Text3->AppendFrame(file, offset, bytes);
}

void Form1::ClearDump()
{
    c_.Text3->Clear();
    frameReader_.Close();
    dumpChanged_ = false;
}

void Form1::ShowProgress(std::int64_t lineNumber) { SetRecordCounter(c_.Text2, QString::number(lineNumber)); }

void Form1::RefreshAtEndOfFile()
{
    c_.Text3->viewport()->update();
    dumpChanged_ = false;
    c_.HScroll1->setEnabled(true);
    SetRecordCounter(c_.Text2, RecordCounterText(c_.HScroll1->value(), m_.RecordCount));
    c_.HScroll1->setMaximum(static_cast<int>(std::clamp<std::int64_t>(m_.RecordCount, 1, INT32_MAX)));
    if (m_.Described) {
        DescribedField_Click(describedField_);
    } else {
        Option1_Click(5);
        c_.Option1[5]->setChecked(true);
    }
    HScroll1_Change();
}
