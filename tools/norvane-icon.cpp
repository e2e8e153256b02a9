// SPDX-License-Identifier: GPL-3.0-or-later
// norvane-icon FILE SIZE
// Writes the program's icon, as the window draws it, to FILE as a PNG of
// SIZE by SIZE pixels; the install puts it beside the SVG.

#include "ui/programicon.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: norvane-icon FILE SIZE\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    if (size <= 0 || !ProgramIcon().pixmap(size, size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "norvane-icon: %s could not be written\n", argv[1]);
        return 1;
    }
    return 0;
}
