#!/usr/bin/env python3
"""Cut the Tahoma-compatible font to the characters the page shows, as WOFF2, and write its licence beside it.

    make-font.py FONT PAGE SHOWN_TEXT OUTPUT_WOFF2 OUTPUT_LICENCE

The characters are those of the page's visible text (PAGE, the served HTML) and of SHOWN_TEXT (what the page can come
to show: every result and the message). The glyphs keep their outlines and metrics, and drop their hinting and the
bitmaps of small sizes, which a browser scales anyway.
"""

import html.parser
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

LICENCE_TEXT = "/usr/share/common-licenses/LGPL-2.1"


class VisibleText(html.parser.HTMLParser):
    """The text of the body outside scripts and styles."""

    def __init__(self):
        super().__init__()
        self.text = []
        self.hidden = 0
        self.in_body = False

    def handle_starttag(self, tag, attrs):
        self.in_body |= tag == "body"
        self.hidden += tag in ("script", "style")

    def handle_endtag(self, tag):
        self.hidden -= tag in ("script", "style")

    def handle_data(self, data):
        if self.in_body and not self.hidden:
            self.text.append(data)


def main(font_path, page_path, shown_path, woff2_path, licence_path):
    parser = VisibleText()
    with open(page_path, encoding="utf-8") as page:
        parser.feed(page.read())
    with open(shown_path, encoding="utf-8") as shown:
        characters = {c for c in "".join(parser.text) + shown.read() if c.isprintable()}

    options = subset.Options()
    options.flavor = "woff2"
    options.hinting = False
    options.drop_tables += ["BDF", "FFTM", "VDMX", "hdmx"]
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14]  # the copyright and the licence stay with the font
    font = TTFont(font_path)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[ord(c) for c in characters])
    subsetter.subset(font)
    # A character the font lacks would show in another font, with other metrics: the build stops instead.
    missing = sorted(c for c in characters if ord(c) not in font.getBestCmap() and not c.isspace())
    if missing:
        sys.exit(f"{font_path} has no glyph for {' '.join(missing)}")
    subset.save_font(font, woff2_path, options)

    names = font["name"]
    with open(LICENCE_TEXT, encoding="utf-8") as lgpl, open(licence_path, "w", encoding="utf-8") as licence:
        licence.write(
            f"{woff2_path.rsplit('/', 1)[-1]}: {names.getDebugName(4)}, from {font_path}, cut to the characters"
            " this page shows.\n\n"
            f"{names.getDebugName(0)}\n\n{names.getDebugName(13)}\n\n{lgpl.read()}"
        )


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
