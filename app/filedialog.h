// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// What the open dialog hands back: the chosen files in the order of the
// selection, a cancelled dialog, or a selection too long for the dialog's
// name buffer.
struct FileDialogResult {
    enum class Outcome { Chosen, Cancelled, TooManyFiles };
    Outcome Result = Outcome::Cancelled;
    QStringList Paths;
};

// Shows a multi-selection open dialog with a filter in the "Description|*.ext|..."
// form; the window's tests put their own in its place.
using OpenFileDialog = std::function<FileDialogResult(QWidget* parent, const QString& filter)>;

// Asks where to save a PNG file, suggesting a name; empty when cancelled.
using SaveFileDialog = std::function<QString(QWidget* parent, const QString& suggested)>;
QString ShowSaveFileDialog(QWidget* parent, const QString& suggested);

// Asks for a record number from 1 to count, suggesting current; empty when
// cancelled.
using RecordDialog = std::function<std::optional<int>(QWidget* parent, int current, int count)>;
std::optional<int> AskRecordNumber(QWidget* parent, int current, int count);

// The record number that text gives, or why it gives none ("9999 is no
// record: give a number from 1 to 489"); nothing is cut or clamped.
struct RecordNumberAnswer {
    std::optional<int> Record;
    QString Problem;
};
RecordNumberAnswer ReadRecordNumber(const QString& text, int count);

// Shows a message box with the program's title.
using MessageBox = std::function<void(QWidget* parent, const QString& text)>;

// The dialog's name buffer holds 2048 characters.
inline constexpr int DialogNameBufferSize = 2048;

// Whether the chosen files fit the name buffer in the form the dialog returns
// them: one full path, or the folder, a NUL and the names separated by NULs,
// ended by a NUL.
bool FitsNameBuffer(const QStringList& paths);

FileDialogResult ShowOpenFileDialog(QWidget* parent, const QString& filter);
void ShowMessageBox(QWidget* parent, const QString& text);

// "KISS Files (*.kss)|*.kss|..." as the name filters of a Qt file dialog,
// shown without their patterns so that each reads as its description: the
// pattern "*.*" becomes "*", so that "All Files (*.*)" matches every file,
// also one without a dot in its name.
QStringList DialogNameFilters(const QString& filter);
