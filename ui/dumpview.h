// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fields/textlines.h"

#include <QAbstractScrollArea>

#include <compare>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The "Dump" page's box: the received frames as hex text, one frame a line,
// read-only, scrolling both ways. It paints only the lines in view, so a
// capture of a million frames shows as fast as ten. A line is kept as text,
// or, for a frame that its capture holds, as the frame's place there only:
// its text is made from the capture when it is shown or copied.
class DumpView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit DumpView(QWidget* parent = nullptr);

    void AppendLine(std::string_view line);
    // A frame of bytes bytes at offset in the capture with index file; false
    // where its place is too far out to be kept (its line is then wanted).
    bool AppendFrame(std::uint32_t file, std::uint64_t offset, std::size_t bytes);
    // Makes the line of the frame at offset in the capture with index file.
    using FrameLineSource = std::function<std::string(std::uint32_t file, std::uint64_t offset)>;
    void SetFrameLineSource(FrameLineSource source) { frameLine_ = std::move(source); }
    void Clear();
    std::size_t LineCount() const { return entries_.size(); }
    std::string Line(std::size_t i) const;
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

    std::size_t LineLength(std::size_t i) const { return Line(i).size(); }

    // A line: with FrameBit, a frame's capture (bits 40 to 62) and offset in
    // it (bits 0 to 39); without, the index of a text line.
    static constexpr std::uint64_t FrameBit = std::uint64_t{1} << 63;
    static constexpr int OffsetBits = 40;
    std::deque<std::uint64_t> entries_; // grows without moving what it holds: no pause at ten million lines
    TextLines texts_;
    FrameLineSource frameLine_;
    std::size_t longest_ = 0;
    Place anchor_;
    Place cursor_;
};
