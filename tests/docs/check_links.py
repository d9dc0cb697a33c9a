#!/usr/bin/env python3
"""Checks the relative links of README.md and docs/*.md: each target file exists, and each
#anchor names a heading of its document as GitHub spells the heading's anchor. Prints every
link that does not resolve and exits 1 if there is one. Usage: check_links.py [source root]"""
import pathlib
import re
import sys

FENCE = re.compile(r"^(```|~~~).*?^\1", re.M | re.S)
CODE_SPAN = re.compile(r"`[^`\n]*`")
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^#{1,6}\s+(.+?)(?:\s+#+)?\s*$", re.M)


def github_anchor(heading):
    """The anchor GitHub gives a heading: its text in lower case, punctuation dropped (letters,
    digits, spaces, '-' and '_' stay), each space a '-'."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # a link's text only
    text = re.sub(r"[^\w\- ]", "", text.lower())
    return text.replace(" ", "-")


def anchors(document):
    """Every anchor of a document; a repeated heading gets -1, -2 and so on, as on GitHub."""
    seen = {}
    for heading in HEADING.findall(FENCE.sub("", document.read_text(encoding="utf-8"))):
        anchor = github_anchor(heading)
        count = seen.get(anchor, 0)
        seen[anchor] = count + 1
        if count:
            seen[f"{anchor}-{count}"] = 1
    return set(seen)


def relative_links(document):
    text = CODE_SPAN.sub("", FENCE.sub("", document.read_text(encoding="utf-8")))
    return [t for t in LINK.findall(text) if not re.match(r"[a-z][a-z0-9+.-]*:", t, re.I)]


def problem(root, document, target):
    """What is wrong with a link, or None when it resolves."""
    path, _, anchor = target.partition("#")
    linked = (document.parent / path).resolve() if path else document
    if not linked.is_relative_to(root) or not linked.exists():
        return f"{target}: no such file"
    if anchor and (linked.suffix != ".md" or anchor not in anchors(linked)):
        return f"{target}: no heading has the anchor '{anchor}'"
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    documents = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
    links = [(d, t) for d in documents for t in relative_links(d)]
    problems = [
        f"{d.relative_to(root)}: {p}" for d, t in links if (p := problem(root, d, t)) is not None
    ]
    for p in problems:
        print(p)
    print(f"{len(links)} links in {len(documents)} documents, {len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
