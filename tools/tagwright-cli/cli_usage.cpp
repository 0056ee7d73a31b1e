// SPDX-License-Identifier: MIT
// The text of tagwright-cli --help; docs/man/tagwright-cli.1 says the same at length.
#include "cli_options.h"

namespace tagwright::cli {

const char* const kUsage =
    R"(usage: tagwright-cli [--reader SERIAL] [--lang en|zh] [--json] COMMAND ...
       tagwright-cli --help | --version

Programs NTAG21x tags from the command line, with the same operations, messages and tag bytes
as the Tagwright window.

Commands
  readers [--verbose]              list the attached readers (--verbose: with the backend,
                                   the card's ATR and how tag commands reach the tag)
  read  text|url|poster [--original-key HEX | --key-file FILE] [--pack HEX]
                                   read the tag in the field and show its content, its NFC
                                   counter when it is on, and "signature: genuine NXP" or
                                   "signature: not NXP" (NTAG210 to NTAG216); a tag whose
                                   reads are protected is opened with the original key
  write text  [TEXT | --stdin]     write a Text record
  write url   [--prefix CODE] [--mirror M] URL
                                   write a URI record
  write poster [--prefix CODE] [--title TITLE] [--mirror M] URL
                                   write a Smart Poster record
  check text|url|poster --from-file PATH [--row N] [--model M] [--offset T] [--prefix CODE]
              [--title TITLE] [--templates] [--mirror M]
                                   check every row from the start row to the last before a
                                   batch: a text cell, a message that fits model M (default
                                   NTAG210, the smallest), a URL scheme the prefix or code 0
                                   handles, no duplicate rows; --offset is where the NDEF TLV
                                   stands on the tags (default 0). Prints the rows that would
                                   fail and a summary; exit 0 when every row passes, else 1
  clear-key   [--original-key HEX] [--pack HEX] [--auto]
                                   switch password protection off again (once; --auto as
                                   with the Auto operation box checked)
  erase       [--original-key HEX] [--pack HEX]
                                   give the tag its delivery state: an empty NDEF message,
                                   the rest of the data area zero, and a protected tag's
                                   password cleared with the key; a tag with a lock bit set
                                   is refused before anything is written
  journal [--since YYYY-MM-DD] [--batch FILE] [--journal PATH]
                                   print the journal of handled tags (CSV, or --json)

Options of write
  --original-key HEX   the tag's password, 8 hex digits (default 7C7C7C7C)
  --new-key HEX        the password Encryption sets (default 7C7C7C7C)
  --encrypt            protect the tag with the new key after writing
  --pack HEX           the password acknowledge (PACK, 4 hex digits) --encrypt writes, and
                       that the tag may answer a key with (also for clear-key and erase);
                       without it the PACK is derived from the key (byte 0 XOR byte 2,
                       byte 1 XOR byte 3). A tag that takes a key with another PACK fails:
                       "Password acknowledge does not match: the tag takes keys it was not
                       given !"
  --authlim N          with --encrypt: after N wrong keys in all (1 to 7) the tag refuses every
                       key for good, the right one too, and can never be changed again
  --protect write|read-write
                       with --encrypt: what the password protects; read-write sets PROT, so
                       that the tag answers no read without the key (read takes it with
                       --original-key); write (the default) takes PROT off
  --lock               lock the tag for good after writing
  --lock-config        with --lock: lock the configuration too (protection, attempt limit and
                       counter settings stay as they are for good; the password can change)
  --from-file PATH     take the content from column A of a .xls, .xlsx or .csv file
  --row N              the row to start from (default 1)
  --no-row-auto        write the same row to every tag
  --resume             start after the last row of this file (same content) that the journal
                       has written; the first tag is read back in case it holds that row
  --unique-tags        refuse a tag that already received a row of this batch
  --key-file FILE      take original-key=HEX and new-key=HEX lines from FILE (mode 0600);
                       TAGWRIGHT_ORIGINAL_KEY and TAGWRIGHT_NEW_KEY are read too, and keys
                       on the command line come first
  --counter            switch the NFC counter on (NTAG213, NTAG215, NTAG216): the tag counts
                       its reads, and read shows "counter: N"
  --counter-protected  the same, and the counter is read only with the password
  --genuine-only       refuse a tag whose originality signature is not NXP's (a look-alike
                       chip): "Not a genuine NXP chip: nothing was written !"
  --verify             read every written page back (message, password, AUTH0, lock bytes)
                       and count a tag whose pages differ as failed: "Verify failed: Page%d !"
  --templates          replace {uid} (the tag's 14 hex digits), {row} (the sheet row) and {n}
                       (the tag's place in this run, from 1) in the text, URL and title of each
                       tag before its size is checked; {{ and }} are literal braces
  --mirror M           url and poster: the tag fills in its UID (uid, 14 hex digits; every
                       NTAG21x), NFC counter (counter, 6; NTAG213/215/216; the counter is
                       switched on) or both (both, UID x counter) where {mirror} stands in the URL, or at its end,
                       at every read; check sizes the rows with that room. Another model
                       fails: "The tag cannot mirror its UID or counter here !"
Options of read, write, clear-key and erase
  --journal PATH       record every tag in PATH instead of one file a day under
                       $XDG_DATA_HOME/Tagwright/journal
  --no-journal         record nothing
Options of read and write
  --auto [--count N]   Auto operation: tag after tag, until N tags were handled or Ctrl-C
With --auto --from-file, write first checks the sheet as the check command does (with
--model M and --offset T) and does not start, with exit status 2, when a row would fail;
--no-check skips that.
Prefix codes: 0 none, 1 http://www., 2 https://www., 3 http://, 4 https://, 5 tel:
(the text itself is accepted too).

Without --reader the first reader listed is used. --json prints one JSON object per line.
Arguments must be UTF-8 text (a --from-file path excepted); "--" ends the options, so that a
text may begin with "--".
Exit status: 0 success, 1 a run ended in failure (check: a row would fail), 2 bad arguments or
a failed pre-flight check, 3 no reader could be opened.
)";

}  // namespace tagwright::cli
