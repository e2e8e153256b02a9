// SPDX-License-Identifier: GPL-3.0-or-later
// norvane [-f auto|KIND] [-s 1|2|FILE.ksy|ID] [CAPTURE...]
// Starts the window; captures given on the command line are read as one
// selection of that kind's open command. Without -s the satellite chosen
// when the program last ran is chosen again.

#include "app/form1.h"
#include "input/detect.h"
#include "programinfo.h"
#include "telemetry/satellite.h"
#include "ui/latin1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRadioButton>

#include <cstdio>
#include <memory>
#include <string_view>

namespace {

// Whether the arguments ask only for text (the help or the version), which
// needs no display.
bool AsksForTextOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help" || a == "--help-all" || a == "-v" || a == "--version")
            return true;
        if (a == "--")
            break;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Help and version are printed without a window, so they work where no
    // display is (over ssh, in a script).
    std::unique_ptr<QCoreApplication> application = AsksForTextOnly(argc, argv)
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("norvane"));
    QCoreApplication::setApplicationVersion(Latin1(ProgramVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(Latin1(ProgramTitle));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption format({QStringLiteral("f"), QStringLiteral("format")},
        QStringLiteral("Kind of the captures: auto (each file's own), %1.").arg(Latin1(CaptureKindNames())),
        QStringLiteral("kind"), QStringLiteral("auto"));
    const QCommandLineOption satellite({QStringLiteral("s"), QStringLiteral("satellite")},
        QString::fromStdString(SatelliteChoices()
            + ", a Kaitai Struct description FILE.ksy, or the id of one in the satellite library; without it, the "
              "satellite chosen last."),
        QStringLiteral("sat"));
    parser.addOption(format);
    parser.addOption(satellite);
    parser.addPositionalArgument(QStringLiteral("capture"), QStringLiteral("Capture files to read."), "[CAPTURE...]");
    parser.process(app);

    const QString kindText = parser.value(format).toLower();
    const std::optional<CaptureKind> kind = CaptureKindFromName(kindText.toStdString());
    if (!kind && kindText != QLatin1String("auto")) {
        std::fprintf(stderr, "norvane: unknown capture kind '%s' (auto, %s)\n", kindText.toLocal8Bit().constData(),
            CaptureKindNames().c_str());
        return 2;
    }
    Module1 m;
    Form1 window(m, QCoreApplication::applicationDirPath());
    window.show();
    if (parser.isSet(satellite)) {
        // A description that cannot be used is told as in the window, and here too.
        window.SetMessageBox([](QWidget*, const QString& text) {
            std::fprintf(stderr, "norvane: %s\n", text.toLocal8Bit().constData());
        });
        QString error;
        if (!window.ChooseSatellite(parser.value(satellite), error)) {
            if (!error.isEmpty())
                std::fprintf(stderr, "norvane: %s\n", error.toLocal8Bit().constData());
            return 2;
        }
        window.SetMessageBox(ShowMessageBox);
    } else {
        window.RestoreSatelliteChoice();
    }
    QStringList captures;
    for (const QString& path : parser.positionalArguments())
        captures << QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!captures.isEmpty())
        window.OpenSelection(kind, captures);
    return QCoreApplication::exec();
}
