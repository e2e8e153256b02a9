// SPDX-License-Identifier: GPL-3.0-or-later
#include "filedialog.h"

#include "programinfo.h"
#include "ui/latin1.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

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

RecordNumberAnswer ReadRecordNumber(const QString& text, int count)
{
    const QString given = text.trimmed();
    bool number = false;
    const qlonglong n = given.toLongLong(&number);
    if (number && n >= 1 && n <= count)
        return {static_cast<int>(n), {}};
    const QString range = QStringLiteral("give a number from 1 to %1").arg(count);
    if (given.isEmpty())
        return {std::nullopt, range.left(1).toUpper() + range.mid(1)};
    return {std::nullopt, QStringLiteral("%1 is no record: %2").arg(given, range)};
}

std::optional<int> AskRecordNumber(QWidget* parent, int current, int count)
{
    // A line of text rather than a spin box, which would drop the digits
    // past the largest number as they are typed: 9999 of 489 records
    // would become 99.
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Go to record"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Record (1 to %1):").arg(count), &dialog));
    auto* edit = new QLineEdit(QString::number(current), &dialog);
    edit->selectAll();
    layout->addWidget(edit);
    auto* problem = new QLabel(&dialog);
    problem->setTextFormat(Qt::PlainText);
    problem->hide();
    layout->addWidget(problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    std::optional<int> record;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const RecordNumberAnswer answer = ReadRecordNumber(edit->text(), count);
        if (answer.Record) {
            record = answer.Record;
            dialog.accept();
            return;
        }
        problem->setText(answer.Problem);
        problem->show();
        edit->selectAll();
        edit->setFocus();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Accepted ? record : std::nullopt;
}

QString ShowSaveFileDialog(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(
        parent, QStringLiteral("Save chart as PNG"), suggested, QStringLiteral("PNG Files (*.png);;All Files (*)"));
}
