// SPDX-License-Identifier: MIT
// Where the log feed's lines and status texts go while the window lives: the message log and
// the Tips field. Installed for its own lifetime only, so a destroyed window never leaves the
// feed pointing at it.
#pragma once

#include <QLabel>

#include "log/log_feed.h"
#include "message_log_model.h"

namespace tagwright::shell {

// Sets a colour label's text and text colour.
void ShowInColour(QLabel& label, const QString& text, feed::Rgb colour);
// The same for the Tips field, whose tooltip holds the whole text: a text wider than the field
// shows whole where the operator points at it.
void ShowTips(QLabel& tips, const QString& text, feed::Rgb colour);

class WindowLogSink : public feed::LogSink {
  public:
    WindowLogSink(MessageLogModel& log, QLabel& tips)
        : log_(log), tips_(tips), previous_(feed::SetLogSink(this)) {}
    ~WindowLogSink() override { feed::SetLogSink(previous_); }
    WindowLogSink(const WindowLogSink&) = delete;
    WindowLogSink& operator=(const WindowLogSink&) = delete;

    void OnAppend(const feed::LogLine& line) override { log_.Append(line); }
    void OnClear() override { log_.Clear(); }
    void OnStatus(std::string_view text, feed::Rgb colour) override {
        ShowTips(tips_, QString::fromUtf8(text.data(), qsizetype(text.size())), colour);
    }

  private:
    MessageLogModel& log_;
    QLabel& tips_;
    feed::LogSink* previous_;
};

}  // namespace tagwright::shell
