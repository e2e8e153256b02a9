#pragma once

// A main window for the GUI tests, offscreen, with a file dialog that returns
// what the test says and a message box that only remembers.

#include "app/form1.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <QDir>
#include <QStringList>

inline QString Sample(const char* name) { return QStringLiteral(NORVANE_SAMPLES_DIR "/") + QLatin1String(name); }

// The user's own configuration (norvane/conf.ini) never reaches the tests:
// the configuration folder is one of the test's own.
inline int IsolateUserSettings()
{
    static TempDir config;
    static const bool set = qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
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
