#include "filedialog.h"

#include "programinfo.h"
#include "ui/latin1.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

bool FitsNameBuffer(const QStringList& paths)
{
    qsizetype length = 0;
    if (paths.size() == 1) {
        length = paths.front().size() + 1;
    } else {
        length = QFileInfo(paths.front()).absolutePath().size() + 1;
        for (const QString& path : paths)
            length += QFileInfo(path).fileName().size() + 1;
        length += 1;
    }
    return length <= DialogNameBufferSize;
}

QStringList DialogNameFilters(const QString& filter)
{
    // Description and pattern pairs; the patterns of a pair are separated by ";".
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        // Qt reads the patterns from the last parentheses, which the dialog
        // hides: the description is shown as it is written.
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

FileDialogResult ShowOpenFileDialog(QWidget* parent, const QString& filter)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(DialogNameFilters(filter));
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.Paths = dialog.selectedFiles();
    result.Result
        = FitsNameBuffer(result.Paths) ? FileDialogResult::Outcome::Chosen : FileDialogResult::Outcome::TooManyFiles;
    for (QString& path : result.Paths)
        path = QDir::toNativeSeparators(path);
    return result;
}

void ShowMessageBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, Latin1(ProgramTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<int> AskRecordNumber(QWidget* parent, int current, int count)
{
    bool ok = false;
    const int n = QInputDialog::getInt(parent, QStringLiteral("Go to record"),
        QStringLiteral("Record (1 to %1):").arg(count), current, 1, std::max(count, 1), 1, &ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

QString ShowSaveFileDialog(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(
        parent, QStringLiteral("Save chart as PNG"), suggested, QStringLiteral("PNG Files (*.png);;All Files (*)"));
}
