// Positions given in dialog units, converted to pixels with the font's average character size
// as the platform does for dialogs: x * average width / 4, y * height / 8.
#pragma once

#include <QFontMetrics>
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

}  // namespace tagwright::shell
