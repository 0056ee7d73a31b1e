// SPDX-License-Identifier: MIT
/*
 * cardhost — what the reader library can tell about its readers beyond the 26 entry points.
 *
 * One entry point, optional: a program binds it when the library has it and does without it
 * otherwise, so a reader library of only the 26 still runs the program. See docs/cardhost.md.
 */
#ifndef CARDHOST_DIAGNOSTICS_H
#define CARDHOST_DIAGNOSTICS_H

#include <cardhost/cardhost.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Writes a report on what `parts` asks for (CARDHOST_REPORT_READERS, CARDHOST_REPORT_PROBLEMS,
 * or both), as UTF-8 lines ending in "\n", each a
 * list of fields separated by TAB. A field's backslash, TAB and line feed are written as "\\",
 * "\t" and "\n". The first field names the line:
 *
 *   reader  <serial> <backend> <ATR as spaced hex, empty: none> <personality, empty: unknown>
 *           <status in decimal: why the rest could not be found out, 0: it could>
 *   problem <backend> <why that backend offers no readers>
 *
 * Lines of other names may follow in later versions; a reader of the report skips them.
 *
 * `*length` receives the report's length in bytes (without a terminating NUL). When it and a
 * NUL fit into `bufferSize`, the report is written, NUL-terminated, and CARDHOST_OK returned;
 * otherwise nothing is written and CARDHOST_BUFFER_SMALL returned, so that the caller can ask
 * again with room for `*length + 1` bytes. `buffer` may be null when `bufferSize` is 0.
 * CARDHOST_BAD_ARGUMENT when `length` is null.
 */
enum {
    CARDHOST_REPORT_READERS = 0x01, /* a look at every reader: slower, a PC/SC card is reached */
    CARDHOST_REPORT_PROBLEMS = 0x02 /* why chosen backends offer no readers: cheap */
};

CARDHOST_EXPORT uint8_t CARDHOST_CALL Diag_Report(uint32_t parts, char* buffer, uint32_t bufferSize,
                                                  uint32_t* length);

#ifdef __cplusplus
}
#endif

#endif /* CARDHOST_DIAGNOSTICS_H */
