// SPDX-License-Identifier: MIT
// Locking a tag for good: the dynamic lock bytes first (where the model has them), then the
// static ones.
#pragma once

#include "detection.h"

namespace tagwright::tag {

// Reads the lock pages back before it reports "Lock tag success !", or reports its one
// failure; true when the Write goes on.
bool LockTag(TagLink link, ModelCode model);

}  // namespace tagwright::tag
