#!/usr/bin/env python3
"""The README and the pages under docs/ as a reader follows them: every link
to a file of the tree leads to one that is there, every #place to a heading
of the page it names, and every page and manual is reached from the README.
    links.py SOURCE"""
import re
import sys
from pathlib import Path

root = Path(sys.argv[1]).resolve()
pages = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
link = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
faults = []


def places(page):
    """The #places of a Markdown page, as GitHub makes them of its headings."""
    found = set()
    fence = False
    for line in page.read_text(encoding="utf-8").splitlines():
        if line.startswith("```"):
            fence = not fence
        elif not fence and line.startswith("#"):
            words = line.lstrip("#").strip().lower()
            found.add(re.sub(r"[^\w\- ]", "", words).replace(" ", "-"))
    return found


for page in pages:
    fence = False
    for number, line in enumerate(page.read_text(encoding="utf-8").splitlines(), 1):
        if line.startswith("```"):
            fence = not fence
        if fence:
            continue
        for target in link.findall(line):
            if re.match(r"[a-z]+:", target):
                continue  # another site: not this tree's to keep
            path, _, place = target.partition("#")
            where = f"{page.relative_to(root)}:{number}"
            goal = (page.parent / path).resolve() if path else page
            if not goal.exists():
                faults.append(f"{where}: {target} leads nowhere")
            elif place and goal.suffix != ".md":
                faults.append(f"{where}: {target}: only a Markdown page has #places")
            elif place and place not in places(goal):
                faults.append(f"{where}: {goal.relative_to(root)} has no heading for #{place}")

readme = (root / "README.md").read_text(encoding="utf-8")
for page in [*sorted((root / "docs").glob("*.md")), *sorted((root / "docs/man").glob("*.scd"))]:
    if f"({page.relative_to(root)}" not in readme:
        faults.append(f"README.md does not link to {page.relative_to(root)}")

for fault in faults:
    print("FAIL:", fault)
sys.exit(1 if faults else 0)
