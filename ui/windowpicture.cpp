// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowpicture.h"

#include <QHash>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

int Distance(QRgb a, QRgb b)
{
    const int r = qRed(a) - qRed(b);
    const int g = qGreen(a) - qGreen(b);
    const int bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

} // namespace

QImage ToPalettePicture(const QImage& picture, QRgb transparent)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    transparent |= 0xff000000u;

    QHash<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }

    // Index 0 is the transparent grey; the most frequent other colours follow.
    std::vector<std::pair<qint64, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.key() != transparent)
            byCount.emplace_back(it.value(), it.key());
    std::sort(byCount.begin(), byCount.end(),
        [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    if (byCount.size() > 255)
        byCount.resize(255);
    QList<QRgb> palette{qRgba(qRed(transparent), qGreen(transparent), qBlue(transparent), 0)};
    QHash<QRgb, uchar> index{{transparent, 0}};
    for (const auto& [count, colour] : byCount) {
        index.insert(colour, static_cast<uchar>(palette.size()));
        palette.append(colour);
    }

    auto indexOf = [&](QRgb colour) {
        auto it = index.constFind(colour);
        if (it != index.constEnd())
            return *it;
        uchar best = 1;
        int bestDistance = std::numeric_limits<int>::max();
        for (qsizetype i = 1; i < palette.size(); ++i) {
            const int d = Distance(colour, palette[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<uchar>(i);
            }
        }
        index.insert(colour, best);
        return best;
    };

    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            line[x] = indexOf(in[x] | 0xff000000u);
    }
    return out;
}

std::optional<QString> SaveImageFile(const QImage& image, const QString& path, const char* format)
{
    const QString failed = path + QStringLiteral(" could not be written: ");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed + file.errorString();
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        file.cancelWriting();
        return failed + writer.errorString();
    }
    if (!file.commit())
        return failed + file.errorString();
    return std::nullopt;
}
