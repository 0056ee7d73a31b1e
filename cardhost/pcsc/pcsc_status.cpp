// SPDX-License-Identifier: MIT
#include "pcsc_status.h"

#include <cardhost/cardhost.h>

namespace cardhost::pcsc {

Status StatusOf(LONG result) {
    switch (result) {
        case SCARD_S_SUCCESS:
            return CARDHOST_OK;
        case SCARD_E_NO_SERVICE:
        case SCARD_E_SERVICE_STOPPED:
            return CARDHOST_SERVICE_UNAVAILABLE;
        case SCARD_E_SHARING_VIOLATION:
            return CARDHOST_SHARING_VIOLATION;
        case SCARD_E_TIMEOUT:
        case SCARD_F_WAITED_TOO_LONG:
            return CARDHOST_TIMEOUT;
        case SCARD_E_NO_SMARTCARD:
        case SCARD_W_REMOVED_CARD:
            return CARDHOST_NO_TAG;
        case SCARD_W_UNRESPONSIVE_CARD:
        case SCARD_W_UNPOWERED_CARD:
        case SCARD_W_RESET_CARD:
            return CARDHOST_NO_ANSWER;
        case SCARD_E_UNKNOWN_READER:
        case SCARD_E_READER_UNAVAILABLE:
        case SCARD_E_INVALID_HANDLE:
            return CARDHOST_DETACHED;
        case SCARD_E_NO_READERS_AVAILABLE:
            return CARDHOST_NO_DEVICE;
        case SCARD_E_INSUFFICIENT_BUFFER:
        case SCARD_E_PCI_TOO_SMALL:
            return CARDHOST_BUFFER_SMALL;
        case SCARD_E_UNSUPPORTED_FEATURE:  // also SCARD_E_UNEXPECTED: the same number
        case SCARD_E_READER_UNSUPPORTED:
        case SCARD_E_CARD_UNSUPPORTED:
        case SCARD_W_UNSUPPORTED_CARD:
            return CARDHOST_NOT_SUPPORTED;
        case SCARD_E_INVALID_PARAMETER:
        case SCARD_E_INVALID_VALUE:
            return CARDHOST_BAD_ARGUMENT;
        default:
            return CARDHOST_READER_ERROR;
    }
}

bool ContextLost(LONG result) {
    return result == SCARD_E_NO_SERVICE || result == SCARD_E_SERVICE_STOPPED ||
           result == SCARD_E_INVALID_HANDLE;
}

bool CardGone(LONG result) {
    return result == SCARD_E_NO_SMARTCARD || result == SCARD_W_REMOVED_CARD;
}

}  // namespace cardhost::pcsc
