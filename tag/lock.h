// SPDX-License-Identifier: MIT
// Locking a tag for good: the dynamic lock bytes first (where the model has them), then the
// static ones.
#pragma once

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

// Sets the lock bytes and reads the lock pages back; nothing when the tag is locked.
Outcome LockTag(TagLink link, ModelCode model);

}  // namespace tagwright::tag
