// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "fields/fieldcatalogue.h"
#include "telemetry/importsummary.h"
#include "ui/fittedbox.h"

#include <QColor>
#include <QString>

#include <array>
#include <map>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QCustomPlot;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QWidget;
class DumpView;

// Every control of the main window, by the name the program gives it. The
// three field-row arrays are indexed by field number.
struct Form1Controls {
    QTabWidget* SSTab1 = nullptr;
    std::map<FieldFrame, QGroupBox*> Frames;
    std::array<QRadioButton*, FieldCount> Option1{};
    std::array<FittedBox*, FieldCount> Text1{};
    std::array<QLabel*, FieldCount> Label2{};
    QButtonGroup* FieldButtons = nullptr; // one chosen field row across all pages
    // A button per built-in satellite, in the order of BuiltInSatellites.
    std::vector<QRadioButton*> Satellites;
    QRadioButton* OtherSatellite = nullptr; // a satellite described by a .ksy file
    // The "Fields" page of a described satellite: a row per field (name,
    // value, unit), the values fitted as the value boxes are.
    QWidget* FieldsPage = nullptr;
    std::array<QWidget*, 2> PacketPages{}; // "Packet #1" and "Packet #2"
    QTableWidget* FieldTable = nullptr;
    std::vector<FittedBox*> FieldValues;
    FittedLabel* Label5 = nullptr; // the record's time, or the time span
    QGroupBox* Frame1 = nullptr;
    QCustomPlot* MSChart1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command1 = nullptr;
    FittedBox* Text4 = nullptr;
    FittedBox* Text2 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    DumpView* Text3 = nullptr;
    QTableWidget* ImportTable = nullptr;  // the "Import" page: what each file gave
    QTableWidget* PassTable = nullptr;    // and the passes the files hold
    QListWidget* WarningList = nullptr;   // below them, what a description's loading warned of
    QProgressBar* ReadProgress = nullptr; // beside the status box while files are read
    QPushButton* CancelRead = nullptr;
    QLabel* Picture2 = nullptr;
    QListWidget* List3 = nullptr;
    QLabel* Label3 = nullptr;
};

inline const QColor WindowGrey(240, 240, 240); // the window picture makes this colour transparent
inline const QColor CaptionGrey(128, 128, 128);
inline const QColor ChosenFieldYellow(255, 255, 192);

// The client area's size in twips.
inline constexpr int ClientWidthTwips = 10785;
inline constexpr int ClientHeightTwips = 11970;
// The tab strip takes the top 360 twips of the tab control; the pages'
// places are counted from the control's corner.
inline constexpr int TabStripTwips = 360;

// Creates every control on client, at its place for the screen's dpi.
void BuildForm1Controls(QWidget* client, Form1Controls& c, double dpi);
// The controls of the "Fields" page and of the "Import" page on page.
void BuildFieldsPage(QWidget* page, Form1Controls& c, double dpi);
void BuildImportPage(QWidget* page, Form1Controls& c, double dpi);

// A row of the "Fields" page: the field's name, its unit and what it is
// (the tooltip of its name).
struct FieldRowText {
    std::string Name;
    std::string Unit;
    std::string Doc;
};

// The rows of the "Fields" page for these fields, values empty.
void SetDescribedFields(Form1Controls& c, const std::vector<FieldRowText>& rows);

// A column of the "Import" page.
struct ImportColumn {
    enum class Is { File, Kind, Count, FirstNotParsed, FirstTime, LastTime, Outcome };
    Is What;
    QString Header;
    const ImportCounter* Counter = nullptr; // of a count
};

// The columns while a built-in or a described satellite is chosen: a
// described satellite's counts and the first frame that does not parse
// stand right after the file, where they are seen.
std::vector<ImportColumn> ImportColumns(bool described);
void SetImportColumns(QTableWidget* table, bool described);

// The warnings below the file table, which leaves them room; none hides them.
void ShowWarnings(Form1Controls& c, const std::vector<std::string>& warnings);

// Sets the background of a value box.
void SetValueBoxColour(QLineEdit* box, const QColor& colour);
