// SPDX-License-Identifier: GPL-3.0-or-later
// Live reception in the window, driven by the event loop against a KISS
// server on loopback.

#include "app/livesession.h"
#include "gui/windowfixture.h"
#include "tncstream.h"
#include "ui/dumpview.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

class TestLive : public QObject {
    Q_OBJECT
private slots:
    void recordsArriveAndTheRecordingReadsBack();
    void refusedAndSilentPeersSaySo();
    void aDroppedConnectionIsTriedAgain();
    void theUsersWorkIsKept();
};

namespace {

// A KISS server that sends each connection the next of its scripts and then
// waits, or closes when the script says so.
class Server : public QObject {
public:
    explicit Server(std::vector<std::string> scripts, bool closeAfter = false)
        : scripts_(std::move(scripts))
        , closeAfter_(closeAfter)
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                const std::string bytes = next_ < scripts_.size() ? scripts_[next_++] : std::string();
                client->write(bytes.data(), static_cast<qint64>(bytes.size()));
                if (closeAfter_ && next_ == 1)
                    client->disconnectFromHost();
            }
        });
    }
    int Port() const { return server_.serverPort(); }

private:
    QTcpServer server_;
    std::vector<std::string> scripts_;
    std::size_t next_ = 0;
    bool closeAfter_;
};

void ConnectTo(Window& w, int port, const QString& record = {})
{
    w.form.SetConnectDialog([=](QWidget*, const LiveSettings&) {
        return std::optional<LiveSettings>(LiveSettings{QStringLiteral("127.0.0.1"), port, record});
    });
    w.form.ConnectToTnc();
}

QString Status(Window& w) { return w.form.LiveStatusText(); }

} // namespace

void TestLive::recordsArriveAndTheRecordingReadsBack()
{
    TempDir dir;
    Server server({TncStream()});
    Window w;
    const QString recording = QString::fromStdString(dir.File("live.kss"));
    ConnectTo(w, server.Port(), recording);
    // Waits long enough for a machine busy with other work.
    QTRY_COMPARE_WITH_TIMEOUT(w.m.RecordCount, 11, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        Status(w), QStringLiteral("connected to 127.0.0.1:%1, 21 frames, 11 records").arg(server.Port()), 20000);
    QVERIFY(!w.form.OpenAction(CaptureKind::Kiss)->isEnabled());
    QVERIFY(w.form.Action("MnuDisconnect")->isEnabled());
    QCOMPARE(w.c().HScroll1->value(), 11); // following the last record
    QCOMPARE(w.c().Text2->text(), QStringLiteral("#11 / 11"));
    QCOMPARE(w.c().ImportTable->rowCount(), 1);

    w.form.Action("MnuDisconnect")->trigger();
    QVERIFY(w.form.OpenAction(CaptureKind::Kiss)->isEnabled());
    QVERIFY(Status(w).startsWith(QStringLiteral("disconnected from 127.0.0.1:")));
    QVERIFY(w.c().Text4->text().isEmpty()); // the status box holds the user's messages only

    // The recording holds what was shown.
    Module1 back;
    RecordingHost host;
    ReadSelection(CaptureKind::Kiss, back, host, {recording.toStdString()});
    QCOMPARE(back.RecordCount, w.m.RecordCount);
    for (std::int64_t n = 1; n <= back.HighestRecord(); ++n) {
        QVERIFY(back.Table.Record(n).Values == w.m.Table.Record(n).Values);
        QVERIFY(back.Table.Packet1Time(n) == w.m.Table.Packet1Time(n));
    }
    // The page reads its lines again from the recording.
    QCOMPARE(host.dump.size(), w.c().Text3->LineCount());
    for (std::size_t i = 0; i < host.dump.size(); ++i)
        QCOMPARE(w.c().Text3->Line(i), host.dump[i]);
}

void TestLive::refusedAndSilentPeersSaySo()
{
    int closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        closedPort = probe.serverPort();
    }
    Window refused;
    ConnectTo(refused, closedPort);
    QTRY_VERIFY2(
        Status(refused).contains(QStringLiteral(": refused; trying again in 5 s")), qPrintable(Status(refused)));
    refused.form.DisconnectFromTnc();

    Server silent({std::string()});
    Window w;
    ConnectTo(w, silent.Port());
    QTRY_COMPARE_WITH_TIMEOUT(
        Status(w), QStringLiteral("connected to 127.0.0.1:%1, 0 frames, 0 records").arg(silent.Port()), 20000);
    QVERIFY(!w.c().HScroll1->isEnabled());
    w.form.DisconnectFromTnc();
}

void TestLive::aDroppedConnectionIsTriedAgain()
{
    const std::string bytes = TncStream();
    const std::size_t cut = bytes.find('\xC0', 900) + 30; // inside a frame
    Server server({bytes.substr(0, cut), bytes.substr(cut - 30)}, true);
    Window w;
    ConnectTo(w, server.Port());
    QTRY_VERIFY2(Status(w).contains(QStringLiteral("closed by the peer; trying again in 5 s")), qPrintable(Status(w)));
    const std::int64_t before = w.m.RecordCount;
    QVERIFY(before > 0 && before < 11);
    QTRY_COMPARE_WITH_TIMEOUT(w.m.RecordCount, 11, 20000);
    QCOMPARE(w.form.Live()->Counters().Incomplete, 1);
    QCOMPARE(w.form.Live()->Counters().Frames, 21);
    w.form.DisconnectFromTnc();
}

void TestLive::theUsersWorkIsKept()
{
    TempDir dir;
    Window w;
    // A file opened before the session.
    w.Choose({Sample("qb50p1-pass.kss")});
    w.form.MenuFileOpenKiss_Click();
    const std::int64_t before = w.m.RecordCount;

    // A refused connection leaves no recording behind; its folder, missing,
    // is made.
    int closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        closedPort = probe.serverPort();
    }
    const QString unused = QString::fromStdString(dir.File("new/folder/refused.kss"));
    ConnectTo(w, closedPort, unused);
    QTRY_VERIFY_WITH_TIMEOUT(Status(w).contains(QStringLiteral(": refused; trying again in 5 s")), 20000);
    w.form.DisconnectFromTnc();
    QVERIFY(QFileInfo(unused).dir().exists());
    QVERIFY(!QFileInfo::exists(unused));

    // A message the user caused stays while the connection's state changes.
    Server server({TncStream()});
    const QString recording = QString::fromStdString(dir.File("new/folder/live.kss"));
    ConnectTo(w, server.Port(), recording);
    QTRY_COMPARE_WITH_TIMEOUT(w.m.RecordCount, 11, 20000);
    w.form.WriteCSVFile_Click();
    const QString message = w.c().Text4->text();
    QVERIFY(!message.isEmpty());
    QTest::qWait(1200); // two refreshes of the connection's state
    QCOMPARE(w.c().Text4->text(), message);
    w.form.DisconnectFromTnc();

    // A cancelled open dialog reads the session's recording again, not the
    // file opened before it.
    QVERIFY(before != 11);
    w.Cancel();
    w.form.MenuFileOpenKiss_Click();
    QCOMPARE(w.m.RecordCount, 11);
    QCOMPARE(w.c().List3->item(0)->text(), QDir::toNativeSeparators(recording));
}

QTEST_MAIN(TestLive)
#include "test_live.moc"
