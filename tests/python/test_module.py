"""The Python module as a program uses it, installed: answers equal to
letterfreq-cli's, databases, errors with the file and the reason, the GIL
let go while scoring."""
import math
import os
import threading
import time

import pytest

import letterfreq
from conftest import cli_lines, corpus_lines
from corpus import corpus
from lines_on_workers import answer_text

GERMAN = "Der schnelle braune Fuchs springt über den faulen Hund."


def test_detect_answers_as_detect_lines_does(cli, starter_db):
    data = corpus(400, 7)
    detector = letterfreq.Detector(starter_db)
    ours = [answer_text(detector.detect(line)) for line in corpus_lines(data)]
    assert ours == cli_lines(cli, starter_db, data)
    # str is counted as its UTF-8 bytes; bytearray and memoryview too.
    for text in (GERMAN, GERMAN.encode(), bytearray(GERMAN.encode()),
                 memoryview(GERMAN.encode())):
        assert detector.detect(text).confidence == \
            detector.detect(GERMAN).confidence


def test_the_default_detector_is_the_installed_starter_database():
    found = letterfreq.detect(GERMAN)
    assert (found.language, found.code, found.iso6393) == ("German", "de", "deu")
    assert found.known and 0.5 <= found.confidence <= 1
    assert [g.language for g in found.alternatives] != []
    assert letterfreq.Detector().method == "N-gram Likelihood"
    nothing = letterfreq.detect("")
    assert (nothing.language, nothing.code, nothing.confidence,
            nothing.reason) == ("unknown", "und", 0.0, "nothing counted")
    assert letterfreq.detect("12345 678").reason == "no letters"
    strict = letterfreq.Detector(min_confidence=1.0, min_length=10)
    assert strict.detect("Guten Tag").reason == "too short"
    assert not nothing.known and nothing.alternatives == []


def test_candidates_and_ranking_by_every_method(cli, starter_db):
    detector = letterfreq.Detector(starter_db, only=["nl", "Frisian"])
    found = detector.detect(GERMAN)
    assert found.language in ("Dutch", "Frisian")
    data = (GERMAN + "\n").encode()
    assert [answer_text(found)] == \
        cli_lines(cli, starter_db, data, "--only", "nl,Frisian")
    assert letterfreq.Detector(starter_db, ignore=["de"]).detect(
        GERMAN).language != "German"
    everyone = letterfreq.Detector(starter_db)
    for method in letterfreq.methods():
        ranked = everyone.rank(GERMAN, method)
        assert len({score.language for score in ranked}) == 113
        # Falling scores; those that are no number (no data) last.
        scores = [s.score for s in ranked]
        numbers = [x for x in scores if not math.isnan(x)]
        assert scores[:len(numbers)] == sorted(numbers, reverse=True)
    assert everyone.rank(GERMAN)[0].code == "de"
    assert [s.language for s in detector.rank(GERMAN, "diff")] in (
        ["Dutch", "Frisian"], ["Frisian", "Dutch"])
    with pytest.raises(letterfreq.Error) as raised:
        everyone.rank(GERMAN, "guess")
    assert raised.value.reason == 'no method is named "guess"'
    with pytest.raises(letterfreq.Error) as raised:
        letterfreq.Detector(starter_db, only=["xx"])
    assert raised.value.file == starter_db
    assert raised.value.reason == \
        'no language of the database is named or coded "xx"'
    with pytest.raises(TypeError):
        everyone.detect(42)


def test_database_adds_and_lists_languages(tmp_path):
    path = tmp_path / "new.db"
    with pytest.raises(letterfreq.Error) as raised:
        letterfreq.Database(path)
    assert (raised.value.file, raised.value.reason) == \
        (str(path), "no such database")
    assert not path.exists()  # a mistyped name leaves nothing behind
    database = letterfreq.Database(path, create=True)
    database.add("Klingon", "tlhIngan Hol Dajatlh'a'", code="tlh", name="a")
    source = tmp_path / "entry.txt"
    source.write_bytes(b"Qapla' batlh")
    database.add("Klingon", file=source)
    database.add("English", b"the cat sat on the mat")
    listed = [(l.name, l.code, l.iso6393, l.entries, l.bytes)
              for l in database.languages()]
    assert listed == [("Klingon", "tlh", "tlh", 2, 35),
                      ("English", "en", "eng", 1, 22)]
    assert letterfreq.Detector(database).detect("Qapla'").language == "Klingon"
    with pytest.raises(letterfreq.Error) as raised:
        database.add("Klingon", file=tmp_path / "missing.txt")
    assert raised.value.reason == "No such file or directory"
    with pytest.raises(letterfreq.Error) as raised:
        database.add("Klingon", "x", code="not a code")
    assert raised.value.reason == 'not a language code: "not a code"'
    with pytest.raises(ValueError):
        database.add("Klingon")
    reader = letterfreq.Database(path, readonly=True)
    assert len(reader.languages()) == 2
    with pytest.raises(letterfreq.Error) as raised:
        reader.add("Klingon", "x")
    assert "read-only" in raised.value.reason
    damaged = tmp_path / "damaged.db"
    damaged.write_bytes(b"not a database")
    with pytest.raises(letterfreq.Error) as raised:
        letterfreq.Database(damaged, readonly=True)
    assert raised.value.reason.startswith("!")
    assert str(raised.value).startswith(str(damaged) + ": ")


def test_scoring_lets_other_threads_run(starter_db):
    detector = letterfreq.Detector(starter_db)
    text = ("Der schnelle braune Fuchs springt über den faulen Hund. " *
            400_000).encode()  # 22 MB
    done = threading.Event()
    worker = threading.Thread(
        target=lambda: (detector.detect(text), done.set()))
    turns = 0
    started = time.perf_counter()
    worker.start()
    while not done.is_set():
        turns += 1
        time.sleep(0.001)
    worker.join()
    took = time.perf_counter() - started
    # Held, the GIL would let this loop run only before and after.
    assert took > 0.05 and turns > 10, (took, turns)


def test_spans_give_runs_of_one_language(starter_db):
    english = ("The committee met on Tuesday to discuss the budget for the "
               "coming year, and most members agreed that the plan was sound. ")
    russian = ("Комитет собрался во вторник, чтобы обсудить бюджет на "
               "следующий год, и большинство членов согласились с планом. ")
    text = english + russian
    spans = letterfreq.Detector(starter_db).spans(text)
    assert [(s.language, s.code) for s in spans] == \
        [("English", "en"), ("Russian", "ru")]
    # Offsets of the UTF-8 bytes, the boundary within 20 bytes.
    assert (spans[0].start, spans[1].end) == (0, len(text.encode()))
    assert spans[0].end == spans[1].start
    assert abs(spans[1].start - len(english.encode())) <= 20
    assert all(s.confidence > 0.5 for s in spans)
    assert letterfreq.Detector(starter_db).spans("") == []
