"""Plain text out of the files of the starter sources.

Each reader turns the files of one source for one language into documents:
(key, paragraphs), where the key names the document the same way in every
language (the path below the language's folder), so that a document held
out in one language is held out in all. Markup, placeholders, access keys
and lines without letters are removed here; untranslated English is
removed later, against the English texts (starter-texts.py).
"""

import gettext
import html
import html.parser
import os
import re
import zipfile

PLACEHOLDERS = re.compile(
    r"\{[^{}]*\}"                        # Fluent placeables
    r"|%(\d+\$)?[-+ #0]*\d*(\.\d+)?(l{0,2}|h)[sSdiufgxXc@]"  # printf
    r"|%[A-Z][A-Z0-9_]*%?|%\d+"          # %PRODUCTNAME, %1
    r"|\$\([A-Za-z0-9_]+\)|\$[A-Za-z0-9_]+\$?"  # $(ARG1), $name$
    r"|&[A-Za-z][A-Za-z0-9._-]*;"        # DTD entity references
    r"|#\d+|\\[nt]"                      # #1 plural numbers, escapes
    r"|<[^<>]*>"                         # inline markup
)
# Not text of any language: addresses and paths, spreadsheet formulas
# ("=SUM(A1:A5)"), and codes that mix digits with capital letters
# ("ISO-8859-2", "OS2-850", "Windows-1252", "A1:A50", "UTF-8") but for the
# short ones that words are made of ("3D-Objekt").
NOT_TEXT = re.compile(
    r"\b(?:https?|ftp|file)://\S*|\bwww\.[\w.-]+\S*"
    r"|[\w.+-]+@[\w-]+\.[\w.-]+"
    r"|(?<!\S)~?/[\w.-]+(?:/[\w.-]*)+"
    r"|(?<!\S)=\S+"
)
CODE = re.compile(r"[\w.:+-]*(?:\d[\w.:+-]*[A-Z]|[A-Z][\w.:+-]*\d)[\w.:+-]*")
LETTER = re.compile(r"[^\W\d_]")


def clean(text):
    """One paragraph: placeholders, markup and codes out, white space
    collapsed."""
    for _ in range(3):  # nested placeables
        text = PLACEHOLDERS.sub(" ", text)
    text = html.unescape(text)
    text = re.sub(r"~|(?<![\w])_(?=\w)", "", text)  # LibreOffice/GTK mnemonics
    text = NOT_TEXT.sub(" ", text)
    text = CODE.sub(lambda m: m.group() if is_word(m.group()) else " ", text)
    # The counting rule reads "<", ">" and "&" as markup: one of them in
    # plain text would hide what follows it.
    text = collapsed(re.sub(r"[<>&]", " ", text))
    return text if LETTER.search(text) else ""


def is_word(token):
    """A token the code pattern found that is a word after all: a short
    code alone ("3D", "F2") or before a word ("3D-Objekt", "A4-Papier")."""
    return (len(re.findall(r"[0-9A-Z]", token)) <= 2
            or re.fullmatch(r"[0-9A-Z]{1,2}(-[^\W\d_]{2,})+", token) is not None)


def without_mnemonics(strings):
    """Interface strings without the access key marks that GTK puts within
    a word ("Re_size", "A_lta")."""
    return [re.sub(r"(?<=[^\W\d_])_(?=[^\W\d_])", "", s) for s in strings]


def collapsed(text):
    """Text with the brackets emptied by removals out ("Open ( )"), white
    space collapsed."""
    text = re.sub(r"\(\s*\)|\[\s*\]", " ", text)
    return re.sub(r"\s+", " ", text).strip()


def paragraphs_of(strings):
    """Cleaned, non-empty strings, each once, in order."""
    seen, out = set(), []
    for s in strings:
        s = clean(s)
        if s and s not in seen:
            seen.add(s)
            out.append(s)
    return out


# -- Firefox language packs: Fluent (.ftl) and .properties files --------

SKIPPED_ATTRIBUTES = {"accesskey", "commandkey", "key", "style", "width",
                      "height", "keycode", "modifiers", "searchkeywords"}


def fluent_strings(text):
    strings, skipping = [], False
    for line in text.splitlines():
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        m = re.match(r"^-?[A-Za-z][\w-]*\s*=\s*(.*)$", line)
        if m:  # a message or term at the start of the line
            skipping = line.startswith("-")  # terms are brand names
            value = m.group(1)
        else:
            m = re.match(r"^\s+\.([\w-]+)\s*=\s*(.*)$", line)
            if m:
                skipping = m.group(1).lower() in SKIPPED_ATTRIBUTES
                value = m.group(2)
            else:
                m = re.match(r"^\s*\*?\[[^\]]*\]\s*(.*)$", line)
                value = m.group(1) if m else stripped
        if not skipping and not value.endswith("->") and value != "}":
            strings.append(value)
    return strings


def properties_strings(text):
    strings = []
    for line in text.splitlines():
        m = re.match(r"^\s*([^#!\s][^=:]*?)\s*[=:]\s*(.*)$", line)
        if m and not re.search(r"accesskey|commandkey|\.key$", m.group(1), re.I):
            strings.extend(m.group(2).split(";"))  # plural forms
    return strings


def firefox_documents(xpi):
    # langpack-LOCALE@firefox-esr.mozilla.org.xpi
    locale = os.path.basename(xpi)[len("langpack-"):].split("@")[0]
    docs = []
    with zipfile.ZipFile(xpi) as pack:
        for name in sorted(pack.namelist()):
            if name.endswith(".ftl"):
                strings = fluent_strings(pack.read(name).decode("utf-8"))
            elif name.endswith(".properties"):
                strings = properties_strings(pack.read(name).decode("utf-8"))
            else:
                continue
            # The path without the locale's folders: the same in every pack.
            key = "/".join(p for p in name.split("/") if p != locale)
            docs.append((key, paragraphs_of(without_mnemonics(strings))))
    return docs


# -- LibreOffice interface strings: gettext catalogues ------------------

def mo_documents(folder):
    docs = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".mo"):
            continue
        with open(os.path.join(folder, name), "rb") as f:
            catalog = gettext.GNUTranslations(f)._catalog
        strings = []
        for key in sorted(k for k in catalog if isinstance(k, str) and k):
            source = key.split("\x04")[-1]
            value = catalog[key]
            if value and value != source:  # untranslated strings repeat it
                strings.append(value)
        docs.append((name, paragraphs_of(without_mnemonics(strings))))
    return docs


def mo_sources_of(path):
    """The English source strings of one catalogue."""
    with open(path, "rb") as f:
        catalog = gettext.GNUTranslations(f)._catalog
    return paragraphs_of(without_mnemonics(sorted(
        k.split("\x04")[-1] for k in catalog if isinstance(k, str) and k)))


def mo_sources(folder):
    """The English source strings of all catalogues, for the filter."""
    out = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".mo"):
            out.extend(mo_sources_of(os.path.join(folder, name)))
    return out


# -- HTML and Mallard pages: LibreOffice help, GNOME help, Debian Reference

BLOCKS = {"p", "h1", "h2", "h3", "h4", "h5", "h6", "li", "td", "th", "dt",
          "dd", "title", "caption", "desc", "item", "figcaption"}
SKIPPED = {"script", "style", "pre", "code", "tt", "kbd", "samp", "head",
           "header", "aside", "nav", "info", "screen", "cmd", "output",
           "input", "sys", "file", "var", "span.command", "span.package",
           "span.hidden", "a.ulink", "code.literal", "code.filename",
           "div.toc", "div.navheader", "div.navfooter", "img"}
VOID = {"br", "img", "meta", "link", "input", "hr", "base", "col", "area"}


class _PageText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.paragraphs, self.current, self.stack = [], [], []
        self.skip_depth = 0

    def handle_starttag(self, tag, attrs):
        tag = tag.split(":")[-1]
        if tag in VOID:
            return
        attrs = dict(attrs)
        classes = (attrs.get("class") or "").split()
        skipped = (tag in SKIPPED or "hidden" in attrs
                   or any(tag + "." + c in SKIPPED for c in classes))
        if tag in BLOCKS:
            self._flush()
        self.stack.append((tag, skipped))
        if skipped:
            self.skip_depth += 1

    def handle_endtag(self, tag):
        tag = tag.split(":")[-1]
        if tag in VOID:
            return
        while self.stack:
            open_tag, skipped = self.stack.pop()
            if skipped:
                self.skip_depth -= 1
            if open_tag == tag:
                break
        if tag in BLOCKS:
            self._flush()

    def handle_data(self, data):
        if not self.skip_depth:
            self.current.append(data)

    def _flush(self):
        if self.current:
            self.paragraphs.append("".join(self.current))
            self.current = []

    def close(self):
        super().close()
        self._flush()


def page_paragraphs(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    parser = _PageText()
    parser.feed(text)
    parser.close()
    # Page text is already unescaped: keep "&" and "<" as they are.
    return paragraphs_of(p.replace("<", " ").replace("{", "(").replace("}", ")")
                         for p in parser.paragraphs)


def tree_documents(root, suffixes, key_of=lambda rel: rel, wanted=None):
    """The pages below `root`; only those whose key `wanted` accepts are
    read, where a source has far more text than the database can hold."""
    docs = []
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            if name.endswith(suffixes):
                path = os.path.join(folder, name)
                key = key_of(os.path.relpath(path, root))
                if wanted is None or wanted(key):
                    docs.append((key, page_paragraphs(path)))
    return sorted(docs)
