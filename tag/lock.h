// SPDX-License-Identifier: MIT
// Locking a tag for good: the dynamic lock bytes first (where the model has them), then the
// static ones.
#pragma once

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

// Sets the lock bytes and reads the lock pages back; nothing when the tag is locked.
Outcome LockTag(TagLink link, ModelCode model);

// Locks the configuration pages for good (CFGLCK): AUTH0, ACCESS and the mirror settings stay as
// they are; the password and PACK can still be changed. NoPassword for NTAG203, which has none.
Outcome LockConfiguration(TagLink link, ModelCode model);

}  // namespace tagwright::tag
