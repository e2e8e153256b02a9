// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's keyboard: stepping through the records, going to one, and
// the order in which the tab key walks the controls.

#include "form1.h"

#include "ui/dumpview.h"
#include "ui/fieldchart.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <algorithm>
#include <qcustomplot.h>
#include <utility>

namespace {

// A control that takes the record keys for itself: a field to type in, the
// dump page and the import table (which move their own selection), and a
// satellite button that has the focus from the tab key.
bool TakesTheKeys(const QWidget* focus, const Form1Controls& c)
{
    if (!focus)
        return false;
    if (const auto* line = qobject_cast<const QLineEdit*>(focus))
        return !line->isReadOnly();
    if (qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QTextEdit*>(focus)
        || qobject_cast<const QPlainTextEdit*>(focus))
        return true;
    if (const auto* combo = qobject_cast<const QComboBox*>(focus))
        return combo->isEditable();
    return std::ranges::find(c.Satellites, focus) != c.Satellites.end() || focus == c.Text3
        || focus == c.Text3->viewport() || focus == c.ImportTable || focus == c.ImportTable->viewport();
}

} // namespace

void Form1::ConnectKeys()
{
    // Only the tab key gives the satellite buttons the focus, so that a click
    // on them leaves the arrow keys to the records; the field buttons are
    // chosen with the mouse.
    for (QRadioButton* button : c_.Satellites)
        button->setFocusPolicy(Qt::TabFocus);
    for (QRadioButton* button : c_.Option1)
        button->setFocusPolicy(Qt::NoFocus);
    // The read-only boxes take the focus from the mouse only, to select text.
    for (QLineEdit* box : c_.Text1)
        box->setFocusPolicy(Qt::ClickFocus);
    c_.Text2->setFocusPolicy(Qt::ClickFocus);
    c_.Text4->setFocusPolicy(Qt::ClickFocus);
    c_.HScroll1->setFocusPolicy(Qt::StrongFocus);
    c_.HScroll1->setPageStep(10);
    QWidget* previous = c_.SSTab1;
    for (QRadioButton* button : c_.Satellites)
        setTabOrder(std::exchange(previous, button), button);
    setTabOrder(previous, c_.MSChart1);
    setTabOrder(c_.MSChart1, c_.HScroll1);
    c_.Text2->installEventFilter(this);
    qApp->installEventFilter(this);
}

bool Form1::StepRecords(int key)
{
    QScrollBar* bar = c_.HScroll1;
    if (!bar->isEnabled())
        return false;
    int value = bar->value();
    switch (key) {
    case Qt::Key_Left: value -= 1; break;
    case Qt::Key_Right: value += 1; break;
    case Qt::Key_PageUp: value -= 10; break;
    case Qt::Key_PageDown: value += 10; break;
    case Qt::Key_Home: value = bar->minimum(); break;
    case Qt::Key_End: value = bar->maximum(); break;
    default: return false;
    }
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == c_.Text2 && event->type() == QEvent::MouseButtonDblClick) {
        GoToRecord();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !isActiveWindow())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    // Each key press reaches the filter once, for the widget that has the focus.
    if (!widget || widget != QApplication::focusWidget() || widget->window() != this
        || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || TakesTheKeys(widget, c_))
        return QMainWindow::eventFilter(watched, event);
    return StepRecords(key->key()) || QMainWindow::eventFilter(watched, event);
}

void Form1::GoToRecord()
{
    if (!c_.HScroll1->isEnabled())
        return;
    const std::optional<int> record = recordDialog_(this, c_.HScroll1->value(), c_.HScroll1->maximum());
    if (record)
        c_.HScroll1->setValue(std::clamp(*record, 1, c_.HScroll1->maximum()));
}
