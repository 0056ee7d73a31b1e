// Positions given in dialog units, converted to pixels with the font's average character size
// as the platform does for dialogs: x * average width / 4, y * height / 8.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace tagwright::shell {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        const int sample = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseX_ = (sample / 26 + 1) / 2;  // rounded average, as Windows computes it
        baseY_ = metrics.height();
    }
    int X(int units) const { return units * baseX_ / 4; }
    int Y(int units) const { return units * baseY_ / 8; }
    void Place(QWidget& widget, int x, int y, int width, int height) const {
        widget.setGeometry(X(x), Y(y), X(width), Y(height));
    }

  private:
    int baseX_, baseY_;
};

// A new child widget of `parent` at a place given in dialog units.
template <typename W, typename... Args>
W* PlaceNew(QWidget* parent, const DialogUnits& du, int x, int y, int cx, int cy, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)..., parent);
    du.Place(*widget, x, y, cx, cy);
    return widget;
}

inline QLabel* PlaceLabel(QWidget* parent, const DialogUnits& du, const QString& text,
                          Qt::Alignment align, int x, int y, int cx, int cy) {
    auto* label = PlaceNew<QLabel>(parent, du, x, y, cx, cy, text);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

}  // namespace tagwright::shell
