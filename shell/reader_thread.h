// SPDX-License-Identifier: MIT
// The reader calls of the window, made on a thread of their own. Each call from the window's
// thread is handed to the reader thread, and the window's event loop runs until it has returned:
// the window keeps painting, and its timers keep ticking, through a write of many pages. The
// code that makes the calls still runs on the window's thread, one call after the other, so every
// log line, Tips text and journal record comes in the order it always came.
//
// While a call is under way the window may receive clicks and ticks: whatever would reach the
// reader or destroy the panel must check the operation controller's busy() first. A call made
// from inside such an event nonetheless waits its turn behind the one under way.
#pragma once

#include <QThread>
#include <chrono>
#include <functional>

#include "reader/reader_api.h"

namespace tagwright::shell {

class ReaderThread {
  public:
    // Calls through `real` (the bound library's table, which must outlive this). One at a time.
    explicit ReaderThread(const reader::ReaderApi& real);
    ~ReaderThread();
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    // The table whose every entry runs the call on the reader thread. Once this object is gone,
    // its entries call the library directly.
    static const reader::ReaderApi& Api();
    // A pause that keeps the window live (the beep after a tag is done, the one after Open).
    static void Pause(std::chrono::milliseconds duration);
    // Whether a reader call from the window's thread is under way.
    static bool InCall();
    // Until the window is built, its calls are made directly: an event handled in the middle of
    // its construction would find half a window.
    void SetLive(bool live) { live_ = live; }

    // Runs `call` on the reader thread and returns once it has (used by the table's entries).
    static void Run(const std::function<void()>& call);

  private:
    const reader::ReaderApi& real_;
    QThread thread_;
    QObject* worker_;  // lives in thread_; the calls are posted to it
    int depth_ = 0;
    bool live_ = false;

    friend struct ReaderTable;
};

}  // namespace tagwright::shell
