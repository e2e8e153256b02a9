#pragma once

#include "textlines.h"

#include <QAbstractScrollArea>

#include <compare>
#include <string>
#include <string_view>
#include <vector>

// The "Dump" page's box: the received frames as hex text, one frame a line,
// read-only, scrolling both ways. It keeps the lines and paints only those in
// view, so a capture of a hundred thousand frames shows as fast as ten.
class DumpView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit DumpView(QWidget* parent = nullptr);

    void AppendLine(std::string_view line);
    void Clear();
    std::size_t LineCount() const { return lines_.size(); }
    std::string_view Line(std::size_t i) const { return lines_[i]; }
    // Every line followed by CR LF, as the box's text.
    std::string Text() const;

    // The text can be selected with the mouse, Shift and the arrow keys or
    // Ctrl+A, and copied with Ctrl+C or the context menu; only the lines in
    // view are ever painted.
    void SelectAll();
    // The selected characters, lines separated by LF.
    QString SelectedText() const;
    void CopySelection() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A place between two characters: line and column, from 0.
    struct Place {
        std::size_t Line = 0;
        std::size_t Column = 0;
        auto operator<=>(const Place&) const = default;
    };

    void UpdateScrollBars();
    Place PlaceAt(QPoint point) const;
    void MoveCursor(Place to, bool extend);
    void ShowCursor();

    TextLines lines_;
    std::size_t longest_ = 0;
    Place anchor_;
    Place cursor_;
};
