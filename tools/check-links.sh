#!/usr/bin/env bash
# Fails when a relative link in the repository's Markdown files leads nowhere:
# a link or image to a file or folder that is not in the repository, a link
# that leaves the repository or starts at the file system's root, or a
# "#anchor" that names no heading (GitHub's slugs) and no id of the target
# page. Links with a scheme (https:, mailto:) are not followed: this check
# reaches no network. Checks every Markdown file git knows of, plus new ones
# not yet added that are not ignored.
# Usage: tools/check-links.sh [file.md...]   (paths from the repository's top)
set -euo pipefail
cd "$(dirname "$0")/.."

# The parsing is Python's; a fresh Debian may not have it yet.
if ! command -v python3 >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends python3
fi

python3 - "$@" <<'EOF'
import os
import re
import subprocess
import sys
import unicodedata
from urllib.parse import unquote


def git_files(*patterns):
    listing = subprocess.run(["git", "ls-files", "-z", "-c", "-o", "--exclude-standard", "--", *patterns],
                             check=True, capture_output=True).stdout
    return {p.decode() for p in listing.split(b"\0") if p}


pages = sorted(sys.argv[1:]) if len(sys.argv) > 1 else sorted(git_files("*.md"))

# Every file of the repository (tracked, or new and not ignored) and every
# folder that holds one.
files = {f for f in git_files() if os.path.exists(f)}
folders = {""}
for f in files:
    parts = f.split("/")[:-1]
    for i in range(1, len(parts) + 1):
        folders.add("/".join(parts[:i]))

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*(<[^>]*>|[^\s)]*(?:\([^\s)]*\)[^\s)]*)*)(?:\s+(?:\"[^\"]*\"|'[^']*'|\([^)]*\)))?\s*\)")
REFDEF = re.compile(r"^ {0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)")
ATX = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)(?:\s+#+)?\s*$")
SETEXT = re.compile(r"^ {0,3}(=+|-+)\s*$")
HTML_ID = re.compile(r"<[a-zA-Z][^>]*?\s(?:id|name)\s*=\s*[\"']([^\"']+)[\"']")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def text_lines(path):
    """The lines outside fenced code blocks, with their numbers."""
    fence = None
    with open(path, encoding="utf-8") as page:
        for number, line in enumerate(page, 1):
            line = line.rstrip("\n")
            m = FENCE.match(line)
            if fence:
                if m and m.group(1)[0] == fence[0] and len(m.group(1)) >= len(fence):
                    fence = None
                continue
            if m:
                fence = m.group(1)
                continue
            yield number, line


def plain(heading):
    """A heading's text as GitHub renders it, before it makes the slug."""
    heading = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    heading = re.sub(r"<[^>]+>", "", heading)
    heading = heading.replace("`", "")
    heading = re.sub(r"(\*+|(?<!\w)_+|_+(?!\w))", "", heading)
    return heading.strip()


def slug(text):
    """GitHub's anchor: lower case, letters, marks, digits, connectors,
    blanks and hyphens kept, blanks made hyphens."""
    kept = []
    for ch in text.lower():
        cat = unicodedata.category(ch)
        if cat[0] in "LMN" or cat == "Pc" or ch in " -":
            kept.append(ch)
    return "".join(kept).replace(" ", "-")


anchor_cache = {}


def anchors(path):
    if path in anchor_cache:
        return anchor_cache[path]
    found, seen = set(), {}
    previous = None
    for _, line in text_lines(path):
        for m in HTML_ID.finditer(line):
            found.add(m.group(1))
        heading = None
        m = ATX.match(line)
        if m:
            heading = m.group(2)
        elif previous and previous.strip() and SETEXT.match(line) and not ATX.match(previous):
            heading = previous
        previous = line
        if heading is None:
            continue
        base = slug(plain(heading))
        n = seen.get(base, 0)
        seen[base] = n + 1
        found.add(base if n == 0 else f"{base}-{n}")
    anchor_cache[path] = found
    return found


problems = []
checked = 0
for page in pages:
    if not os.path.isfile(page):
        continue
    here = os.path.dirname(page)
    for number, line in text_lines(page):
        line = CODE_SPAN.sub(lambda m: " " * len(m.group(0)), line)
        targets = [m.group(1) for m in INLINE.finditer(line)]
        m = REFDEF.match(line)
        if m:
            targets.append(m.group(1))
        for raw in targets:
            target = raw[1:-1] if raw.startswith("<") else raw
            if SCHEME.match(target):
                continue
            checked += 1
            where = f"{page}:{number}: ({raw})"
            path, _, fragment = target.partition("#")
            path = unquote(path)
            if path.startswith("/"):
                problems.append(f"{where} starts at the root; links must be relative")
                continue
            resolved = os.path.normpath(os.path.join(here, path)) if path else page
            if resolved == ".":
                resolved = ""
            if resolved.startswith(".."):
                problems.append(f"{where} leads out of the repository")
                continue
            if resolved not in files and resolved not in folders:
                problems.append(f"{where} {resolved or '.'} is not in the repository")
                continue
            if fragment and not resolved.endswith(".md") and re.fullmatch(r"L\d+(-L\d+)?", fragment):
                continue  # a line of a source file, as GitHub shows it
            if fragment:
                if not resolved.endswith(".md") or resolved not in files:
                    problems.append(f"{where} an anchor into {resolved}, which is no Markdown page")
                elif unquote(fragment) not in anchors(resolved):
                    problems.append(f"{where} {resolved} has no heading with the anchor #{fragment}")

if problems:
    print(f"documentation links: {len(problems)} broken of {checked} in {len(pages)} Markdown files:")
    for problem in problems:
        print("  " + problem)
    sys.exit(1)
print(f"documentation links: all {checked} relative links in {len(pages)} Markdown files lead somewhere")
EOF
