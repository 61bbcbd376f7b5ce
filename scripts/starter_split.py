"""Which documents train and which test, and how training text becomes
entries. Everything here depends only on document keys and text, so the
same packages give the same entries on every run."""

import functools
import re
import unicodedata

from starter_sources import collapsed

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
                     (re.compile(r"ll(ed|ing)\b"), r"l\1"),  # labelled
                     (re.compile(r"lment(s?)\b"), r"llment\1"),  # enrolment
                     (re.compile(r"cence(s?)\b"), r"cense\1")]  # licence


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


@functools.lru_cache(maxsize=1 << 20)
def american_word(word):
    return american(word)


def english_key(words):
    """Words compared with the English texts: lower case, one spelling."""
    return [american_word(w) for w in words]


# A paragraph's words as compared with whole English paragraphs: with their
# hyphens and apostrophes ("Proxy-Status" is not "proxy status"), without
# other punctuation ("Request Headers:" is "Request Headers").
JOINED_WORD = re.compile(r"[^\W\d_]+(?:[-'’][^\W\d_]+)*")


def paragraph_key(paragraph):
    return " ".join(english_key(JOINED_WORD.findall(paragraph)))


class LeftoverFilter:
    """Drops untranslated English from another language's text: paragraphs
    whose words are those of a paragraph of the English sources (in British
    or American spelling, whatever the punctuation), English runs within a
    paragraph (an English sentence left in a translation, the English
    original added in brackets), paragraphs made of English function words,
    and, in a language not written in Latin letters, paragraphs written in
    Latin letters."""

    def __init__(self, english_paragraphs):
        self.english, self.trigrams, self.counts = set(), set(), {}
        for p in english_paragraphs:
            self.english.add(paragraph_key(p))
            words = english_key(WORD.findall(p))
            self.trigrams.update(zip(words, words[1:], words[2:]))
            for w in words:
                self.counts[w] = self.counts.get(w, 0) + 1

    def foreign_words(self, paragraphs):
        """The English words that a language's own text (`paragraphs`, all
        of it) uses at less than a quarter of their rate in English: not
        the names, loans and short words that both share."""
        own = {}
        for p in paragraphs:
            for w in english_key(WORD.findall(p)):
                own[w] = own.get(w, 0) + 1
        english_total, own_total = sum(self.counts.values()), sum(own.values())
        return {w for w, n in self.counts.items()
                if own.get(w, 0) * 4 * english_total < n * own_total}

    @staticmethod
    def strip(paragraph):
        """The paragraph without the help pages' English boilerplate."""
        return HELP_BOILERPLATE.sub("", paragraph).strip()

    def without_english_runs(self, paragraph, foreign):
        """The paragraph without its English runs: three or more words that
        follow each other the same way in the English texts, at least two
        and half of them `foreign` to the language."""
        found = list(WORD.finditer(paragraph))
        words = english_key(m.group() for m in found)
        covered = [False] * len(words)
        for i in range(len(words) - 2):
            if tuple(words[i:i + 3]) in self.trigrams:
                covered[i] = covered[i + 1] = covered[i + 2] = True
        cuts, i = [], 0
        while i < len(words):
            j = i
            while j < len(words) and covered[j]:
                j += 1
            marked = sum(w in foreign for w in words[i:j])
            if j > i and marked >= 2 and marked * 2 >= j - i:
                cuts.append((found[i].start(), found[j - 1].end()))
            i = max(j, i + 1)
        for start, end in reversed(cuts):
            paragraph = paragraph[:start] + " " + paragraph[end:]
        return collapsed(paragraph)

    def keep(self, paragraph, latin_script):
        if paragraph_key(paragraph) in self.english:
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


# Characters that belong to no script of their own ("MODIFIER LETTER
# TURNED COMMA" in Uzbek, combining accents), and names whose script is
# their second word ("FULLWIDTH LATIN ...", "EXTENDED ARABIC-INDIC DIGIT").
NEUTRAL_NAMES = {"MODIFIER", "COMBINING", "SUPERSCRIPT", "SUBSCRIPT", "VULGAR"}
SCRIPT_ALIASES = {"KATAKANA-HIRAGANA": "KATAKANA", "ARABIC-INDIC": "ARABIC",
                  "IDEOGRAPHIC": "CJK"}
TOKEN = re.compile(r"[^\s!-@\[-`{-~]+")  # no spaces, ASCII digits or punctuation


@functools.lru_cache(maxsize=1 << 16)
def script_of(char):
    """The script of a letter, mark or digit ("LATIN", "CYRILLIC", "CJK",
    ...), or None for any other character."""
    if unicodedata.category(char)[0] not in "LMN" or char < "\x80":
        return "LATIN" if char.isalpha() else None
    words = unicodedata.name(char, "").split()
    if words and words[0] in ("FULLWIDTH", "HALFWIDTH", "EXTENDED"):
        words = words[1:]
    if not words or words[0] in NEUTRAL_NAMES:
        return None
    return SCRIPT_ALIASES.get(words[0], words[0])


def own_scripts(paragraphs):
    """The scripts of a language: each of at least 1 % of its letters, and
    Latin, which every language's text quotes (names, commands)."""
    counts = {}
    for p in paragraphs:
        for c in p:
            if c.isalpha():
                name = script_of(c)
                counts[name] = counts.get(name, 0) + 1
    total = sum(counts.values())
    return {s for s, n in counts.items() if n * 100 >= total} | {"LATIN"}


def without_foreign_words(paragraph, scripts):
    """The paragraph without the words written wholly in a script foreign
    to the language ("А, Б, .., Аа, Аб (Russian)" in a list of numbering
    styles)."""
    def foreign(token):
        found = {script_of(c) for c in token.group()} - {None}
        return " " if found and not found & scripts else token.group()
    return collapsed(TOKEN.sub(foreign, paragraph))


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
