// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window for the GUI tests, offscreen, with a file dialog that returns
// what the test says and a message box that only remembers.

#include "app/form1.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <QDir>
#include <QStringList>

#include <utility>

inline QString Sample(const char* name) { return QStringLiteral(NORVANE_SAMPLES_DIR "/") + QLatin1String(name); }

// The user's own configuration (norvane/conf.ini) and satellite library
// never reach the tests: the configuration and data folders are the test's
// own.
inline int IsolateUserSettings()
{
    static TempDir config;
    static TempDir data;
    static const bool set = qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()))
        && qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.Path().string()))
        && qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(data.Path().string())) && qunsetenv("NORVANE_SATELLITES");
    return set ? 0 : 1;
}

struct Window {
    explicit Window(const QString& folder = QDir::tempPath())
        : isolated(IsolateUserSettings())
        , form(m, folder)
    {
        form.SetFileDialog([this](QWidget*, const QString& filter) {
            filters << filter;
            return next;
        });
        form.SetMessageBox([this](QWidget*, const QString& text) { messages << text; });
        // The chooser hands back what the test says, once, and keeps the rows it was shown.
        form.SetSatelliteChooser([this](QWidget*, const std::vector<SatelliteRow>& rows) {
            chooserRows = rows;
            return std::exchange(nextChoice, SatelliteChoice{});
        });
        form.SetFolderDialog([this](QWidget*) { return std::exchange(nextFolder, QString()); });
    }
    void Choose(const QStringList& paths)
    {
        next.Result = FileDialogResult::Outcome::Chosen;
        next.Paths = paths;
    }
    void Cancel() { next = FileDialogResult{}; }

    int isolated;
    Module1 m;
    Form1 form;
    FileDialogResult next;
    QStringList filters;
    QStringList messages;
    SatelliteChoice nextChoice;
    std::vector<SatelliteRow> chooserRows;
    QString nextFolder;
    Form1Controls& c() { return form.Controls(); }
};

inline QString Generate(TempDir& dir, const char* name, CaptureKind kind, std::int64_t packets, int satellite = 1)
{
    CaptureOptions o;
    o.Kind = kind;
    o.Packets = packets;
    o.Satellite = satellite;
    return QString::fromStdString(dir.Write(name, GenerateCapture(o).Bytes));
}
