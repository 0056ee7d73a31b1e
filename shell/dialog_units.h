// SPDX-License-Identifier: MIT
// Positions given in dialog units, converted to pixels as the platform converts a dialog's:
// x * base width / 4 and y * base height / 8, rounded to the nearest pixel.
//
// The positions were laid out for a dialog font whose base units are 6 x 13 pixels at 96 dots
// per inch. No font of that shape exists here (the platform UI font is wider), and units taken
// from it would make a panel 900 pixels wide in an 800-pixel window. So the base units are those
// of the layout's font, scaled to the screen's resolution, and the panels' font is the largest
// size of the platform UI font whose own base units fit inside them: every caption then fits the
// room it was given.
#pragma once

#include <QFont>
#include <QLabel>
#include <QWidget>

namespace tagwright::shell {

class DialogUnits {
  public:
    // Base units of the dialog font the positions were laid out with, at 96 dots per inch.
    static constexpr int kBaseWidth = 6, kBaseHeight = 13;

    // The layout font's base units on a screen of `dotsPerInch` (96 unless given).
    explicit DialogUnits(double dotsPerInch = 96.0)
        : baseX_(kBaseWidth * dotsPerInch / 96.0), baseY_(kBaseHeight * dotsPerInch / 96.0) {}
    // For the primary screen's logical resolution.
    static DialogUnits ForScreen();
    // The base units the platform would take from `font`: the rounded average width of the 52
    // Latin letters, and the line height.
    static QSize BaseUnitsOf(const QFont& font);

    int X(int units) const { return Pixels(units, baseX_ / 4); }
    int Y(int units) const { return Pixels(units, baseY_ / 8); }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }
    void Place(QWidget& widget, int x, int y, int width, int height) const {
        widget.setGeometry(Rect(x, y, width, height));
    }
    double baseWidth() const { return baseX_; }
    double baseHeight() const { return baseY_; }

  private:
    static int Pixels(int units, double perUnit) { return int(units * perUnit + 0.5); }
    double baseX_, baseY_;
};

// The panels' font: the platform UI font (which covers Chinese through its fallbacks) at the
// largest pixel size whose base units are within `units`.
QFont DialogFont(const DialogUnits& units);

// A new child widget of `parent` at a place given in dialog units, named by its control id (the
// number the layout gives it) so that tests and tools can find it.
template <typename W, typename... Args>
W* PlaceNew(QWidget* parent, const DialogUnits& du, int id, int x, int y, int cx, int cy,
            Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::number(id));
    du.Place(*widget, x, y, cx, cy);
    return widget;
}

inline QLabel* PlaceLabel(QWidget* parent, const DialogUnits& du, int id, const QString& text,
                          Qt::Alignment align, int x, int y, int cx, int cy) {
    auto* label = PlaceNew<QLabel>(parent, du, id, x, y, cx, cy, text);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

}  // namespace tagwright::shell
