// SPDX-License-Identifier: GPL-3.0-or-later
#include "infowindow.h"

#include "programinfo.h"
#include "ui/latin1.h"
#include "ui/programicon.h"
#include "ui/twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QUrl>

namespace {

constexpr const char* Disclaimer
    = "This program is provided as it is, without warranty of any kind. The values it shows are decoded from "
      "recordings that amateur ground stations made of the satellites' beacons; a recording may be incomplete and a "
      "value may be wrong. Check what matters against other sources before you rely on it. The satellites' names "
      "are used only to say which telemetry the program decodes.";

// Shrinks label's font until its plain text fits room pixels, not below 6 points.
void ShrinkToFit(QLabel* label, const QString& text, int room)
{
    for (QFont f = label->font(); f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(text) > room;) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        label->setFont(f);
    }
}

QFont Font(const char* family, double points, QFont::StyleHint hint)
{
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    return font;
}

} // namespace

Info::Info(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Info"));
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    setFixedSize(TwipsToPixels(8460, dpi), TwipsToPixels(4935, dpi));

    Label1 = new QLabel(Latin1(ProgramTitle), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Font("MS Sans Serif", 13.5, QFont::SansSerif));
    PlaceInTwips(Label1, 120, 120, 4095, 375, dpi);
    // Where the platform has no narrow "MS Sans Serif", the title shrinks to
    // fit before the picture rather than run under it.
    ShrinkToFit(Label1, Label1->text(), TwipsToPixels(3840 - 120 - 60, dpi));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlaceInTwips(Frame1, 120, 1320, 3375, 615, dpi);
    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    PlaceInTwips(Label2, 120, 240, 3135, 255, dpi);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    PlaceInTwips(Image1, 3840, 0, 4500, 3285, dpi);
    Image1->setPixmap(DrawInfoPicture(Image1->size()));

    Label11 = new QLabel(this);
    Label11->setObjectName(QStringLiteral("Label11"));
    Label11->setWordWrap(true);
    Label11->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label11->setFont(Font("Arial", 8.25, QFont::SansSerif));
    QPalette grey = Label11->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label11->setPalette(grey);
    PlaceInTwips(Label11, 120, 3480, 8175, 1335, dpi);

    auto row = [&](QLabel*& caption, QLabel*& link, const char* captionName, const char* text, const char* linkName,
                   int top) {
        caption = new QLabel(QString::fromLatin1(text), this);
        caption->setObjectName(QString::fromLatin1(captionName));
        PlaceInTwips(caption, 120, top, 1095, 255, dpi);
        link = new QLabel(this);
        link->setObjectName(QString::fromLatin1(linkName));
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
        link->setTextInteractionFlags(Qt::TextBrowserInteraction);
        PlaceInTwips(link, 1260, top, 2520, 255, dpi);
    };
    row(Label6, Label4, "Label6", "Homepage:", "Label4", 2160);
    row(Label7, Label5, "Label7", "e-mail:", "Label5", 2520);

    Form_Load();
}

void Info::Form_Load()
{
    Label2->setText(QStringLiteral("Version ") + Latin1(ProgramVersion) + QStringLiteral("    (")
        + Latin1(ProgramReleaseDate) + QLatin1Char(')'));
    Label11->setText(QString::fromLatin1(Disclaimer));
    // Blue and underlined, as links are.
    auto link = [](const QString& target, const QString& text) {
        return QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline\">%2</a>")
            .arg(target.toHtmlEscaped(), text.toHtmlEscaped());
    };
    // The installed README; run from its build folder, the program has none
    // and links to its source tree's, and without either shows no link.
    const QString installed
        = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + Latin1(ProgramDocumentation));
    const QString source = QString::fromLocal8Bit(ProgramSourceReadme.data(), qsizetype(ProgramSourceReadme.size()));
    const bool isInstalled = QFileInfo::exists(installed);
    const QString documentation = isInstalled ? installed : source;
    const QString linkText = isInstalled ? QStringLiteral("README (installed)") : QStringLiteral("README (sources)");
    Label4->setText(link(QUrl::fromLocalFile(documentation).toString(), linkText));
    Label4->setToolTip(QStringLiteral("<qt>") + documentation.toHtmlEscaped() + QStringLiteral("</qt>"));
    Label4->setVisible(QFileInfo::exists(documentation));
    Label6->setVisible(Label4->isVisibleTo(this));
    // The address whole, in a smaller font where it is long, before the picture.
    const QString address = Latin1(ProgramProblemAddress);
    Label5->setText(link(QStringLiteral("mailto:") + address, address));
    ShrinkToFit(Label5, address, Label5->width() - 2);
    Label5->setToolTip(address);
}
