#!/usr/bin/env python3
"""Every dictionary reads as its authors wrote it: Debian's dictd server, on the same files the
import reads, is the oracle. For a fixed sample of each dictionary's headwords, the glossary's
page (as Ctrl+C copies it, printed by `mdbview page`) must hold the same words in the same order
as `dict -d NAME WORD` prints. Mismatches are listed with their reasons, rates printed.

Usage: dictd_oracle.py <bin directory> <dictionaries> <work directory>"""

import concurrent.futures
import os
import random
import shutil
import sys

sys.dont_write_bytecode = True  # nothing written into the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_compare import NOT_FOUND, compare  # noqa: E402
from oracle_runs import (DictServer, Index, import_dictionaries, pages,  # noqa: E402
                         sample_headwords)

THRESHOLD = 99.5  # per cent of sampled headwords that must match, in every dictionary
SAMPLE = 2000  # headwords a dictionary (all of them in a smaller one)
SEED = 40

TUNED = ["foldoc", "jargon", "vera", "gcide", "wn", "german-english", "english-german",
         "freedict-fra-eng", "freedict-deu-eng"]
UNTUNED = ["devil", "elements", "freedict-eng-rus", "freedict-eng-spa"]

# A dictionary that may stay below THRESHOLD for a while, with its floor and why. None today:
# every dictionary reaches THRESHOLD. Nothing here would excuse a mismatch: every one is listed.
FLOORS = {}

SHOWN = 12  # mismatches listed in full a dictionary; the rest are counted by reason


def report(name, words, mismatches):
    """Prints the dictionary's rate, its mismatches by reason and each one; whether it passes.
    A headword dictd itself cannot find (its index out of its own order) is listed, not
    counted."""
    unfound = [m for m in mismatches if m[1] == [NOT_FOUND]]
    counted = len(words) - len(unfound)
    rate = 100.0 * (counted - len(mismatches) + len(unfound)) / counted
    floor = FLOORS.get(name, THRESHOLD)
    passes = rate >= floor
    print(f"{name}: {rate:.2f} % of {counted} headwords match "
          f"(required {floor} %, goal {THRESHOLD} %): {'ok' if passes else 'FAILED'}")
    counts = {}
    for _, reasons, _ in mismatches:
        for reason in reasons:
            counts[reason] = counts.get(reason, 0) + 1
    for reason, count in sorted(counts.items(), key=lambda item: -item[1]):
        print(f"  {count:5d}  {reason}")
    for number, (word, reasons, detail) in enumerate(mismatches):
        print(f"  - {word!r}: {'; '.join(reasons)}" + (f": {detail}" if number < SHOWN else ""))
    return passes


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    bin_dir, dictionaries, work = argv[1:]
    os.makedirs(work, exist_ok=True)
    names = TUNED + UNTUNED
    absent = [p for p in ("dictd", "dict") if shutil.which(p) is None]
    if absent:
        print("not installed (scripts/install-deps.sh installs them): " + " ".join(absent))
        return 1
    missing = [n for n in names if not os.path.exists(os.path.join(dictionaries, n + ".index"))]
    if missing:
        print("missing dictionaries (scripts/fetch-dictionaries.sh fetches them): "
              + " ".join(missing))
        return 1
    databases = import_dictionaries(bin_dir, dictionaries, work, names)
    failed = []
    with DictServer(dictionaries, names, work) as server:
        def check(name):
            index = Index(os.path.join(dictionaries, name + ".index"))
            words = sample_headwords(index, SAMPLE, random.Random(f"{SEED}:{name}"))
            authors = server.define(name, words, index)
            # A headword matches when the page of every term its articles are listed under
            # does ("0815" is "08/15" and "08/15-").
            named = {word: index.named(word, authors[word]) for word in words}
            terms = list(dict.fromkeys(term for word in words for term, _ in named[word]))
            ours = pages(bin_dir, databases[name], terms)
            mismatches = []
            for word in words:
                for term, filed in named[word]:
                    reasons, detail = compare(term, authors[word], filed, ours[term])
                    if reasons is not None:
                        where = f"the page of {term!r}: " if term != word else ""
                        mismatches.append((word, reasons, where + detail))
                        break
            return words, mismatches

        # dict's look-ups of one dictionary while mdbview reads another's pages.
        with concurrent.futures.ThreadPoolExecutor(3) as pool:
            results = list(pool.map(check, names))
    for name, (words, mismatches) in zip(names, results):
        if not report(name, words, mismatches):
            failed.append(name)
    print("below the required rate: " + " ".join(failed) if failed else
          "every dictionary reads as dictd serves it, at the required rates")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
