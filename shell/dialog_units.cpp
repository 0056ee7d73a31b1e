// SPDX-License-Identifier: MIT
#include "dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

namespace tagwright::shell {

DialogUnits DialogUnits::ForScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return DialogUnits(screen ? screen->logicalDotsPerInchY() : 96.0);
}

QSize DialogUnits::BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const DialogUnits& units) {
    QFont font = QApplication::font();
    // Down from a size clearly too large; 6 pixels is the smallest still legible.
    for (int pixels = int(units.baseHeight()) + 1; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QSize base = DialogUnits::BaseUnitsOf(font);
        if (base.width() <= units.baseWidth() && base.height() <= units.baseHeight()) break;
    }
    return font;
}

}  // namespace tagwright::shell
