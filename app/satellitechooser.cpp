// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellitechooser.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

SatelliteChooser::SatelliteChooser(std::vector<SatelliteRow> rows, QWidget* parent)
    : QDialog(parent)
    , rows_(std::move(rows))
    , filter_(new QLineEdit(this))
    , list_(new QListWidget(this))
{
    setObjectName(QStringLiteral("SatelliteChooser"));
    setWindowTitle(QStringLiteral("Other satellite"));
    // Recent ones first, in the order chosen; then the library by id.
    std::stable_sort(rows_.begin(), rows_.end(), [](const SatelliteRow& a, const SatelliteRow& b) {
        if (a.Recent != b.Recent)
            return a.Recent;
        return !a.Recent && a.Id.compare(b.Id, Qt::CaseInsensitive) < 0;
    });
    filter_->setObjectName(QStringLiteral("SatelliteFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filter by id or title"));
    filter_->setClearButtonEnabled(true);
    list_->setObjectName(QStringLiteral("SatelliteList"));
    for (const SatelliteRow& row : rows_) {
        QString text = row.Id;
        if (!row.Title.isEmpty())
            text += QStringLiteral(" \u2014 ") + row.Title;
        if (row.Active)
            text = QStringLiteral("\u25CF ") + text; // the one chosen now
        auto* item = new QListWidgetItem(text, list_);
        item->setToolTip(row.File);
        if (row.Active) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
    auto* hint = new QLabel(
        QStringLiteral("Satellites described by Kaitai Struct descriptions (.ksy) in the satellite library"), this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Choose"));
    QPushButton* open = buttons->addButton(QStringLiteral("Open description..."), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("OpenDescription"));
    QPushButton* add
        = buttons->addButton(QStringLiteral("Add a folder of descriptions..."), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("AddFolder"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(filter_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    resize(560, 420);

    connect(filter_, &QLineEdit::textChanged, this, &SatelliteChooser::ApplyFilter);
    // Return in the filter box chooses the first row it leaves.
    connect(filter_, &QLineEdit::returnPressed, this, [this] { Finish(SatelliteChoice::Outcome::Chosen); });
    connect(list_, &QListWidget::itemActivated, this, [this] { Finish(SatelliteChoice::Outcome::Chosen); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Finish(SatelliteChoice::Outcome::Chosen); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(open, &QPushButton::clicked, this, [this] { Finish(SatelliteChoice::Outcome::OpenFile); });
    connect(add, &QPushButton::clicked, this, [this] { Finish(SatelliteChoice::Outcome::AddFolder); });
    ApplyFilter(QString());
    filter_->setFocus();
}

void SatelliteChooser::ApplyFilter(const QString& text)
{
    const QString wanted = text.trimmed();
    QListWidgetItem* first = nullptr;
    for (int k = 0; k < list_->count(); ++k) {
        const SatelliteRow& row = rows_[static_cast<std::size_t>(k)];
        const bool shown = wanted.isEmpty() || row.Id.contains(wanted, Qt::CaseInsensitive)
            || row.Title.contains(wanted, Qt::CaseInsensitive);
        list_->item(k)->setHidden(!shown);
        if (shown && !first)
            first = list_->item(k);
    }
    // The row chosen stays chosen while the filter leaves it.
    QListWidgetItem* current = list_->currentItem();
    if (!current || current->isHidden())
        list_->setCurrentItem(first);
}

QStringList SatelliteChooser::ShownIds() const
{
    QStringList ids;
    for (int k = 0; k < list_->count(); ++k)
        if (!list_->item(k)->isHidden())
            ids << rows_[static_cast<std::size_t>(k)].Id;
    return ids;
}

void SatelliteChooser::Finish(SatelliteChoice::Outcome outcome)
{
    choice_ = {outcome, {}};
    if (outcome == SatelliteChoice::Outcome::Chosen) {
        QListWidgetItem* item = list_->currentItem();
        if (!item || item->isHidden())
            return; // nothing to choose: the dialog stays
        choice_.File = rows_[static_cast<std::size_t>(list_->row(item))].File;
    }
    accept();
}

SatelliteChoice ShowSatelliteChooser(QWidget* parent, const std::vector<SatelliteRow>& rows)
{
    SatelliteChooser chooser(rows, parent);
    if (chooser.exec() != QDialog::Accepted)
        return {};
    return chooser.Choice();
}

QString AskFolder(QWidget* parent)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Add a folder of descriptions"));
}
