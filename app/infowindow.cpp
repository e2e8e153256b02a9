#include "infowindow.h"

#include "ui/twips.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr const char* Disclaimer
    = "This program is provided as it is, without warranty of any kind. The values it shows are decoded from "
      "recordings that amateur ground stations made of the satellites' beacons; a recording may be incomplete and a "
      "value may be wrong. Check what matters against other sources before you rely on it. The satellites' names "
      "are used only to say which telemetry the program decodes.";

QFont Font(const char* family, double points, QFont::StyleHint hint)
{
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    return font;
}

// A 2U cubesat seen from a corner: a box with a solar panel on either side.
void DrawCubesat(QPainter& p, QPointF centre, double size)
{
    p.save();
    p.translate(centre);
    p.rotate(-20);
    const QRectF body(-size * 0.25, -size * 0.45, size * 0.5, size * 0.9);
    p.setPen(QPen(QColor(40, 40, 40), size * 0.03));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(body);
    p.drawLine(QPointF(body.left(), 0), QPointF(body.right(), 0));
    p.setBrush(QColor(30, 60, 150));
    for (const double side : {-1.0, 1.0}) {
        const double inner = side * size * 0.28;
        const QRectF panel = QRectF(QPointF(inner, -size * 0.4), QPointF(inner + side * size * 0.55, size * 0.4));
        p.drawRect(panel.normalized());
        p.drawLine(QPointF(panel.center().x(), panel.top()), QPointF(panel.center().x(), panel.bottom()));
    }
    p.setPen(QPen(QColor(40, 40, 40), size * 0.025));
    p.drawLine(QPointF(0, body.top()), QPointF(0, body.top() - size * 0.25));
    p.restore();
}

} // namespace

QPixmap DrawInfoPicture(QSize size)
{
    QPixmap pixmap(size);
    const double w = size.width();
    const double h = size.height();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(5, 10, 40));
    sky.setColorAt(1, QColor(20, 40, 90));
    p.fillRect(pixmap.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 230));
    for (int i = 0; i < 40; ++i) // a fixed scatter of stars
        p.drawEllipse(QPointF(std::fmod(i * 97.3, w), std::fmod(i * 53.7, h * 0.6)), 0.8, 0.8);

    // The earth's limb and the satellite's orbit.
    QRadialGradient earth(QPointF(w * 0.5, h * 2.1), h * 1.5);
    earth.setColorAt(0.85, QColor(30, 90, 160));
    earth.setColorAt(1.0, QColor(120, 180, 230));
    p.setBrush(earth);
    p.drawEllipse(QPointF(w * 0.5, h * 2.1), h * 1.5, h * 1.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 200, 80, 160), 1.5, Qt::DashLine));
    p.drawEllipse(QPointF(w * 0.5, h * 2.1), h * 1.75, h * 1.75);

    // The beacon going down to a ground station's dish.
    const QPointF sat(w * 0.62, h * 0.36);
    const QPointF dish(w * 0.3, h * 0.82);
    p.setPen(QPen(QColor(250, 220, 90), 1.5));
    for (int k = 1; k <= 3; ++k) {
        const QPointF at = sat + (dish - sat) * (0.2 * k);
        p.drawArc(QRectF(at - QPointF(8 + 3 * k, 8 + 3 * k), QSizeF(16 + 6 * k, 16 + 6 * k)), 160 * 16, 100 * 16);
    }
    p.setPen(QPen(QColor(230, 230, 230), 2));
    p.setBrush(QColor(210, 210, 210));
    p.drawChord(QRectF(dish - QPointF(14, 10), QSizeF(28, 20)), 150 * 16, 180 * 16);
    p.drawLine(dish, dish + QPointF(0, 14));
    DrawCubesat(p, sat, h * 0.28);
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int side : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        DrawCubesat(p, QPointF(side / 2.0, side / 2.0), side * 0.55);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

Info::Info(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Info"));
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    setFixedSize(TwipsToPixels(8460, dpi), TwipsToPixels(4935, dpi));

    Label1 = new QLabel(QStringLiteral("Norvane Telemetry Decoder"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Font("MS Sans Serif", 13.5, QFont::SansSerif));
    PlaceInTwips(Label1, 120, 120, 4095, 375, dpi);
    // Where the platform has no narrow "MS Sans Serif", the title shrinks to
    // fit before the picture rather than run under it.
    const int room = TwipsToPixels(3840 - 120 - 60, dpi);
    for (QFont f = Label1->font(); f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(Label1->text()) > room;) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        Label1->setFont(f);
    }

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

    Form_Load();
}

void Info::Form_Load()
{
    Label2->setText(QStringLiteral("Version ") + QLatin1String(ProgramVersion) + QStringLiteral("    (")
        + QLatin1String(ProgramReleaseDate) + QLatin1Char(')'));
    Label11->setText(QString::fromLatin1(Disclaimer));
}
