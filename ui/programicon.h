// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's pictures, drawn rather than loaded so any size stays sharp.

// The picture of the information window: a cubesat on its orbit above the
// earth, sending to a ground station.
QPixmap DrawInfoPicture(QSize size);

// The program's icon: the cubesat alone.
QIcon ProgramIcon();
