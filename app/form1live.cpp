// SPDX-License-Identifier: GPL-3.0-or-later
// Live reception in the main window: "Connect to KISS TNC..." and
// "Disconnect", the records appearing as they arrive.

#include "form1.h"

#include "app/livesession.h"
#include "ui/dumpview.h"
#include "ui/fieldchart.h"
#include "ui/recordview.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStatusBar>

void Form1::ConnectToTnc()
{
    if (reading_ || live_)
        return;
    const std::optional<LiveSettings> settings = connectDialog_(this, RememberedLiveSettings());
    if (!settings)
        return;
    RememberLiveSettings(*settings);
    // A new data set, as an open command starts one.
    SetFieldCaptions();
    for (QLineEdit* box : c_.Text1)
        box->clear();
    live_ = std::make_unique<LiveSession>(m_, *this, *settings);
    live_->OnStatusChanged = [this] { SetLiveStatus(live_->StatusText()); };
    QString error;
    if (!live_->Start(error)) {
        live_.reset();
        SetStatus(error);
        return;
    }
    // Cancelling an open dialog after the session reads its recording again,
    // never a file opened before it.
    c_.List3->clear();
    recording_ = settings->RecordTo;
    for (auto& [kind, action] : openActions_)
        action->setEnabled(false);
    disconnectAction_->setEnabled(true);
    connectAction_->setEnabled(false);
    shownRecords_ = -1;
    RefreshLive();
    liveRefresh_.start();
}

void Form1::DisconnectFromTnc()
{
    if (!live_)
        return;
    liveRefresh_.stop();
    live_->Stop();
    RefreshLive();
    live_.reset();
    if (!recording_.isEmpty() && QFileInfo::exists(recording_)) {
        auto* item = new QListWidgetItem(QDir::toNativeSeparators(recording_), c_.List3);
        item->setData(Qt::UserRole, QString::fromLatin1(CaptureKindName(CaptureKind::Kiss)));
    }
    for (auto& [kind, action] : openActions_)
        action->setEnabled(true);
    disconnectAction_->setEnabled(false);
    connectAction_->setEnabled(true);
}

// At most twice a second: the records that arrived, the chart and the
// "Import" page. The scroll bar follows new records when it stands at the
// last one, and stays where the user put it otherwise.
void Form1::RefreshLive()
{
    if (!live_)
        return;
    SetLiveStatus(live_->StatusText());
    const std::int64_t records = m_.HighestRecord();
    if (records == shownRecords_)
        return;
    shownRecords_ = records;
    if (dumpChanged_) {
        c_.Text3->viewport()->update();
        dumpChanged_ = false;
    }
    QScrollBar* bar = c_.HScroll1;
    const bool following = !bar->isEnabled() || bar->value() == bar->maximum();
    const std::int64_t count = m_.CountForField(selectedField_);
    bar->setEnabled(count > 0);
    bar->setMaximum(static_cast<int>(std::clamp<std::int64_t>(count, 1, INT32_MAX)));
    if (following)
        bar->setValue(bar->maximum());
    HScroll1_Change();
    Check1_Click();
    ShowImports();
}

void Form1::SetLiveStatus(const QString& text)
{
    liveStatus_->setText(text);
    statusBar()->show();
}

QString Form1::LiveStatusText() const { return liveStatus_->text(); }
