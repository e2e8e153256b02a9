// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON Lines output read back by Qt's JSON parser: every packet once, in
// the order stored, with its time and place, and every value as the CSV has it.

#include "cli/decodecommand.h"
#include "fields/fieldcatalogue.h"
#include "fields/numberformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestJsonl : public QObject {
    Q_OBJECT
private slots:
    void everyPacketWithTheCsvsValues();
    void timesPlacesAndText();
};

namespace {

std::string Run(const std::vector<std::string>& args)
{
    StringSink out;
    StringSink err;
    if (RunDecodeCommand(args, out, err, ".") != ExitOk)
        qWarning("%s", err.Text.c_str());
    return out.Text;
}

std::vector<QJsonObject> Lines(const std::string& text)
{
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : QByteArray::fromStdString(text).split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            qFatal("not a JSON object: %s", line.constData());
        lines.push_back(doc.object());
    }
    return lines;
}

std::vector<QStringList> CsvRows(const std::string& text)
{
    std::vector<QStringList> rows;
    for (const QString& line : QString::fromLatin1(text.c_str()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows.push_back(line.split(QLatin1Char(';')));
    return rows;
}

const std::string Samples = NORVANE_SAMPLES_DIR;

} // namespace

void TestJsonl::everyPacketWithTheCsvsValues()
{
    for (const auto& [kind, sample, satellite] :
        {std::tuple{"kiss", "qb50p1-pass.kss", "1"}, std::tuple{"serverlog", "qb50p2-server.log", "2"},
            std::tuple{"text", "qb50p2-capture.txt", "2"}, std::tuple{"log", "qb50p1-pass.log", "1"}}) {
        const std::string path = Samples + "/" + sample;
        const auto lines = Lines(Run({"-q", "-f", kind, "-s", satellite, "--jsonl", "-", path}));
        const auto csv = CsvRows(Run({"-q", "-f", kind, "-s", satellite, path}));
        QVERIFY(!lines.empty());
        int counts[3] = {0, 0, 0};
        for (const QJsonObject& line : lines) {
            const int k = line[QLatin1String("kind")].toInt();
            const int n = line[QLatin1String("record")].toInt();
            QCOMPARE(n, ++counts[k]); // each kind's records in order
            const QJsonObject values = line[QLatin1String("values")].toObject();
            QCOMPARE(values.size(), k == 1 ? 46 : 55);
            for (int field = k == 1 ? 0 : 50; field <= (k == 1 ? 45 : 104); ++field) {
                const QString caption = QString::fromLatin1(FieldCaption(field).data(), FieldCaption(field).size());
                QVERIFY2(values.contains(caption), qPrintable(caption));
                const std::string text = FormatFixed2(values[caption].toDouble(), ".");
                QCOMPARE(QString::fromStdString(text), csv[static_cast<std::size_t>(n)][field]);
            }
        }
        QCOMPARE(csv.size(), static_cast<std::size_t>(std::max(counts[1], counts[2]) + 1));
    }
}

void TestJsonl::timesPlacesAndText()
{
    const std::string path = Samples + "/qb50p1-pass.kss";
    const auto lines = Lines(Run({"-q", "--jsonl", "-", path}));
    const QJsonObject& first = lines.front();
    QCOMPARE(first[QLatin1String("time")].toString(), QStringLiteral("2016-03-17 10:15:00 UTC"));
    QCOMPARE(first[QLatin1String("utc")].toString(), QStringLiteral("2016-03-17T10:15:00Z"));
    QCOMPARE(first[QLatin1String("file")].toString(), QString::fromStdString(path));
    QCOMPARE(first[QLatin1String("at")].toInt(), 27);
    QCOMPARE(first[QLatin1String("satellite")].toInt(), 1);
    QCOMPARE(first[QLatin1String("words")].toObject()[QLatin1String("OPS mode")].toString(), QStringLiteral("norm"));
    QCOMPARE(first[QLatin1String("words")].toObject().size(), 3); // OPS mode, EPS mode, EPS track
    // Kinds 1 and 2 take turns in the capture and so in the lines.
    QCOMPARE(lines[1][QLatin1String("kind")].toInt(), 2);
    QVERIFY(lines[1][QLatin1String("at")].toInt() > 27);

    // A log file without a date: no instant. A time text with markup, control
    // characters and Latin-1 letters stays text.
    QTemporaryDir dir;
    QFile kiss(dir.filePath(QStringLiteral("odd.kss")));
    QVERIFY(kiss.open(QIODevice::WriteOnly));
    QByteArray bytes = QByteArray("\xC0\x09\"<b>\"\t\xE4\\\xC0", 11);
    QFile sample(QString::fromStdString(path));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray content = sample.readAll();
    bytes += content.mid(content.indexOf(QByteArray("\xC0\x00", 2)), 200);
    kiss.write(bytes);
    kiss.close();
    const auto odd = Lines(Run({"-q", "--jsonl", "-", kiss.fileName().toStdString()}));
    QVERIFY(!odd.empty());
    QCOMPARE(odd.front()[QLatin1String("time")].toString(), QStringLiteral("\"<b>\"\t\u00e4\\"));
    QVERIFY(odd.front()[QLatin1String("utc")].isNull());
    const auto log = Lines(Run({"-q", "--jsonl", "-", Samples + "/qb50p1-pass.log"}));
    QVERIFY(log.front()[QLatin1String("utc")].isNull());
    const auto dated = Lines(Run({"-q", "--date", "2016-03-17", "--jsonl", "-", Samples + "/qb50p1-pass.log"}));
    QCOMPARE(dated.front()[QLatin1String("utc")].toString(), QStringLiteral("2016-03-17T10:15:00Z"));
}

QTEST_GUILESS_MAIN(TestJsonl)
#include "test_jsonl.moc"
