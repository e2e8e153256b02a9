#pragma once

#include <QAbstractScrollArea>

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
    const std::string& Line(std::size_t i) const { return lines_[i]; }
    // Every line followed by CR LF, as the box's text.
    std::string Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();

    std::vector<std::string> lines_;
    std::size_t longest_ = 0;
};
