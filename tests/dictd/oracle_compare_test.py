#!/usr/bin/env python3
"""The dictd comparison's reading of a page against dict's text, on excerpts of the real
dictionaries: what matches, and the reason each known fault is given."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written into the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_compare import (DROPS_PHRASE_START, SPLITS_HYPHEN,  # noqa: E402
                            compare)


def page(term, *lines):
    """A page as mdbview prints it: the heading, two empty lines, the text."""
    return "\r\n".join([term + ":", "", ""] + list(lines)) + "\r\n"


HAUS = "Haus\n {n} der Begegnung\n   community centre [Br.]; community center [Am.]"
DOG = ("dog\n    n 1: a member of the genus Canis\n    7: metal supports for logs in a "
       "fireplace [syn: {andiron}, {firedog}, {dog}, {dog-\n       iron}]")


class OracleReading(unittest.TestCase):
    def test_the_line_that_is_only_the_headword_is_the_pages_heading(self):
        text = "abbrev\n    Common abbreviation for 'abbreviation'."
        ours = page("abbrev", "Common abbreviation for 'abbreviation'.")
        self.assertEqual(compare("abbrev", [text], [["abbrev"]], ours), (None, ""))

    def test_a_pronunciation_under_the_headword_stays_with_it(self):
        text = "abbrev\n /@breev'/, /@brev'/, n.\n\n    Common abbreviation for 'abbreviation'."
        ours = page("abbrev", "abbrev /@breev'/, /@brev'/, n.",
                    "Common abbreviation for 'abbreviation'.")
        self.assertEqual(compare("abbrev", [text], [["abbrev"]], ours), (None, ""))

    def test_a_ding_phrase_keeps_its_first_line(self):
        translation = "community centre [Br.]; community center [Am.]"
        good = page("Haus", "Haus {n} der Begegnung", translation)
        self.assertEqual(compare("haus", [HAUS], [["haus"]], good), (None, ""))
        bad = page("Haus", "{n} der Begegnung", translation)
        self.assertEqual(compare("haus", [HAUS], [["haus"]], bad)[0], [DROPS_PHRASE_START])

    def test_a_reference_wrapped_at_its_hyphen_is_one_word(self):
        words = ["n 1: a member of the genus Canis", "7: metal supports for logs in a fireplace"]
        good = page("dog", words[0], words[1] + " [syn: andiron, firedog, dog, dog-iron]")
        self.assertEqual(compare("dog", [DOG], [["dog"]], good), (None, ""))
        bad = page("dog", words[0], words[1] + " [syn: andiron, firedog, dog, dog- iron]")
        self.assertEqual(compare("dog", [DOG], [["dog"]], bad)[0], [SPLITS_HYPHEN])

    def test_an_article_filed_twice_stands_once(self):
        run = "Run \\Run\\, v. i. To move swiftly."
        once = page("Run", run)
        self.assertEqual(compare("Run", [run], [["Run", "Run"]], once), (None, ""))
        twice = page("Run", run, run)
        self.assertEqual(compare("Run", [run], [["Run", "Run"]], twice)[0],
                         ["the same article more than once"])

    def test_a_link_address_is_no_word(self):
        text = "Aladdin Systems, Inc.\n\n   Aladdin Systems {Home\n   (http://aladdinsys.com/)}."
        ours = page("Aladdin Systems, Inc.", "Aladdin Systems Home.")
        self.assertEqual(compare("aladdin systems, inc.", [text], [["aladdin systems, inc."]],
                                 ours), (None, ""))

    def test_only_articles_filed_under_the_words_cases_are_on_its_page(self):
        # dictd's look-up for "Freelance" ignores the hyphen of "free-lance"; the page does not.
        texts = ['Freelance \\Free"lance\\, n. A mercenary.',
                 "free-lance \\free-lance\\ v. i. to work."]
        ours = page("Freelance", texts[0])
        filed = [["Freelance"], ["free-lance"]]
        self.assertEqual(compare("Freelance", texts, filed, ours), (None, ""))

    def test_words_lost_are_a_mismatch(self):
        text = "cat\n    n 1: feline mammal usually having thick soft fur"
        ours = page("cat", "n 1: feline mammal usually having fur")
        reasons, detail = compare("cat", [text], [["cat"]], ours)
        self.assertEqual(reasons, ["words missing from the page"])
        self.assertIn("thick soft", detail)


if __name__ == "__main__":
    unittest.main()
