// SPDX-License-Identifier: MIT
// The upper pane of the splitter: the dialog background colour and exactly one function panel,
// centred. A pane smaller than the panel scrolls, so that no control is out of reach; the pane
// never grows the window to hold it.
#pragma once

#include <QPointer>
#include <QScrollArea>

namespace tagwright::shell {

class PanelHost : public QScrollArea {
    Q_OBJECT
  public:
    explicit PanelHost(QWidget* parent);
    // `panel` becomes the one shown, in the pane's scrolled area; it is centred now and whenever
    // the pane changes size. Its owner may delete it at any time.
    void Show(QWidget& panel);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Centre();
    QWidget* canvas_;  // the scrolled area: the pane's size, or the panel's where that is larger
    QPointer<QWidget> panel_;
};

}  // namespace tagwright::shell
