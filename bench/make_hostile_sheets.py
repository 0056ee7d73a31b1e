#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the hostile workbooks that bench/measure_sheet_loads.sh loads: files of a few megabytes
or less that expand to hundreds of megabytes, each aimed at one way a reader can be made to hold
too much. Usage: make_hostile_sheets.py DIR
"""
import os
import sys
import zipfile

import xlwt

WORKBOOK = ('<?xml version="1.0" encoding="UTF-8"?>'
            '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
            '<sheets><sheet name="Tags" sheetId="1" r:id="rId1"/></sheets></workbook>')
RELS = ('<?xml version="1.0" encoding="UTF-8"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="worksheet" Target="worksheets/sheet1.xml"/>'
        '</Relationships>')
SHEET_START = ('<?xml version="1.0" encoding="UTF-8"?>'
               '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
               '<sheetData>')
SHEET_END = '</sheetData></worksheet>'


def column_name(index):
    name = ""
    index += 1
    while index:
        index, rest = divmod(index - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


def write_wide_xlsx(path):
    """A few legitimate rows in column A, and a sheet part of about 250 MB of other columns."""
    # Each row repeats one template: cells B to BI name their place, the 139 after them follow in
    # document order, so that about 9 MB are left after compression.
    template = "".join('<c r="%s{row}"><v>7</v></c>' % column_name(c) for c in range(1, 61))
    template += "<c><v>7</v></c>" * 139
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("xl/workbook.xml", WORKBOOK)
        archive.writestr("xl/_rels/workbook.xml.rels", RELS)
        with archive.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as sheet:
            sheet.write(SHEET_START.encode())
            written, row = 0, 1
            while written < 250_000_000:
                chunk = ('<row r="%d"><c r="A%d" t="inlineStr"><is><t>tag %d</t></is></c>%s</row>'
                         % (row, row, row, template.replace("{row}", str(row)))).encode()
                sheet.write(chunk)
                written += len(chunk)
                row += 1
            sheet.write(SHEET_END.encode())


def write_many_shared_strings_xlsx(path, count=15_000_000):
    """15 million one-letter shared strings; column A names the first and the last."""
    sheet = (SHEET_START + '<row r="1"><c r="A1" t="s"><v>0</v></c></row>'
             '<row r="2"><c r="A2" t="s"><v>%d</v></c></row>' % (count - 1) + SHEET_END)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        archive.writestr("xl/workbook.xml", WORKBOOK)
        archive.writestr("xl/_rels/workbook.xml.rels", RELS)
        archive.writestr("xl/worksheets/sheet1.xml", sheet)
        with archive.open("xl/sharedStrings.xml", "w", force_zip64=True) as strings:
            strings.write(b'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="'
                          b'http://schemas.openxmlformats.org/spreadsheetml/2006/main">')
            block = b"<si><t>s</t></si>" * 100_000
            for _ in range(count // 100_000):
                strings.write(block)
            strings.write(b"</sst>")


def write_full_column_xlsx(path, rows=1_048_576):
    """Every row of a sheet with a text of its own in column A, as shared strings: as many cells
    and nearly as much text as a load keeps."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("xl/workbook.xml", WORKBOOK)
        archive.writestr("xl/_rels/workbook.xml.rels", RELS)
        with archive.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as sheet:
            sheet.write(SHEET_START.encode())
            for row in range(rows):
                sheet.write(b'<row r="%d"><c r="A%d" t="s"><v>%d</v></c></row>'
                            % (row + 1, row + 1, rows - 1 - row))
            sheet.write(SHEET_END.encode())
        with archive.open("xl/sharedStrings.xml", "w", force_zip64=True) as strings:
            strings.write(b'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="'
                          b'http://schemas.openxmlformats.org/spreadsheetml/2006/main">')
            for index in range(rows):
                strings.write(b"<si><t>%015d</t></si>" % index)
            strings.write(b"</sst>")


def write_full_column_csv(path, rows=1_048_576):
    with open(path, "wb") as out:
        for row in range(rows):
            out.write(b"%015d,b\n" % row)


def write_big_cell_csv(path, size=200_000_000):
    """One 200 MB field in A1."""
    with open(path, "wb") as out:
        block = b"x" * 1_000_000
        for _ in range(size // len(block)):
            out.write(block)
        out.write(b",b\nsecond,row\n")


def write_far_corner_xls(path):
    """Two cells: A1 and the last cell of a BIFF8 sheet (IV65536)."""
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Tags")
    sheet.write(0, 0, "first")
    sheet.write(65535, 255, "far corner")
    book.save(path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_wide_xlsx(os.path.join(folder, "wide.xlsx"))
    write_many_shared_strings_xlsx(os.path.join(folder, "shared-strings.xlsx"))
    write_big_cell_csv(os.path.join(folder, "big-cell.csv"))
    write_far_corner_xls(os.path.join(folder, "far-corner.xls"))
    write_full_column_xlsx(os.path.join(folder, "full-column.xlsx"))
    write_full_column_csv(os.path.join(folder, "full-column.csv"))


if __name__ == "__main__":
    main()
