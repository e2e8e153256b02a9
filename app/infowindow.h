#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

inline constexpr const char* ProgramVersion = "2.1";
inline constexpr const char* ProgramReleaseDate = "17 March 2016";

// The information window: the program's name, its version and date, a picture
// and the disclaimer. It is a window of its own beside the main window.
class Info : public QWidget {
    Q_OBJECT
public:
    explicit Info(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label11 = nullptr;

private:
    void Form_Load();
};

// The picture beside the program's name: a cubesat on its orbit above the
// earth, sending to a ground station. Drawn, so any size stays sharp.
QPixmap DrawInfoPicture(QSize size);

// The program's icon: the cubesat alone.
QIcon ProgramIcon();
