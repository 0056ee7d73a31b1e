// SPDX-License-Identifier: MIT
// A process that holds a tag's keys must leave no core dump behind: the dump would hold the keys
// in the clear, readable by whoever can read the dump (often another user, or a crash reporter).
#pragma once

namespace tagwright::secrets {

// Called first thing in main(), before any key is read. Also keeps other processes of the same
// user from attaching a debugger (the process is no longer "dumpable"). Where the system offers
// neither, nothing is done.
void ForbidCoreDumps();

}  // namespace tagwright::secrets
