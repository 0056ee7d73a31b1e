// SPDX-License-Identifier: MIT
// The message log below the panel host: no header, whole rows selected, several at a time,
// columns 60 : 400 : 130, each new line scrolled fully into view.
#pragma once

#include <QTableView>

#include "message_log_model.h"

namespace tagwright::shell {

class MessageLogView : public QTableView {
    Q_OBJECT
  public:
    explicit MessageLogView(QWidget* parent = nullptr);
    MessageLogModel& model() { return model_; }

  private:
    MessageLogModel model_;
    bool scrollPending_ = false;
};

}  // namespace tagwright::shell
