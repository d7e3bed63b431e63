"""One headword's comparison: the words of what dict prints for it against the words of the
glossary's page. Words are runs between blanks and line ends; braces (dictd's mark of a
cross-reference or label) are no words. Only an equal sequence matches; a mismatch gets its
reasons by finding which known faults of a page would turn the authors' text into the page."""

import difflib
import itertools
import re

_REFERENCE = re.compile(r"\{[^{}]*\}")

# Known ways a page departs from its dictionary, as changes to the authors' text. They name a
# mismatch; they never make one match.
DROPS_PHRASE_START = "headword phrase's first line dropped"
SPLITS_HYPHEN = "hyphen at a line end inside braces split"
NOT_FOUND = "dictd finds no definition"


def _heading_lines(lines):
    """How many lines make the entry's first line: Ding wraps a headword phrase onto lines
    indented by one blank, its translation following at once, indented by three ("Haus" /
    " {n} der Begegnung" / "   community centre"); the Jargon File so writes its pronunciation
    and part of speech ("ACK" / " /ak/, interj."). The page shows such a first line whole."""
    count = 1
    while count < len(lines) and re.match(r"^ \S", lines[count]):
        count += 1
    return count


def _same(a, b):
    return " ".join(a.split()).casefold() == " ".join(b.split()).casefold()


# FOLDOC gives a link's address in parentheses after its text, "Home (http://x.com/)."; the page
# shows the text as the link. An address is markup: on either side it is no words.
_ADDRESS = re.compile(r"\s*\{?\(?\b[a-z][a-z0-9+.-]*://[^\s(){}<>]*[^\s(){}<>.,;:]\)?\}?")


def _words(text):
    return _ADDRESS.sub("", text).replace("{", "").replace("}", "").split()


def _reference(reference, split_hyphens):
    """A cross-reference as its dictionary means it: blanks at its ends come from wrapping
    ("{vadding⏎ }"), and a line end after a hyphen or slash joins without a blank: {dog-⏎ iron}
    is dog-iron."""
    inner = reference[1:-1].strip()
    inner = re.sub(r"/\n\s*", "/", inner)
    inner = re.sub(r"-\n\s*", "- " if split_hyphens else "-", inner)
    return "{" + inner + "}"


def definition_words(word, text, faults=()):
    """The words of one definition as the page should show them: without the line that is
    only the headword, which the page shows as its own heading."""
    text = _REFERENCE.sub(lambda m: _reference(m.group(0), SPLITS_HYPHEN in faults), text)
    lines = text.split("\n")
    heading = 1 if DROPS_PHRASE_START in faults else _heading_lines(lines)
    if _same(" ".join(lines[:heading]), word) or (
            DROPS_PHRASE_START in faults and _same(lines[0], word)):
        lines = lines[heading:]
    return _words("\n".join(lines))


def _mentions(first_line, word):
    """Whether an article only mentions the word: its first line does not begin with it as a
    word (GCIDE files "Sundog" under "dog")."""
    line, word = first_line.strip().casefold(), word.casefold()
    return not line.startswith(word) or line[len(word):len(word) + 1].isalnum()


def _same_words(a, b):
    return " ".join(a.split()) == " ".join(b.split())


def arranged(word, term, articles):
    """The articles, (headword filed under, text), in the page's documented order
    (glossary/Articles.h): those under the term as the page writes it, then under its other
    cases, then those only mentioning it, in the same order of cases; else as dictd gives them.
    An article's case is its first line's when that is its headword, else its index's."""
    def rank(article):
        headword, text = article
        first = text.split("\n", 1)[0].strip()
        written = first if _same(first, headword) else headword
        return (_mentions(first, headword), not _same_words(written, term))
    return [text for _, text in sorted(articles, key=rank)]


def page_term(page):
    first = page.replace("\r\n", "\n").split("\n", 1)[0]
    return first[:-1] if first.endswith(":") else ""


def page_words(page):
    """The page's words after its heading ("term:")."""
    lines = page.replace("\r\n", "\n").split("\n")
    return _words("\n".join(lines[1:])) if lines and lines[0].endswith(":") else _words(page)


def _segments(words, definitions):
    """The definitions (by number) that, one after another, spell `words` exactly; None if
    none do. A definition may stand more than once."""
    # From the end: where a spelling of the rest starts, and with which definition.
    count = len(words)
    first = [None] * count + [-1]
    for at in range(count - 1, -1, -1):
        for number, definition in enumerate(definitions):
            end = at + len(definition)
            if (definition and end <= count and first[end] is not None
                    and definition[0] == words[at] and words[at:end] == definition):
                first[at] = number
                break
    if first[0] is None:
        return None
    order, at = [], 0
    while at < count:
        order.append(first[at])
        at += len(definitions[first[at]])
    return order


def _first_difference(expected, actual):
    matcher = difflib.SequenceMatcher(None, expected, actual, autojunk=False)
    for tag, a1, a2, b1, b2 in matcher.get_opcodes():
        if tag != "equal":
            before = " ".join(expected[max(0, a1 - 4):a1])
            return (f"after '{before}': dict '{' '.join(expected[a1:a2][:12])}' / "
                    f"page '{' '.join(actual[b1:b2][:12])}'")
    return ""


def _kind(word, expected, actual):
    """A mismatch no known fault explains, by what the page does to the words."""
    matcher = difflib.SequenceMatcher(None, expected, actual, autojunk=False)
    tags = {tag for tag, *_ in matcher.get_opcodes() if tag != "equal"}
    if tags == {"insert"} and word != word.strip():
        return "a headword with a blank at an end: the page is the trimmed word's"
    if tags == {"insert"} and ("ß" in word.lower() or "ss" in word.lower()):
        return "the page joins the spelling with ss or ß (equal under case folding)"
    if tags == {"delete"}:
        return "words missing from the page"
    if tags == {"insert"}:
        return "words the dictionary does not have"
    if tags == {"replace"} and sorted(expected) == sorted(actual):
        return "words in another order"
    return "words differ"


def compare(word, definitions, filed, page):
    """(None, "") when the page holds the authors' words in their order; else the reasons and
    where the words first differ. `filed` names the headwords each of dictd's articles is filed
    under: dictd's look-up may ignore punctuation ("freelance" finds "free-lance"), the page
    joins only the word's cases. When it does not fit dictd's answer, every article counts."""
    if len(filed) == len(definitions):
        articles = [(next(h for h in headwords if _same(h, word)), d)
                    for headwords, d in zip(filed, definitions)
                    if any(_same(h, word) for h in headwords)]
    else:
        articles = [(word, d) for d in definitions]
    actual = page_words(page)
    definitions = arranged(word, page_term(page) or word, articles)
    expected = [w for d in definitions for w in definition_words(word, d)]
    if actual == expected:
        return None, ""
    if not definitions:
        return [NOT_FOUND], ""
    if not page.strip():
        return ["no page for the headword"], ""
    known = (DROPS_PHRASE_START, SPLITS_HYPHEN)
    for size in range(len(known) + 1):
        for faults in itertools.combinations(known, size):
            texts = [definition_words(word, d, faults) for d in definitions]
            order = _segments(actual, texts)
            if order is None:
                continue
            reasons = list(faults)
            # Articles of equal words are one article standing as often as dictd gives it.
            canon = [texts.index(t) for t in texts]
            order = [canon[n] for n in order]
            wanted = {c: canon.count(c) for c in set(canon) if texts[c]}
            if any(order.count(c) > n for c, n in wanted.items()):
                reasons.append("the same article more than once")
            if [n for i, n in enumerate(order) if n not in order[:i]] != sorted(set(order)):
                reasons.append("articles in another order")
            if any(order.count(c) < n for c, n in wanted.items()):
                reasons.append("articles missing")
            if reasons:
                return reasons, _first_difference(expected, actual)
    return [_kind(word, expected, actual)], _first_difference(expected, actual)
