// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

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
    QLabel* Label6 = nullptr; // "Homepage:"
    QLabel* Label7 = nullptr; // "e-mail:"
    QLabel* Label4 = nullptr; // the installed documentation, as a link
    QLabel* Label5 = nullptr; // the address for problem reports, as a link

private:
    void Form_Load();
};
