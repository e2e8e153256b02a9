// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesession.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>

namespace {

Instant UtcNow() { return QDateTime::currentMSecsSinceEpoch(); }

QString Peer(const LiveSettings& s) { return s.Host + QLatin1Char(':') + QString::number(s.Port); }

QString Why(QAbstractSocket::SocketError error, const QString& text)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return QStringLiteral("refused");
    case QAbstractSocket::HostNotFoundError: return QStringLiteral("unknown host");
    case QAbstractSocket::SocketTimeoutError: return QStringLiteral("timed out");
    case QAbstractSocket::RemoteHostClosedError: return QStringLiteral("closed by the peer");
    default: return text;
    }
}

} // namespace

std::optional<LiveSettings> AskLiveSettings(QWidget* parent, const LiveSettings& defaults)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Connect to KISS TNC"));
    auto* host = new QLineEdit(defaults.Host, &dialog);
    auto* port = new QSpinBox(&dialog);
    port->setRange(1, 65535);
    port->setValue(defaults.Port);
    auto* record = new QLineEdit(defaults.RecordTo, &dialog);
    record->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), &dialog);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, record] {
        // The recording is appended to, never replaced: no question about an existing file.
        const QString chosen = QFileDialog::getSaveFileName(&dialog, QStringLiteral("Record to"), record->text(),
            QStringLiteral("KISS Files (*.kss);;All Files (*)"), nullptr, QFileDialog::DontConfirmOverwrite);
        if (!chosen.isEmpty())
            record->setText(QDir::toNativeSeparators(chosen));
    });
    auto* recordRow = new QHBoxLayout;
    recordRow->addWidget(record, 1);
    recordRow->addWidget(browse);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Host:"), host);
    form->addRow(QStringLiteral("Port:"), port);
    form->addRow(QStringLiteral("Record to:"), recordRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Connect"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LiveSettings{host->text().trimmed(), port->value(), record->text().trimmed()};
}

LiveSettings RememberedLiveSettings()
{
    const QSettings stored(QStringLiteral("norvane"), QStringLiteral("norvane"));
    LiveSettings s;
    s.Host = stored.value(QStringLiteral("live/host"), s.Host).toString();
    s.Port = stored.value(QStringLiteral("live/port"), s.Port).toInt();
    const QString fresh
        = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
              .filePath(QDateTime::currentDateTimeUtc().toString(QStringLiteral("'norvane-'yyyyMMdd-HHmmss'.kss'")));
    s.RecordTo = stored.value(QStringLiteral("live/record"), fresh).toString();
    return s;
}

void RememberLiveSettings(const LiveSettings& s)
{
    QSettings stored(QStringLiteral("norvane"), QStringLiteral("norvane"));
    stored.setValue(QStringLiteral("live/host"), s.Host);
    stored.setValue(QStringLiteral("live/port"), s.Port);
    stored.setValue(QStringLiteral("live/record"), s.RecordTo);
}

LiveSession::LiveSession(Module1& m, ReaderHost& host, LiveSettings settings, QObject* parent)
    : QObject(parent)
    , m_(m)
    , settings_(std::move(settings))
    , stream_(m, host, settings_.RecordTo.isEmpty() ? Peer(settings_).toStdString() : settings_.RecordTo.toStdString())
{
    reconnect_.setSingleShot(true);
    reconnect_.setInterval(ReconnectMs);
    connect(&reconnect_, &QTimer::timeout, this, &LiveSession::Connect);
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(ConnectTimeoutMs);
    connect(&connectTimeout_, &QTimer::timeout, this, [this] {
        socket_.abort();
        Dropped(QStringLiteral("timed out"));
    });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        connectTimeout_.stop();
        stream_.Connected();
        state_ = QStringLiteral("connected to ") + Peer(settings_);
        if (OnStatusChanged)
            OnStatusChanged();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        const QByteArray bytes = socket_.readAll();
        stream_.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), UtcNow());
    });
    connect(&socket_, &QAbstractSocket::errorOccurred, this,
        [this](QAbstractSocket::SocketError error) { Dropped(Why(error, socket_.errorString())); });
}

LiveSession::~LiveSession() { Stop(); }

bool LiveSession::Start(QString& error)
{
    if (!settings_.RecordTo.isEmpty()) {
        // The default recording lies in the documents folder, which a new
        // account may not have yet.
        QDir().mkpath(QFileInfo(settings_.RecordTo).absolutePath());
        std::string why;
        if (!stream_.Record(QDir::toNativeSeparators(settings_.RecordTo).toLocal8Bit().toStdString(), why)) {
            error = QString::fromLocal8Bit(why.c_str());
            return false;
        }
    }
    Connect();
    return true;
}

void LiveSession::Connect()
{
    if (stopped_)
        return;
    state_ = QStringLiteral("connecting to ") + Peer(settings_);
    connectTimeout_.start();
    socket_.connectToHost(settings_.Host, static_cast<quint16>(settings_.Port));
}

void LiveSession::Dropped(const QString& why)
{
    connectTimeout_.stop();
    if (stopped_ || reconnect_.isActive())
        return;
    stream_.Disconnected();
    socket_.abort();
    state_ = Peer(settings_) + QStringLiteral(": ") + why + QStringLiteral("; trying again in 5 s");
    reconnect_.start();
    if (OnStatusChanged)
        OnStatusChanged();
}

void LiveSession::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    reconnect_.stop();
    connectTimeout_.stop();
    socket_.disconnect(this);
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        stream_.Disconnected();
    socket_.abort();
    state_ = QStringLiteral("disconnected from ") + Peer(settings_);
}

QString LiveSession::StatusText() const
{
    QString text = state_ + QStringLiteral(", %1 frames, %2 records").arg(Counters().Frames).arg(m_.HighestRecord());
    if (!stream_.RecordingError().empty())
        text += QStringLiteral("; ") + QString::fromLocal8Bit(stream_.RecordingError().c_str());
    return text;
}
