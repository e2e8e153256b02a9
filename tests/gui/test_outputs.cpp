// SPDX-License-Identifier: GPL-3.0-or-later
// The window's outputs, offscreen: CSV file, TLM report, window picture and
// the information window.

#include "app/infowindow.h"
#include "describe/describedsatellite.h"
#include "gui/windowfixture.h"
#include "input/capturereaders.h"
#include "output/outputformats.h"
#include "ui/latin1.h"
#include "ui/windowpicture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>

#ifdef __unix__
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

QString Golden(const char* name) { return QStringLiteral(NORVANE_DECODE_CASES "/qb50p1-pass/") + QLatin1String(name); }

std::string GoldenBytes(const char* name) { return ReadFileBytes(Golden(name).toStdString()); }

// The sample KISS capture copied to path, read through the KISS command.
void OpenSampleAs(Window& w, const std::string& path)
{
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(Sample("qb50p1-pass.kss").toStdString(), path, fs::copy_options::overwrite_existing);
    w.Choose({QString::fromStdString(path)});
    w.form.MenuFileOpenKiss_Click();
}

QString Status(Window& w) { return w.c().Text4->text(); }

// Every pixel of rect in image has the colour.
bool AllPixels(const QImage& image, const QRect& rect, QRgb colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) != (colour | 0xff000000u))
                return false;
    return true;
}

// A window whose conf.ini sends pictures to pictures/ inside dir.
struct PictureWindow {
    explicit PictureWindow(const TempDir& dir)
        : pictures(dir.File("pictures") + "/")
        , w((fs::create_directories(pictures),
              QString::fromStdString(dir.Write("conf.ini", "IMAGE_PATH=" + pictures + "\r\n")).section('/', 0, -2)))
    {
        w.form.show();
    }
    std::string pictures;
    Window w;
};

} // namespace

class TestOutputs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void csvAndTlmMatchTheGoldenFiles();
    void everyOutputOfTheMenuIsTheCoresFile();
    void noInputFile();
    void neverOverACapture();
    void failedWritesAreReportedAndKeepTheOldFile();
    void readOnlyFolder();
    void pictureWithoutTheSmallControls();
    void pngHasAPaletteAndTransparentGrey();
    void paletteOfAManyColouredPicture();
    void pictureBeforeAnyCaptureAndInAMissingFolder();
    void oneInfoWindow();
};

void TestOutputs::initTestCase()
{
    // The golden files have a decimal point.
    QLocale::setDefault(QLocale::c());
}

void TestOutputs::csvAndTlmMatchTheGoldenFiles()
{
    TempDir dir;
    Window w;
    OpenSampleAs(w, dir.File("qb50p1-pass.kss"));
    w.form.WriteCSVFile_Click();
    const std::string csv = dir.File("qb50p1-pass.csv");
    QCOMPARE(Status(w), QString::fromStdString(csv + " has been written"));
    QVERIFY(ReadFileBytes(csv) == GoldenBytes("expected.csv"));

    // The report holds the record on display, as the boxes show it.
    const std::string tlm = dir.File("qb50p1-pass.tlm");
    w.form.WriteTLMFile_Click();
    const std::string first = ReadFileBytes(tlm);
    QVERIFY(first != GoldenBytes("expected.tlm"));
    w.c().HScroll1->setValue(3);
    w.form.WriteTLMFile_Click();
    QCOMPARE(Status(w), QString::fromStdString(tlm + " has been written"));
    QVERIFY(ReadFileBytes(tlm) == GoldenBytes("expected.tlm"));
}

void TestOutputs::everyOutputOfTheMenuIsTheCoresFile()
{
    for (const QString& ksy : {QString(), Sample("qb50.ksy")}) {
        TempDir dir;
        Window w;
        if (!ksy.isEmpty())
            QVERIFY(w.form.ChooseDescription(ksy));
        const std::string capture = dir.File("qb50p1-pass.kss");
        OpenSampleAs(w, capture);
        w.c().HScroll1->setValue(3);
        // The same capture read without the window.
        Module1 m;
        if (!ksy.isEmpty())
            m.Described = DescribedSatellite::Load(ksy.toStdString());
        ReaderHost host;
        BeginDataSet(m);
        ReadSelection(CaptureKind::Kiss, m, host, {capture});

        QStringList menu;
        for (const QAction* action : w.form.findChild<QMenu*>(QStringLiteral("MnuSettings"))->actions())
            menu << action->text();
        QStringList rows;
        for (const OutputFormat& format : OutputFormats()) {
            if (format.Caption.empty())
                continue;
            rows << Latin1(format.Caption);
            w.form.Action(std::string(format.Name).c_str())->trigger();
            const std::string path = dir.File("qb50p1-pass" + std::string(format.Ending));
            QVERIFY2(Status(w).startsWith(QString::fromStdString(path + " has been written")), qPrintable(Status(w)));
            StringSink made;
            OutputRun run{m, ".", 3};
            format.Write(made, run);
            QVERIFY2(ReadFileBytes(path) == made.Text, format.Name.data());
        }
        QCOMPARE(menu, rows);
        QVERIFY(rows.contains(QStringLiteral("Write JSON Lines File")));
    }
}

void TestOutputs::noInputFile()
{
    TempDir dir;
    Window w(QString::fromStdString(dir.Path().string()));
    w.form.WriteCSVFile_Click();
    QCOMPARE(Status(w), QStringLiteral("no input file"));
    w.form.WriteTLMFile_Click();
    QCOMPARE(Status(w), QStringLiteral("no input file"));
    QVERIFY(fs::is_empty(dir.Path()));
}

void TestOutputs::neverOverACapture()
{
    TempDir dir;
    Window w;
    w.m.SatelliteNumber = 2;
    // A SatNOGS export named as its CSV would be.
    const std::string export_ = dir.Write("pass.csv", ReadFileBytes(Sample("qb50p2-satnogs.csv").toStdString()));
    const std::string before = ReadFileBytes(export_);
    w.Choose({QString::fromStdString(export_)});
    w.form.MnuOpenAny_Click();
    QVERIFY(w.m.RecordCount > 0);
    w.form.WriteCSVFile_Click();
    const std::string written = dir.File("pass-decoded.csv");
    QCOMPARE(Status(w),
        QString::fromStdString(written + " has been written (" + export_ + " is a capture and was left as it is)"));
    QVERIFY(ReadFileBytes(export_) == before);
    QVERIFY(ReadFileBytes(written).rfind("OPS mode;", 0) == 0);

    // A capture of another kind beside the one read, under the report's name.
    const std::string tlm = dir.Write("pass.tlm", ReadFileBytes(Sample("qb50p1-pass.kss").toStdString()));
    w.form.WriteTLMFile_Click();
    QCOMPARE(Status(w),
        QString::fromStdString(
            dir.File("pass-decoded.tlm") + " has been written (" + tlm + " is a capture and was left as it is)"));
    // The report of an earlier run is no capture: it is replaced.
    w.form.WriteTLMFile_Click();
    QCOMPARE(Status(w),
        QString::fromStdString(
            dir.File("pass-decoded.tlm") + " has been written (" + tlm + " is a capture and was left as it is)"));
}

void TestOutputs::failedWritesAreReportedAndKeepTheOldFile()
{
    TempDir dir;
    Window w;
    OpenSampleAs(w, dir.File("pass.kss"));

    // An output name that is taken by a folder.
    fs::create_directory(dir.File("pass.tlm"));
    w.form.WriteTLMFile_Click();
    QCOMPARE(Status(w), QString::fromStdString(dir.File("pass.tlm") + " could not be written: it is a folder"));

    // A full disk: the output is a link to /dev/full.
    if (fs::exists("/dev/full")) {
        fs::create_symlink("/dev/full", dir.File("pass.csv"));
        w.form.WriteCSVFile_Click();
        QVERIFY2(Status(w).startsWith(QString::fromStdString(dir.File("pass.csv") + " could not be written: ")),
            qPrintable(Status(w)));
        QVERIFY(fs::is_character_file(dir.File("pass.csv")));
        fs::remove(dir.File("pass.csv"));
    }

#ifdef __unix__
    // A disk that fills up part-way: the old file stays whole and no
    // temporary file is left behind.
    dir.Write("pass.csv", "old\r\n");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    w.form.WriteCSVFile_Click();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(Status(w).startsWith(QString::fromStdString(dir.File("pass.csv") + " could not be written: ")),
        qPrintable(Status(w)));
    QCOMPARE(QString::fromStdString(ReadFileBytes(dir.File("pass.csv"))), QStringLiteral("old\r\n"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path()))
        ++entries;
    QCOMPARE(entries, 3); // pass.kss, pass.csv and the folder pass.tlm
#endif
}

void TestOutputs::readOnlyFolder()
{
#ifdef __unix__
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
#endif
    TempDir dir;
    Window w;
    OpenSampleAs(w, dir.File("ro/pass.kss"));
    dir.Write("ro/pass.csv", "old\r\n");
    fs::permissions(dir.File("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    w.form.WriteCSVFile_Click();
    fs::permissions(dir.File("ro"), fs::perms::owner_all);
    QVERIFY2(Status(w).startsWith(QString::fromStdString(dir.File("ro/pass.csv") + " could not be written: ")),
        qPrintable(Status(w)));
    QCOMPARE(QString::fromStdString(ReadFileBytes(dir.File("ro/pass.csv"))), QStringLiteral("old\r\n"));
}

void TestOutputs::pictureWithoutTheSmallControls()
{
    TempDir dir;
    PictureWindow p(dir);
    Window& w = p.w;
    auto& c = w.c();
    OpenSampleAs(w, dir.File("captures.kss/pass12.kss"));
    QWidget* client = w.form.centralWidget();
    const QImage withControls = client->grab().toImage();

    c.Command1->click();
    const QString bmp = QString::fromStdString(p.pictures + "nv_pass12.bmp");
    const QString png = QString::fromStdString(p.pictures + "nv_pass12.png");
    QCOMPARE(Status(w), png + " converted and saved");
    QVERIFY(c.Check1->isVisible() && c.Command1->isVisible());

    const QImage picture(bmp, "BMP");
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), client->size());
    QCOMPARE(c.Picture2->pixmap().size(), client->size());
    QCOMPARE(c.Picture2->geometry(), QRect(QPoint(0, 0), client->size()));

    // "S" stands on the window's grey: the picture shows only grey there.
    QVERIFY(!AllPixels(withControls, c.Command1->geometry(), WindowGrey.rgb()));
    QVERIFY(AllPixels(picture, c.Command1->geometry(), WindowGrey.rgb()));
    // "B" stands on the chart: the picture differs there from the window with it.
    const QRect check(c.Check1->mapTo(client, QPoint(0, 0)), c.Check1->size());
    QVERIFY(picture.copy(check).convertToFormat(QImage::Format_RGB32)
        != withControls.copy(check).convertToFormat(QImage::Format_RGB32));
    // Elsewhere the picture is the window.
    const QRect tabs(c.SSTab1->geometry());
    QVERIFY(picture.copy(tabs).convertToFormat(QImage::Format_RGB32)
        == withControls.copy(tabs).convertToFormat(QImage::Format_RGB32));

    // Every field row paints the one window grey, on either page: the
    // picture's grey is transparent behind all of them.
    for (const int page : {0, 1}) {
        c.SSTab1->setCurrentIndex(page);
        const QImage shown = client->grab().toImage();
        for (std::size_t i = 0; i < c.Option1.size(); ++i) {
            const QRadioButton* option = c.Option1[i];
            if (!option->isVisible())
                continue;
            // Between the caption and the value box, which lies over the button's end.
            const QPoint corner = c.Text1[i]->mapTo(client, QPoint(-3, 1));
            QVERIFY2(shown.pixelColor(corner) == WindowGrey,
                qPrintable(option->objectName() + QStringLiteral(" page %1").arg(page)));
        }
    }
    c.SSTab1->setCurrentIndex(0);

    // Saving again replaces both files.
    fs::resize_file(png.toStdString(), 0);
    c.Command1->click();
    QVERIFY(fs::file_size(png.toStdString()) > 0);
}

void TestOutputs::pngHasAPaletteAndTransparentGrey()
{
    TempDir dir;
    PictureWindow p(dir);
    auto& c = p.w.c();
    OpenSampleAs(p.w, dir.File("pass.log"));
    p.w.form.Command1_Click();
    QCOMPARE(Status(p.w), QString::fromStdString(p.pictures + "nv_pass.png converted and saved"));

    const QImage png(QString::fromStdString(p.pictures + "nv_pass.png"), "PNG");
    QCOMPARE(png.format(), QImage::Format_Indexed8);
    QVERIFY(png.colorCount() <= 256);
    const QRgb grey = png.pixel(c.Command1->geometry().center());
    QCOMPARE(qAlpha(grey), 0);
    QCOMPARE(grey & 0xffffffu, WindowGrey.rgb() & 0xffffffu);
    // A value box is white, and opaque.
    const QPoint box = c.Text1[1]->mapTo(p.w.form.centralWidget(), c.Text1[1]->rect().center());
    QCOMPARE(qAlpha(png.pixel(box)), 255);
    QCOMPARE(png.pixel(box), qRgb(255, 255, 255));
}

void TestOutputs::paletteOfAManyColouredPicture()
{
    // 250 colours of four pixels each, 50 stray colours one blue step away
    // from some of them, and two greys: 302 colours in all.
    auto main = [](int i) { return qRgb(i, 255 - i, (i * 7) % 256); };
    QImage image(1050, 2, QImage::Format_RGB32);
    for (int x = 0; x < 1000; ++x)
        image.setPixel(x, 0, main(x / 4));
    for (int i = 0; i < 50; ++i)
        image.setPixel(1000 + i, 0, main(i) + 1);
    for (int x = 0; x < 1050; ++x)
        image.setPixel(x, 1, x < 500 ? WindowGrey.rgb() : qRgb(239, 239, 239));

    const QImage out = ToPalettePicture(image, WindowGrey.rgb());
    QCOMPARE(out.format(), QImage::Format_Indexed8);
    QCOMPARE(out.colorCount(), 256);
    QCOMPARE(qAlpha(out.pixel(0, 1)), 0);
    // A grey next to the transparent one stays visible.
    QCOMPARE(out.pixel(1049, 1), qRgb(239, 239, 239));
    // The frequent colours are kept; the rare ones take the nearest.
    for (int x = 0; x < 1050; ++x) {
        const QRgb a = image.pixel(x, 0);
        const QRgb b = out.pixel(x, 0);
        QVERIFY(x >= 1000 || a == b);
        QVERIFY(qRed(a) == qRed(b) && qGreen(a) == qGreen(b) && std::abs(qBlue(a) - qBlue(b)) <= 1);
    }
}

void TestOutputs::pictureBeforeAnyCaptureAndInAMissingFolder()
{
    TempDir dir;
    PictureWindow p(dir);
    p.w.form.Command1_Click();
    QCOMPARE(Status(p.w), QString::fromStdString(p.pictures + "nv_.png converted and saved"));
    QVERIFY(fs::is_regular_file(p.pictures + "nv_.bmp"));

    // A picture folder that does not exist: reported, and no PNG is tried.
    TempDir other;
    other.Write("conf.ini", "image_path = " + other.File("missing") + "\r\n");
    Window w(QString::fromStdString(other.Path().string()));
    w.form.show();
    w.form.Command1_Click();
    QVERIFY2(Status(w).startsWith(QString::fromStdString(other.File("missing") + "/nv_.bmp could not be written: ")),
        qPrintable(Status(w)));
    QVERIFY(!fs::exists(other.File("missing")));
    QVERIFY(w.c().Check1->isVisible() && w.c().Command1->isVisible());
}

void TestOutputs::oneInfoWindow()
{
    Window w;
    w.form.show();
    w.form.Action("MnuInfo")->trigger();
    Info* info = w.form.InfoWindow();
    QVERIFY(info && info->isVisible());
    QCOMPARE(info->windowTitle(), QStringLiteral("Info"));
    QCOMPARE(info->Label2->text(), QStringLiteral("Version 2.1    (17 March 2016)"));
    QCOMPARE(info->Label1->text(), QStringLiteral("Norvane Telemetry Decoder"));
    QVERIFY(!info->Label11->text().isEmpty());
    QVERIFY(!info->Image1->pixmap().isNull());
    // The address stands whole before the picture; the README link leads to
    // a file that is there (the source tree's, run from the build folder).
    const QString address = info->Label5->toolTip();
    QVERIFY(address.contains(QLatin1Char('@')));
    QVERIFY(info->Label5->x() + QFontMetrics(info->Label5->font()).horizontalAdvance(address) <= info->Image1->x());
    QVERIFY(info->Label4->isVisibleTo(info));
    const QString readme = info->Label4->toolTip().remove(QStringLiteral("<qt>")).remove(QStringLiteral("</qt>"));
    QVERIFY2(QFileInfo::exists(readme), qPrintable(readme));

    w.form.MnuInfo_Click();
    QCOMPARE(w.form.findChildren<Info*>().size(), 1);
    QCOMPARE(w.form.InfoWindow(), info);

    // Closed, it is made anew the next time.
    info->close();
    QTRY_VERIFY(w.form.InfoWindow() == nullptr);
    w.form.MnuInfo_Click();
    QVERIFY(w.form.InfoWindow() != nullptr);
    QCOMPARE(w.form.findChildren<Info*>().size(), 1);
}

QTEST_MAIN(TestOutputs)
#include "test_outputs.moc"
