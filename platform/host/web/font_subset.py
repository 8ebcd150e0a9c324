#!/usr/bin/python3
"""The page's fonts cut to the characters the program can draw.

Usage: font_subset.py OUT_DIR VERSION RESOURCE_SCRIPT SOURCE... -- FONT...

The characters are read from where the program's texts come from, so that the set
follows them: every string in the resource script (strings, menus, dialog
captions and controls), every UTF-16 literal in the given sources (the game's own
texts and format strings, and the layer's, such as the navigation bar's "ok" and
the letters it measures a dialog font with), the characters a number formatted
by those strings can hold, and the version the About box adds to the name.
Each font is written to OUT_DIR under its own name, with the outlines, metrics
and names that the layer's matching and FreeType read, its header as it was
(the autofitter hints from it, so that the text is drawn pixel for pixel as the
desktop draws it from the whole font), and without the bitmaps, glyph names and
layout tables the layer never reads.
"""
import os
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

# A C or resource-script string: the escapes the sources use.
STRING = r'"((?:[^"\\\n]|\\.)*)"'
ESCAPES = {'n': '\n', 't': '\t', '\\': '\\', '"': '"', "'": "'", '0': ''}
# What a conversion writes, beyond the text around it.
CONVERSIONS = {'d': '-0123456789', 'i': '-0123456789', 'u': '0123456789',
               'x': '0123456789abcdef', 'X': '0123456789ABCDEF'}


def unescape(text):
    return re.sub(r'\\(.)', lambda m: ESCAPES.get(m.group(1), m.group(1)), text)


def characters(version, script, sources):
    texts = [version]
    with open(script, encoding='utf-8') as f:
        # A comment's quotes are no text the program shows.
        lines = [line for line in f if not line.lstrip().startswith('//')]
    texts += [unescape(s).replace('&&', '&') for s in re.findall(STRING, ''.join(lines))]
    for source in sources:
        with open(source, encoding='utf-8') as f:
            texts += [unescape(s) for s in re.findall(r'\b(?:u|L)' + STRING, f.read())]
    found = set()
    for text in texts:
        for conversion in re.findall(r'%[-+ #0]*\d*(?:\.\d+)?l*([diuxX])', text):
            found.update(CONVERSIONS[conversion])
        found.update(re.sub(r'%[-+ #0]*\d*(?:\.\d+)?l*[diuxXsSc%]', '', text))
    return {c for c in found if c.isprintable()} | {' '}


def main():
    args = sys.argv[1:]
    split = args.index('--')
    out_dir, version, script, sources = args[0], args[1], args[2], args[3:split]
    fonts = args[split + 1:]
    wanted = characters(version, script, sources)
    options = subset.Options()
    options.layout_features = []
    options.drop_tables += ['GSUB', 'GPOS', 'GDEF', 'BDF', 'FFTM']
    options.name_IDs = ['*']
    options.notdef_outline = True
    options.recalc_timestamp = False
    os.makedirs(out_dir, exist_ok=True)
    for path in fonts:
        # The header and metrics kept as they were: FreeType hints from them.
        font = TTFont(path, recalcBBoxes=False)
        flags = font['head'].flags
        missing = sorted(c for c in wanted if ord(c) not in font.getBestCmap())
        if missing:
            sys.exit('font_subset.py: %s has no glyph for %r' % (path, ''.join(missing)))
        cutter = subset.Subsetter(options)
        cutter.populate(unicodes=[ord(c) for c in wanted])
        cutter.subset(font)
        font['head'].flags = flags
        font.save(os.path.join(out_dir, os.path.basename(path)))


if __name__ == '__main__':
    main()
