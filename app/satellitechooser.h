// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;

// A satellite the chooser offers: a description of the library or one
// chosen before.
struct SatelliteRow {
    QString Id;
    QString Title;
    QString File;
    bool Recent = false; // chosen before: listed first
    bool Active = false; // the one chosen now
};

// What the chooser hands back: a description, or the wish to open one by
// its file or to add a folder of descriptions to the library.
struct SatelliteChoice {
    enum class Outcome { Cancelled, Chosen, OpenFile, AddFolder };
    Outcome Result = Outcome::Cancelled;
    QString File;
};

// Shows the chooser; the window's tests put their own in its place.
using SatelliteChooserDialog = std::function<SatelliteChoice(QWidget* parent, const std::vector<SatelliteRow>& rows)>;
SatelliteChoice ShowSatelliteChooser(QWidget* parent, const std::vector<SatelliteRow>& rows);

// Asks for a folder; empty when cancelled.
using FolderDialog = std::function<QString(QWidget* parent)>;
QString AskFolder(QWidget* parent);

// "Other satellite...": a filter box over the rows (id and title; recent
// ones first, the active one marked), and the buttons "Open description..."
// and "Add a folder of descriptions...".
class SatelliteChooser : public QDialog {
    Q_OBJECT
public:
    SatelliteChooser(std::vector<SatelliteRow> rows, QWidget* parent = nullptr);

    QLineEdit* Filter() const { return filter_; }
    QListWidget* List() const { return list_; }
    // The ids of the rows the filter leaves, in their order.
    QStringList ShownIds() const;
    SatelliteChoice Choice() const { return choice_; }

private:
    void ApplyFilter(const QString& text);
    void Finish(SatelliteChoice::Outcome outcome);

    std::vector<SatelliteRow> rows_;
    QLineEdit* filter_;
    QListWidget* list_;
    SatelliteChoice choice_;
};
