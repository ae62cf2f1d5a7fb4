#!/usr/bin/env python3
"""Every failure message windows translate (src/io/ErrorTexts.cpp) is still built, word for word,
somewhere in the code: a message changed in one place and not the other would silently stay English."""
import glob
import re
import sys

src_dir = sys.argv[1]
table = open(f"{src_dir}/io/ErrorTexts.cpp", encoding="utf-8").read()
table = table[table.index("kTexts[]"):table.index("struct Pattern")]
texts = ["".join(re.findall(r'"((?:[^"\\]|\\.)*)"', t))
         for t in re.findall(r'QT_TRANSLATE_NOOP\("Error",((?:\s*"(?:[^"\\]|\\.)*")+)\)', table)]
code = ""
for path in glob.glob(f"{src_dir}/**/*.cpp", recursive=True):
    if path.endswith("ErrorTexts.cpp"):
        continue
    text = open(path, encoding="utf-8").read()
    code += re.sub(r'"\s*\n\s*"', "", text).replace("\\u201c", "\u201c").replace("\\u201d", "\u201d")


def built(text):
    """The text whole, or its parts in order close together (a message put together from pieces)."""
    if text in code:
        return True
    parts = [re.escape(p) for p in re.split(r"%\d", text) if p.strip()]
    return re.search(r"[\s\S]{0,400}?".join(parts), code) is not None


stale = [t for t in texts if not built(t)]
for t in stale:
    print(f"not built anywhere any more: {t}")
if not texts:
    print("no texts found in ErrorTexts.cpp")
sys.exit(1 if stale or not texts else 0)
