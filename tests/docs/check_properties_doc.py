"""Checks docs/properties.md against the sources: every property name that
the sources store is listed, every listed name is still stored, and the
places that store a name the job chooses are the ones the page describes.

    python3 check_properties_doc.py SOURCE_DIR
"""
import pathlib
import re
import sys

# Calls that store a property under a literal name, and how the name is
# made from the literal.
LITERAL_CALLS = [
    (r'StoreProperty\(\s*[^,()]+(?:\([^()]*\))?\s*,\s*"(\w+)"', "{}"),
    (r'setPropertyName\(\s*"(\w+)"\s*\)', "{}"),
    (r'AddNewStrEntry\(\s*\w+\s*,\s*"(\w+)"', "{}"),
    (r'StoreCrop\(\s*\w+\s*,\s*"(\w+)"', "{}"),
]
# Calls whose name is not a literal: where it comes from, and the file.
# A new one needs the page (and this list) to say what names it gives.
NAME_FROM_VARIABLE = re.compile(
    r'(?:setPropertyName\(\s*|StoreProperty\(\s*[^,()]+(?:\([^()]*\))?\s*,\s*'
    r'|AddNewStrEntry\(\s*\w+\s*,\s*|savePageRangeProperty\(\s*[^,]+,\s*)'
    r'([a-z_]\w*)\s*[,)]')
KNOWN_VARIABLE_NAMES = {
    ("bounding_box.cc", "key"),      # the name a StoreCrop call gives
    ("header_comments.cc", "keyword"),  # a host's own comment
    ("header_comments.cc", "name"),  # %%KALPPD
    ("input_tray.cc", "key"),        # %%InputSlotTray
    ("orientation.cc", "key"),       # AddNewStrEntry's own parameter
    ("property_map.cc", "name"),     # the store's own parameter
}


def main():
    root = pathlib.Path(sys.argv[1])
    page = (root / "docs" / "properties.md").read_text(encoding="utf-8")
    documented = set(re.findall(r"^\| `(\w+)` \|", page, re.M))
    stored = set()
    variables = set()
    for path in sorted((root / "src").rglob("*.cc")):
        text = path.read_text(encoding="utf-8", errors="replace")
        # Comments may quote names that are not stored.
        text = re.sub(r"//[^\n]*", "", text)
        for pattern, form in LITERAL_CALLS:
            for name in re.findall(pattern, text):
                stored.add(form.format(name))
        for variable in NAME_FROM_VARIABLE.findall(text):
            variables.add((path.name, variable))
    failures = []
    for name in sorted(stored - documented):
        failures.append("stored but not in docs/properties.md: " + name)
    for name in sorted(documented - stored):
        failures.append("in docs/properties.md but stored nowhere: " + name)
    for place in sorted(variables - KNOWN_VARIABLE_NAMES):
        failures.append("a name made at %s from '%s': say in "
                        "docs/properties.md what names it gives" % place)
    for place in sorted(KNOWN_VARIABLE_NAMES - variables):
        failures.append("no longer a name from '%s' in %s: update the page "
                        "and this test" % (place[1], place[0]))
    if len(stored) < 20:
        failures.append("only %d stored names found: the patterns have "
                        "drifted from the sources" % len(stored))
    for line in failures:
        print(line)
    print("%d names stored, %d documented" % (len(stored), len(documented)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
