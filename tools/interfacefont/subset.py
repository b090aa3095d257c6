#!/usr/bin/env python3
"""Cuts the Chinese face the window's own texts need out of a system CJK font.

usage: subset.py FONT INDEX OUT SOURCE...

Every character outside ASCII found in the SOURCE files (the forms, the
catalogues, the code) that FONT (face INDEX of a collection) has is kept,
with its hinting; the face is renamed "Quorvel CJK" so that it never stands in
for the system font of that name. The output is the same bytes for the same
inputs (the font's own timestamp is kept). When OUT was cut from the same
font for the same characters (OUT.chars says which), it is left untouched, so
editing a source without a new character rebuilds nothing after it.
"""
import os
import sys

FAMILY = "Quorvel CJK"


def main():
    font_path, index, out_path, sources = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
    wanted = set()
    for path in sources:
        with open(path, encoding="utf-8") as f:
            wanted.update(ch for ch in f.read() if ord(ch) > 0x7F)
    record = f"{os.path.realpath(font_path)} {index}\n" + "".join(sorted(wanted)) + "\n"
    try:
        with open(out_path + ".chars", encoding="utf-8") as f:
            if os.path.exists(out_path) and f.read() == record:
                return
    except OSError:
        pass

    from fontTools import subset
    from fontTools.ttLib import TTFont

    font = TTFont(font_path, fontNumber=index, recalcTimestamp=False)
    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.drop_tables += ["FFTM"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(ord(ch) for ch in wanted))
    subsetter.subset(font)
    for name in font["name"].names:
        if name.nameID in (1, 3, 4, 16):
            name.string = FAMILY
        elif name.nameID == 6:
            name.string = FAMILY.replace(" ", "")
    font.save(out_path)
    with open(out_path + ".chars", "w", encoding="utf-8") as f:
        f.write(record)
    kept = len(font.getBestCmap())
    print(f"{out_path}: {kept} of {len(wanted)} characters")


if __name__ == "__main__":
    main()
