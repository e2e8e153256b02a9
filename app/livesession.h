// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/kissstream.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

// Where the window receives from: a KISS TNC's TCP server, and the capture the
// frames are recorded to (none when empty).
struct LiveSettings {
    QString Host = QStringLiteral("localhost");
    int Port = 8001;
    QString RecordTo;
};

// Asks where to connect, starting from defaults; empty when cancelled.
using ConnectDialog = std::function<std::optional<LiveSettings>(QWidget* parent, const LiveSettings& defaults)>;
std::optional<LiveSettings> AskLiveSettings(QWidget* parent, const LiveSettings& defaults);

// The settings of the last connection, or the defaults: localhost, port 8001
// and a new norvane-YYYYMMDD-HHMMSS.kss in the user's documents folder.
LiveSettings RememberedLiveSettings();
void RememberLiveSettings(const LiveSettings& settings);

// One live reception in the window: the socket on the window's thread, its
// bytes into a KissStream, a dropped connection tried again every five
// seconds until Stop(), the data set and the recording going on where they
// were.
class LiveSession : public QObject {
    Q_OBJECT
public:
    LiveSession(Module1& m, ReaderHost& host, LiveSettings settings, QObject* parent = nullptr);
    ~LiveSession() override;

    // Opens the recording and connects; false, with the reason in error, when
    // the recording cannot be opened.
    bool Start(QString& error);
    void Stop();

    // "connected to host:port, N frames, M records", or why not.
    QString StatusText() const;
    const StreamCounters& Counters() const { return stream_.Counters(); }

    static constexpr int ReconnectMs = 5000;
    static constexpr int ConnectTimeoutMs = 10000;

    // Called when the status changes (connected, dropped and why).
    std::function<void()> OnStatusChanged;

private:
    void Connect();
    void Dropped(const QString& why);

    Module1& m_;
    LiveSettings settings_;
    KissStream stream_;
    QTcpSocket socket_;
    QTimer reconnect_;
    QTimer connectTimeout_;
    QString state_;
    bool stopped_ = false;
};
