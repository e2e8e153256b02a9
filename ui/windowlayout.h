#pragma once

#include "fields/fieldcatalogue.h"
#include "telemetry/module1.h"
#include "ui/fittedbox.h"

#include <QColor>

#include <array>
#include <map>
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

// Creates every control on client, at its place for the screen's dpi.
void BuildForm1Controls(QWidget* client, Form1Controls& c, double dpi);

// The rows of the "Fields" page for these field names and units, values empty.
void SetDescribedFields(Form1Controls& c, const std::vector<std::string>& names, const std::vector<std::string>& units);

// Sets the background of a value box.
void SetValueBoxColour(QLineEdit* box, const QColor& colour);
