"""Which documents train and which test, and how training text becomes
entries. Everything here depends only on document keys and text, so the
same packages give the same entries on every run."""

import re

TEST_SHARE = 5        # one document key in five is held out for testing
ENTRY_BYTES = 16000   # an entry holds at most about this much text
MIN_ENTRY_BYTES = 2000  # a smaller leftover is too little to count

ENGLISH_WORDS = {"the", "and", "you", "your", "with", "this", "that", "from",
                 "are", "which", "when", "have", "been", "would", "should",
                 "these", "there", "their", "into", "using", "click",
                 "select", "file", "files", "page", "allows", "enter"}
WORD = re.compile(r"[^\W\d_]+")
# Left in every language's help pages by the help's own build: the English
# "Title is:" before a page's title, and "[text/...xhp#... not found]"
# where a page includes a part it could not find.
HELP_BOILERPLATE = re.compile(r"^Title is:\s*|\[text/[^\]]*\]\.?")
# British spellings and their American forms: the English texts here are
# British (Firefox en-GB), but an untranslated string elsewhere is left in
# the American English it was written in.
BRITISH_SPELLINGS = [(re.compile(r"our(s|ed|ing)?\b"), r"or\1"),
                     (re.compile(r"is(e|ed|es|ing|ation|ations)\b"), r"iz\1"),
                     (re.compile(r"ys(e|ed|es|ing)\b"), r"yz\1"),
                     (re.compile(r"tre(s?)\b"), r"ter\1"),
                     (re.compile(r"logue(s?)\b"), r"log\1"),
                     (re.compile(r"cancell(ed|ing)\b"), r"cancel\1")]


def american(paragraph):
    """The paragraph in lower case with British spellings made American, so
    that both spellings of a string compare equal."""
    text = paragraph.casefold()
    for pattern, replacement in BRITISH_SPELLINGS:
        text = pattern.sub(replacement, text)
    return text


def fnv1a(text):
    h = 2166136261
    for b in text.encode("utf-8"):
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def held_out(kind, key):
    """Held out in every language: the choice depends on the key alone."""
    return fnv1a(kind + ":" + key) % TEST_SHARE == 0


def sampled(key):
    """One page in eight of the LibreOffice help: 2,500 pages a language
    are more than twenty entries and the held-out text need."""
    return fnv1a("sample:" + key) % 8 == 0


def size(paragraphs):
    return sum(len(p.encode("utf-8")) + 1 for p in paragraphs)


class LeftoverFilter:
    """Drops untranslated English from another language's text: paragraphs
    found verbatim in the English sources (in British or American
    spelling), paragraphs made of English function words, and, in a
    language not written in Latin letters, paragraphs written in Latin
    letters."""

    def __init__(self, english_paragraphs):
        self.english = {american(p) for p in english_paragraphs}

    @staticmethod
    def strip(paragraph):
        """The paragraph without the help pages' English boilerplate."""
        return HELP_BOILERPLATE.sub("", paragraph).strip()

    def keep(self, paragraph, latin_script):
        if american(paragraph) in self.english:
            return False
        words = WORD.findall(paragraph.casefold())
        english = sum(w in ENGLISH_WORDS for w in words)
        if english >= 2 and english * 7 >= len(words):
            return False
        if not latin_script:
            letters = [c for w in words for c in w]
            ascii_letters = sum(c < "\x80" for c in letters)
            if ascii_letters * 2 > len(letters):
                return False
        return True


def is_latin_script(paragraphs):
    letters = ascii_letters = 0
    for p in paragraphs:
        for w in WORD.findall(p):
            letters += len(w)
            ascii_letters += sum(c < "\u0250" for c in w)
    return letters == 0 or ascii_letters * 2 > letters


def split_paragraphs(paragraphs, parts):
    """`parts` runs of paragraphs of about equal size."""
    total, runs, run, done = size(paragraphs), [], [], 0
    for p in paragraphs:
        run.append(p)
        done += len(p.encode("utf-8")) + 1
        if done * parts >= total * (len(runs) + 1) and len(runs) < parts - 1:
            runs.append(run)
            run = []
    if run:
        runs.append(run)
    return runs


def chunks(documents):
    """Entries of at most about ENTRY_BYTES: a longer document is cut at
    paragraph ends into pieces of about equal size; shorter documents of
    one source (string files) are joined whole, in key order, up to the
    size. Each chunk: (list of keys, paragraphs)."""
    out, keys, joined = [], [], []
    for key, paragraphs in documents:
        n = size(paragraphs)
        if n == 0:
            continue
        if n > ENTRY_BYTES:
            pieces = -(-n // ENTRY_BYTES)
            for run in split_paragraphs(paragraphs, pieces):
                out.append(([key], run))
            continue
        if size(joined) + n > ENTRY_BYTES and joined:
            out.append((keys, joined))
            keys, joined = [], []
        keys.append(key)
        joined = joined + paragraphs
    if joined:
        out.append((keys, joined))
    out = [c for c in out if size(c[1]) >= MIN_ENTRY_BYTES]
    # Spread the choice over the whole source, the same way on every run.
    return sorted(out, key=lambda c: (fnv1a("|".join(c[0]) + c[1][0]), c[0]))


def choose(sources, limit):
    """Up to `limit` chunks, taken in turn from each source that still has
    some, so that every source is represented. `sources`: list of chunk
    lists; returns (source index, chunk) pairs."""
    chosen, turn = [], 0
    queues = [list(c) for c in sources]
    while len(chosen) < limit and any(queues):
        q = queues[turn % len(queues)]
        if q:
            chosen.append((turn % len(queues), q.pop(0)))
        turn += 1
    return chosen
