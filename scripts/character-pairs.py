#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
"""Writes keycheck/CharacterPairs.inc: for each pair of character classes that
follow one another, how much likelier the pair is in text than in text
decrypted with a wrong key (natural log, in hundredths).

Texts: what a Debian machine carries (vim's help, French manual pages,
sources, pages, data and configuration files), cut at random lengths. Wrong
keys: the texts encrypted with one random password and decrypted with
another, in both modes. Run it from the repository's root; the result is
committed, so that builds do not depend on the machine's files."""
import collections
import glob
import gzip
import math
import os
import random
import subprocess

random.seed(7)
CLASSES = 38  # keep in step with classOf() in keycheck/TextEvidence.cpp


def is_utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError as error:
        return error.start >= len(data) - 3 and error.reason == "unexpected end of data"


def class_of(ch):
    code = ord(ch)
    if ch == " ":
        return 0
    if code in (9, 10, 11, 12, 13, 0x1A, 0x1B):
        return 1
    if "A" <= ch <= "Z":
        return 2
    if "0" <= ch <= "9":
        return 3
    if "a" <= ch <= "z":
        return 12 + code - ord("a")
    if code < 128:
        for index, signs in ((4, ".,;:!?"), (5, "'\""), (6, "()[]{}"), (7, "-_/")):
            if ch in signs:
                return index
        return 8 if 0x21 <= code < 0x7F else 11
    if ch == "\ufffd":
        return 11
    return 9 if ch.isalpha() else 10


def classes(data):
    text = data.decode("utf-8", "ignore") if is_utf8(data) else data.decode("cp1252", "replace")
    return [class_of(ch) for ch in text]


def sources():
    names = glob.glob("/usr/share/vim/vim*/doc/*.txt")[:60]
    names += glob.glob("/usr/share/man/fr/man*/*.gz")
    found = subprocess.run(
        ["find", "/usr/share", "/usr/lib/python3", "/usr/include", "/etc", "-xdev", "-type", "f", "-size", "+1k"],
        capture_output=True, text=True).stdout.split()
    by_ending = collections.defaultdict(list)
    for name in found:
        by_ending[name.rsplit(".", 1)[-1]].append(name)
    for ending in ("html", "json", "xml", "css", "csv", "svg", "ps", "sh", "sql", "yaml", "md", "tex",
                   "log", "c", "h", "py", "conf"):
        names += random.sample(by_ending[ending], min(len(by_ending[ending]), 60))
    texts = []
    for name in names:
        try:
            data = gzip.open(name).read() if name.endswith(".gz") else open(name, "rb").read()
        except OSError:
            continue
        if len(data) > 300:
            texts.append(data)
    return texts


def expanded(password):
    extension = [password[i % len(password)] for i in range(256)]
    reverse = extension[::-1]
    key, last = [], 0
    for pos in range(1, 257):
        value = abs(reverse[pos - 1] - 4 * pos)
        if value <= 255:
            last = value
        key.append(last)
    return key


def password():
    letters = "abcdefghijklmnopqrstuvwxyz"
    size = random.randint(1, 14)
    pool = random.choice([letters, letters + letters.upper() + "0123456789", letters + "0123456789!-_. éèàç"])
    return "".join(random.choice(pool) for _ in range(size)).encode("cp1252")


def turned(data, key):
    return bytes(b ^ key[i % len(key)] for i, b in enumerate(data))


def pieces(texts, count):
    for _ in range(count):
        text = random.choice(texts)
        size = random.choice([16, 32, 64, 128, 300])
        start = random.randint(0, len(text) - size)
        yield text[start:start + size]


def log_pairs(samples):
    counts = [[1.0] * CLASSES for _ in range(CLASSES)]
    for sample in samples:
        row = classes(sample)
        for first, second in zip(row, row[1:]):
            counts[first][second] += 1
    return [[math.log(c / sum(r)) for c in r] for r in counts]


def main():
    texts = sources()
    right = log_pairs(pieces(texts, 20000))
    wrong_samples = []
    for piece in pieces(texts, 20000):
        advanced = random.random() < 0.5
        used, tried = password(), password()
        if used != tried:
            key = (lambda p: expanded(p) if advanced else list(p))
            wrong_samples.append(turned(turned(piece, key(used)), key(tried)))
    wrong = log_pairs(wrong_samples)
    rows = []
    for first in range(CLASSES):
        values = ", ".join(str(round(100 * (right[first][s] - wrong[first][s]))) for s in range(CLASSES))
        rows.append("    {" + values + "},")
    with open(os.path.join("job", "CharacterPairs.inc"), "w") as out:
        out.write("// SPDX-License-Identifier: GPL-3.0-or-later\n")
        out.write("// SPDX-FileCopyrightText: 2026 The Quibex Crypto team\n")
        out.write("// Made by scripts/character-pairs.py from %d texts.\n" % len(texts))
        out.write("// clang-format off\n")
        out.write("\n".join(rows) + "\n")
        out.write("// clang-format on\n")


main()
