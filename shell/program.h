// SPDX-License-Identifier: MIT
// The program's run from start-up to exit around the main window: start-up (a failed binding
// shows one message box and ends without a window), the window until it closes, exit. main()
// hands in the real settings stores, starter and message box; tests hand in their own.
#pragma once

#include <QString>
#include <functional>

#include "app/application.h"

namespace tagwright::shell {

// "Load cardhost.dll failed !", naming the reader library's file on this platform.
QString LoadLibraryFailedText();
// The message box of a failed start-up: caption "Error", the error icon, OK.
void ShowStartupError(const QString& text);

// Starts `application`, shows the window until it closes and runs the exit sequence. Returns
// the exit status: 1 when the library could not be bound (after `showStartupError` returned),
// else the event loop's.
int RunProgram(app::Application& application, app::InstanceStarter& starter,
               const std::function<void(const QString& text)>& showStartupError);

}  // namespace tagwright::shell
