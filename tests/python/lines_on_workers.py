"""What a Dask worker runs on one partition of lines: one Detector for the
partition, the answer of each line as detect --lines prints it."""
import letterfreq


def answer_text(found):
    """LANGUAGE<TAB>CONFIDENCE as detect prints them."""
    language = found.language
    if found.or_language:
        language += " (or %s)" % found.or_language
    return "%s\t%.4f" % (language, found.confidence)


def answer_lines(lines, db):
    detector = letterfreq.Detector(db)
    return [answer_text(detector.detect(line)) for line in lines]
