// SPDX-License-Identifier: MIT
// The upper pane of the splitter: the dialog background colour, no scroll bars, and exactly one
// function panel, centred. A panel larger than the pane keeps its top-left corner in view and
// loses its far edges; the pane never grows the window to hold it.
#pragma once

#include <QPointer>
#include <QWidget>

namespace tagwright::shell {

class PanelHost : public QWidget {
    Q_OBJECT
  public:
    explicit PanelHost(QWidget* parent);
    // `panel`, a child of this pane, becomes the one shown; it is centred now and whenever the
    // pane changes size. Its owner may delete it at any time.
    void Show(QWidget& panel);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Centre();
    QPointer<QWidget> panel_;
};

}  // namespace tagwright::shell
