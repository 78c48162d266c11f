#!/usr/bin/env python3
"""Assemble resources/dictionary.txt from the plain source texts.

The source folder (default /tmp/dict) holds:
  p1_g1.txt .. p1_g5.txt  the alphabetical dictionary, one entry per line,
                          "Headword: image - meaning; image - meaning."
  p2.txt                  30 paragraphs "1. ..." .. "30. ...", one per line
  p3.txt                  short dictionary "Image - meaning", letter groups
                          separated by one empty line
  p4.txt                  "HEADWORD - meaning", letter groups separated by
                          one empty line

The result is shown read-only in a narrow text box, so every line is wrapped
to WIDTH characters at spaces; words are never split.

Usage: scripts/build-dictionary.py [SOURCE_DIR] [-o OUTPUT]
"""

import argparse
import collections
import re
import sys
from pathlib import Path

WIDTH = 50
ENTRY_INDENT = " " * 5
SECTION_GAP = ["", "", ""]
TITLE = "СОННИК"
LUNAR_HEADING = "Дни от новолуния"
DASH = " - "

ROOT = Path(__file__).resolve().parent.parent


class SourceError(Exception):
    pass


def read_lines(path):
    text = path.read_bytes().decode("utf-8")
    if "\r" in text:
        raise SourceError(f"{path}: CR line ends")
    if "\t" in text:
        raise SourceError(f"{path}: tab character")
    return text.split("\n")


def read_groups(path):
    """Letter groups of a file whose groups are separated by one empty line."""
    groups, current = [], []
    for line in read_lines(path):
        line = line.rstrip()
        if line:
            current.append(line)
        elif current:
            groups.append(current)
            current = []
    if current:
        groups.append(current)
    return groups


def wrap(text, first_prefix="", width=WIDTH):
    """Greedy word wrap. A lone dash stays with the word before it, so no
    line ever starts with "- ", and a one-letter preposition or conjunction
    ("к", "в", "и"...) goes to the next line together with its word rather
    than hanging at the end of a line."""
    words = []
    glue_next = False
    for word in text.split():
        if word == "-" and words:
            words[-1] += " -"
        elif glue_next:
            words[-1] += " " + word
        else:
            words.append(word)
        glue_next = len(word) == 1 and word.isalpha()
    lines, line = [], first_prefix
    for word in words:
        if line.strip() == "":
            candidate = line + word
        else:
            candidate = line + " " + word
        if len(candidate) <= width or line.strip() == "":
            line = candidate
        else:
            lines.append(line)
            line = word
    lines.append(line)
    for out in lines:
        if len(out) > width:
            raise SourceError(f"word too long to fit {width} columns: {out!r}")
    return lines


def sort_key(headword):
    # Russian dictionaries file е and ё together; the original string only
    # breaks ties, which puts the plain е first as ICU's Russian order does.
    return (headword.lower().replace("ё", "е"), headword)


def headword_of(entry):
    return entry.split(": ", 1)[0]


def load_alphabetical(src):
    entries, seen, dropped = [], {}, []
    for n in range(1, 6):
        path = src / f"p1_g{n}.txt"
        for lineno, line in enumerate(read_lines(path), 1):
            line = line.strip()
            if not line:
                continue
            if ": " not in line:
                raise SourceError(f"{path}:{lineno}: no headword: {line!r}")
            head = headword_of(line)
            if head in seen:
                dropped.append((head, seen[head], f"{path.name}:{lineno}"))
                continue
            seen[head] = f"{path.name}:{lineno}"
            entries.append(line)
    entries.sort(key=lambda e: sort_key(headword_of(e)))
    return entries, dropped


def load_lunar_days(src):
    path = src / "p2.txt"
    paragraphs = [l.strip() for l in read_lines(path) if l.strip()]
    for n, para in enumerate(paragraphs, 1):
        if not para.startswith(f"{n}. "):
            raise SourceError(f"{path}: paragraph {n} starts {para[:12]!r}")
    if len(paragraphs) != 30:
        raise SourceError(f"{path}: {len(paragraphs)} paragraphs, expected 30")
    return paragraphs


def check_dash_entries(path, groups, headword_re):
    for group in groups:
        for line in group:
            if line.count(DASH) < 1 or not re.match(headword_re, line.split(DASH, 1)[0]):
                raise SourceError(f"{path}: malformed entry {line!r}")


def build(src):
    alphabetical, dropped = load_alphabetical(src)
    lunar = load_lunar_days(src)
    short = read_groups(src / "p3.txt")
    capital = read_groups(src / "p4.txt")
    check_dash_entries(src / "p3.txt", short, r"^[А-ЯЁ][^ ]")
    check_dash_entries(src / "p4.txt", capital, r"^[А-ЯЁ][А-ЯЁ ()-]*$")

    out = []
    for entry in alphabetical:
        out += wrap(entry, ENTRY_INDENT)

    out += SECTION_GAP
    out.append(" " * ((WIDTH - len(TITLE)) // 2) + TITLE)
    out.append("")
    out.append(LUNAR_HEADING)
    out.append("")
    for para in lunar:
        wrapped = wrap(para)
        for cont in wrapped[1:]:
            # A continuation line that looked like "12. ..." would read as
            # the start of another day.
            if re.match(r"^\d+\. ", cont):
                raise SourceError(f"continuation line reads as a day: {cont!r}")
        out += wrapped

    for groups in (short, capital):
        out += SECTION_GAP
        for i, group in enumerate(groups):
            if i:
                out.append("")
            for line in group:
                out += wrap(line)

    counts = {
        "alphabetical": len(alphabetical),
        "lunar": len(lunar),
        "short": sum(map(len, short)),
        "capital": sum(map(len, capital)),
    }
    logical = alphabetical + lunar + [l for g in short + capital for l in g]
    return out, counts, dropped, logical


def normalise(meaning):
    meaning = meaning.lower().replace("ё", "е")
    meaning = re.sub(r"[,:!?()]", " ", meaning)
    return " ".join(meaning.split())


def repeated_meanings(logical_lines):
    counter = collections.Counter()
    for line in logical_lines:
        for part in line.split(DASH)[1:]:
            meaning = normalise(re.split(r"[;.]", part, 1)[0])
            if meaning:
                counter[meaning] += 1
    return counter


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", nargs="?", default="/tmp/dict", type=Path)
    parser.add_argument("-o", "--output", type=Path, default=ROOT / "resources" / "dictionary.txt")
    args = parser.parse_args()

    try:
        lines, counts, dropped, logical = build(args.source)
    except (SourceError, OSError, UnicodeDecodeError) as err:
        print(f"error: {err}", file=sys.stderr)
        return 1

    args.output.parent.mkdir(parents=True, exist_ok=True)
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")

    print(f"written {args.output}")
    print(f"lines: {len(lines)}")
    print(f"characters (without line ends): {sum(map(len, lines))}")
    print(f"longest line: {max(map(len, lines))}")
    for name, n in counts.items():
        print(f"{name}: {n} entries")
    print(f"duplicate headwords dropped: {len(dropped)}")
    for head, kept, lost in dropped:
        print(f"  {head}: kept {kept}, dropped {lost}")
    print("meanings repeated more than 3 times:")
    for meaning, n in repeated_meanings(logical).most_common():
        if n <= 3:
            break
        print(f"  {n:3} {meaning}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
