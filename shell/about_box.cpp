// SPDX-License-Identifier: MIT
#include "about_box.h"

#include <QPainter>
#include <QPixmap>

#include "dialog_colours.h"
#include "version/version.h"

namespace tagwright::shell {

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        painter.setPen(Qt::NoPen);
        painter.setBrush(kDialogText);
        painter.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.18, s * 0.18);
        QPen wave(kDialogBackground, s * 0.07, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(wave);
        painter.setBrush(Qt::NoBrush);
        for (int i = 1; i <= 3; ++i) {
            const qreal r = s * 0.13 * i;
            painter.drawArc(QRectF(s * 0.3 - r, s * 0.5 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

std::unique_ptr<QMessageBox> MakeAboutBox(QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QStringLiteral("About Tagwright"));
    box->setIconPixmap(ProgramIcon().pixmap(48, 48));
    box->setText(QStringLiteral("Tagwright"));
    // The version goes below our own line, so that the product line stays as it is.
    box->setInformativeText(
        QStringLiteral("Writes Text, URL and SmartPoster messages to NTAG21x tags, tag after "
                       "tag.\n\n") +
        QString::fromStdString(version::VersionLine("Version")));
    box->setStandardButtons(QMessageBox::Ok);
    UseDialogColours(*box);
    return box;
}

}  // namespace tagwright::shell
