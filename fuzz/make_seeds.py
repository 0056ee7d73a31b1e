#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the fuzz targets' seed inputs: the worked examples of the tag formats."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

TEXT_ABC = bytes.fromhex("030AD1010654027A68616263FE")
URI_TEL = bytes.fromhex("030FD1010B5505" + "30313233343536373839" + "FE")
POSTER = bytes.fromhex("0324D1021F5370" "91010B5505" "30313233343536373839"
                       "11030161637400" "5101055402" "7A684869" "FE")
LOCK_CONTROL = bytes.fromhex("0103A00C34" "030AD1010654027A68616263FE")

SEEDS = {
    "fuzz_key_file": {
        "both": b"# line 3\noriginal-key=7C7C7C7C\nnew-key = 0A0B0C0D\r\n",
        "long": b"new-key=0A0B0C0D0E\n",
        "no-equals": b"original-key\n\n  # x\n",
    },
    "fuzz_message_template": {
        "url": b"\x01https://example.com/t/{uid}?row={row}&n={n}",
        "braces": b"\x00Tag {n} of the run {{literal}}",
        "errors": b"\x00{unknown} {",
    },
    "fuzz_tlv_search": {
        "plain": bytes.fromhex("0300FE00") + bytes(15),
        "lock_control": LOCK_CONTROL[:16] + bytes.fromhex("0A0000"),
        "proprietary": bytes.fromhex("FD02AABB03FF0100") + bytes(11),
    },
    "fuzz_stored_message": {
        "abc": bytes([0, 0x00, 0x0A]) + TEXT_ABC,
        "lock_control": bytes([5, 0x00, 0x0A]) + LOCK_CONTROL,
        "long_form": bytes([0, 0x01, 0x07]) + bytes.fromhex("03FF0107C101000001005402") +
                     b"zh" + b"x" * 253 + b"\xfe",
    },
    "fuzz_records": {
        "uri": bytes([2, 17]) + URI_TEL,
        "poster": bytes([2, 38]) + POSTER,
        "text": bytes([2, 12]) + TEXT_ABC,
    },
    "fuzz_signature": {
        # A real NTAG21x's UID and signature, and the same with the key's point changed.
        "genuine": bytes.fromhex("04AB87F2CA1190" "67B1750BCCEB1174F9A33BF20E022655"
                                 "1A6366939B31F949848C3C087350FA90"),
        "other_key": bytes.fromhex("04AB87F2CA1190" "67B1750BCCEB1174F9A33BF20E022655"
                                   "1A6366939B31F949848C3C087350FA90" "04" + "11" * 32),
    },
    "fuzz_read_tag": {
        "text_213": bytes([3]) + bytes.fromhex("E1101200") + TEXT_ABC,
        "uri_215": bytes([4]) + bytes.fromhex("E1103E00") + URI_TEL,
        "poster_216": bytes([5]) + bytes.fromhex("E1106D00") + POSTER,
        "lock_203": bytes([0]) + bytes.fromhex("E1101200") + LOCK_CONTROL,
    },
}

for target, seeds in SEEDS.items():
    folder = os.path.join(HERE, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
