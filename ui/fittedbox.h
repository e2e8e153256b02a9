// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QLabel>
#include <QLineEdit>

// The font in which text fits room pixels: font itself, else with narrower
// letter spacing and then in smaller sizes, down to minimumPoints. fits says
// whether it does; where it does not, the smallest font tried.
QFont FittingFont(const QFont& font, const QString& text, int room, double minimumPoints, bool& fits);

// A read-only box whose text is never cut without a sign: a text too wide for
// the box is drawn with narrower spacing and then in smaller sizes, down to
// MinimumPoints; one still too wide is drawn elided with "…". Whenever the
// text is not drawn as the box's own font would, the whole text is in the
// tooltip. text() is always the whole text; only its drawing changes.
class FittedBox : public QLineEdit {
public:
    explicit FittedBox(QWidget* parent);

    // The smallest size text is drawn in: legible on a 96-dpi screen.
    static constexpr double MinimumPoints = 7;

    // Sets the text, drawn to fit.
    void SetFittedText(const QString& text);
    // Lets a text too wide for one line be drawn in two (split at a blank)
    // before it is elided: for short texts of digits such as a counter.
    void AllowTwoLines() { twoLinesAllowed_ = true; }

    // How the text is drawn: in the box's own font (nothing fitted), or in
    // FittedFont(), whole or elided.
    bool IsFitted() const { return fitted_; }
    bool IsElided() const { return elided_; }
    bool IsTwoLines() const { return !secondLine_.isEmpty(); }
    const QFont& FittedFont() const { return drawn_; }
    // The room for text inside the frame, in pixels.
    int TextRoom() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Fit();
    bool FitOnTwoLines(const QString& whole, int room);

    QFont drawn_;
    QString shown_;      // the text as drawn: whole, elided, or its first line
    QString secondLine_; // drawn in two lines: the second
    bool fitted_ = false;
    bool elided_ = false;
    bool twoLinesAllowed_ = false;
};

// A label whose text is never cut without a sign, as a FittedBox's: drawn
// smaller, then elided. Its tooltip is the note given with the text, and the
// whole text before it whenever the text is elided. text() is always the
// whole text.
class FittedLabel : public QLabel {
public:
    explicit FittedLabel(QWidget* parent);

    // Sets the plain text and the note (rich text, or empty).
    void SetFittedText(const QString& text, const QString& note = QString());
    bool IsFitted() const { return fitted_; }
    bool IsElided() const { return elided_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();

    QString note_;
    QFont drawn_;
    QString shown_;
    bool fitted_ = false;
    bool elided_ = false;
};
