// SPDX-License-Identifier: GPL-3.0-or-later
// The window's sound defaults: a cancelled dialog keeps the data, an
// installed copy's pictures, the user's settings, and "All Files".

#include "gui/windowfixture.h"
#include "ui/dumpview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <fstream>

namespace {

void Open(Window& w, const QString& capture)
{
    w.Choose({capture});
    w.form.MenuFileOpenKiss_Click();
}

} // namespace

class TestDefaults : public QObject {
    Q_OBJECT
private slots:
    void cancelledDialogKeepsTheData();
    void picturesOfAnInstalledCopyGoToThePicturesFolder();
    void userSettingsWin();
    void allFilesMatchesNamesWithoutADot();
};

void TestDefaults::cancelledDialogKeepsTheData()
{
    Window w;
    Open(w, Sample("qb50p1-pass.kss"));
    const QString shown = w.c().Text1[12]->text();
    w.Cancel();
    w.form.MnuOpenLog_Click(); // cancelled: the capture is read again as KISS
    QCOMPARE(w.m.RecordCount, 45);
    QCOMPARE(w.c().Text1[12]->text(), shown);
    QCOMPARE(w.c().Text3->LineCount(), std::size_t(90));
    QCOMPARE(w.m.Imports.front().Kind, std::string("kiss"));
    // A selection of any kind keeps each file's own reader.
    w.Choose({Sample("qb50p2-server.log"), Sample("qb50p1-pass.log")});
    w.form.MnuOpenAny_Click();
    const std::int64_t records = w.m.RecordCount;
    w.Cancel();
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, records);
    QCOMPARE(w.m.Imports[1].Kind, std::string("log"));
}

void TestDefaults::picturesOfAnInstalledCopyGoToThePicturesFolder()
{
    TempDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.Path().string()));
    Window installed(QString::fromStdString(home.File("no-such-folder/bin")));
    qputenv("HOME", savedHome);
    QCOMPARE(QString::fromStdString(installed.form.ImagePath()), QString::fromStdString(home.File("Pictures") + "/"));
    QVERIFY(QFileInfo(QString::fromStdString(home.File("Pictures"))).isDir());
    // A folder that can be written keeps the pictures beside the program.
    TempDir program;
    Window portable(QString::fromStdString(program.Path().string()));
    QCOMPARE(portable.form.ImagePath(), program.Path().string() + "/");
}

void TestDefaults::userSettingsWin()
{
    TempDir program;
    program.Write("conf.ini", "IMAGE_PATH=/program/\r\nSCREENSHOT=yes\r\n");
    const std::string user = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/norvane";
    std::filesystem::create_directories(user);
    std::ofstream(user + "/conf.ini") << "image_path = /user/pictures\nscreenshot=no\n";
    Window w(QString::fromStdString(program.Path().string()));
    std::filesystem::remove(user + "/conf.ini");
    QCOMPARE(QString::fromStdString(w.form.ImagePath()), QStringLiteral("/user/pictures/"));
    QVERIFY(!w.c().Command1->isVisibleTo(&w.form));
}

void TestDefaults::allFilesMatchesNamesWithoutADot()
{
    const QStringList filters
        = DialogNameFilters(QStringLiteral("KISS Files (*.kss)|*.kss|Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    QCOMPARE(filters,
        QStringList({QStringLiteral("KISS Files (*.kss) (*.kss)"), QStringLiteral("Text Files (*.txt) (*.txt)"),
            QStringLiteral("All Files (*.*) (*)")}));
    // What Qt's dialog lists for the last filter: every file, "pass" too.
    TempDir dir;
    dir.Write("pass", "x");
    dir.Write("pass.kss", "x");
    const QString patterns = filters.last().section(QLatin1Char('('), -1).chopped(1);
    QCOMPARE(QDir(QString::fromStdString(dir.Path().string())).entryList(patterns.split(' '), QDir::Files).size(), 2);
}

QTEST_MAIN(TestDefaults)
#include "test_defaults.moc"
