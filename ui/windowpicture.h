// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

// The window picture as the PNG stores it: at most 256 colours in a palette,
// with one colour, the window's light grey, fully transparent. Colours beyond
// the 255 most frequent are drawn in their nearest palette colour, never in
// the transparent one.
QImage ToPalettePicture(const QImage& picture, QRgb transparent);

// Writes image to path in format ("BMP", "PNG") whole or not at all; an
// existing file is replaced only once the new one is complete. Returns
// "<path> could not be written: <reason>" on failure.
std::optional<QString> SaveImageFile(const QImage& image, const QString& path, const char* format);
