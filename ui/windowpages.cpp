// SPDX-License-Identifier: GPL-3.0-or-later
// The pages of what was read beside the values: the "Fields" page of a
// described satellite and the "Import" page of the files, their passes and
// the description's warnings.
#include "windowlayout.h"

#include "telemetry/importsummary.h"
#include "ui/fittedbox.h"
#include "ui/latin1.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>

namespace {

// The warnings take the lower part of the passes' room.
constexpr int PassesTopTwips = 3720;
constexpr int PassesBottomTwips = 6255;
constexpr int WarningsTopTwips = 5055;

} // namespace

void BuildFieldsPage(QWidget* page, Form1Controls& c, double dpi)
{
    c.FieldTable = new QTableWidget(0, 3, page);
    c.FieldTable->setObjectName(QStringLiteral("FieldTable"));
    PlaceInTwips(c.FieldTable, 120, 480 - TabStripTwips, 10335, 5775, dpi);
    c.FieldTable->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value"), QStringLiteral("Unit")});
    c.FieldTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.FieldTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.FieldTable->setSelectionMode(QAbstractItemView::SingleSelection);
    c.FieldTable->verticalHeader()->setVisible(false);
    c.FieldTable->verticalHeader()->setDefaultSectionSize(c.FieldTable->fontMetrics().height() + 6);
    c.FieldTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    c.FieldTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    c.FieldTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
}

void BuildImportPage(QWidget* page, Form1Controls& c, double dpi)
{
    auto table = [&](const char* name, const QStringList& columns, int top, int height) {
        auto* t = new QTableWidget(0, static_cast<int>(columns.size()), page);
        t->setObjectName(QString::fromLatin1(name));
        PlaceInTwips(t, 120, top, 10335, height, dpi);
        t->setHorizontalHeaderLabels(columns);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->verticalHeader()->setVisible(false);
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        return t;
    };
    c.ImportTable = table("ImportTable", {}, 480 - TabStripTwips, 3135);
    SetImportColumns(c.ImportTable, false);
    // Below the files, the passes they hold.
    c.PassTable = table("PassTable",
        {QStringLiteral("Pass"), QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Kind 1"),
            QStringLiteral("Kind 2"), QStringLiteral("Files")},
        PassesTopTwips - TabStripTwips, PassesBottomTwips - PassesTopTwips);
    c.PassTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.WarningList = new QListWidget(page);
    c.WarningList->setObjectName(QStringLiteral("WarningList"));
    PlaceInTwips(
        c.WarningList, 120, WarningsTopTwips - TabStripTwips, 10335, PassesBottomTwips - WarningsTopTwips, dpi);
    c.WarningList->hide();
}

void SetDescribedFields(Form1Controls& c, const std::vector<FieldRowText>& rows)
{
    QTableWidget* table = c.FieldTable;
    table->clearContents();
    table->setRowCount(static_cast<int>(rows.size()));
    c.FieldValues.clear();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int row = static_cast<int>(k);
        auto* name = new QTableWidgetItem(QString::fromStdString(rows[k].Name));
        name->setToolTip(QString::fromStdString(rows[k].Doc));
        table->setItem(row, 0, name);
        table->setItem(row, 1, new QTableWidgetItem(QString()));
        table->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(rows[k].Unit)));
        // The value: a box of its own, drawn smaller or elided with its
        // whole text in the tooltip rather than cut.
        auto* value = new FittedBox(table);
        value->setReadOnly(true);
        value->setFrame(false);
        value->setFocusPolicy(Qt::NoFocus);
        value->setAttribute(Qt::WA_TransparentForMouseEvents);
        table->setCellWidget(row, 1, value);
        c.FieldValues.push_back(value);
    }
}

std::vector<ImportColumn> ImportColumns(bool described)
{
    using Is = ImportColumn::Is;
    std::vector<ImportColumn> columns{{Is::File, QStringLiteral("File")}, {Is::Kind, QStringLiteral("Kind")}};
    for (const ImportCounter& counter : ImportCounters()) {
        const std::string_view header = described ? counter.DescribedColumn : counter.Column;
        if (header.empty())
            continue;
        columns.push_back({Is::Count, Latin1(header), &counter});
        if (described && counter.Member == &ImportSummary::NotParsed)
            columns.push_back({Is::FirstNotParsed, QStringLiteral("The first that does not parse")});
    }
    columns.push_back({Is::FirstTime, QStringLiteral("First time")});
    columns.push_back({Is::LastTime, QStringLiteral("Last time")});
    columns.push_back({Is::Outcome, QStringLiteral("Outcome")});
    return columns;
}

void SetImportColumns(QTableWidget* table, bool described)
{
    QStringList headers;
    for (const ImportColumn& column : ImportColumns(described))
        headers << column.Header;
    table->setColumnCount(static_cast<int>(headers.size()));
    table->setHorizontalHeaderLabels(headers);
}

void ShowWarnings(Form1Controls& c, const std::vector<std::string>& warnings)
{
    c.WarningList->clear();
    for (const std::string& warning : warnings)
        c.WarningList->addItem(QString::fromStdString(warning));
    c.WarningList->setVisible(!warnings.empty());
    // The passes give the warnings the lower part of their room.
    const int bottom = warnings.empty() ? c.WarningList->geometry().bottom() + 1 : c.WarningList->y();
    c.PassTable->resize(c.PassTable->width(), bottom - c.PassTable->y() - (warnings.empty() ? 0 : 4));
}
