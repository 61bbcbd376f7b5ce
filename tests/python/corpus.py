"""A seeded multi-language corpus of lines, as bytes: sentences of the
languages below, some mixed, plus empty lines, markup, CR, lone bytes that
are not UTF-8. `python3 corpus.py LINES SEED` writes it to standard output.
"""
import random
import sys

WORDS = {
    "en": "the of and to in that is was he for it with as his on be at by "
          "had this not but from have they which one you were all her she "
          "there would their we him been has when who will more no if out",
    "de": "der die und in den von zu das mit sich des auf für ist im dem "
          "nicht ein eine als auch es an werden aus er hat dass sie nach "
          "wird bei einer um am sind noch wie einem über einen so zum",
    "fr": "de la le et les des en un du une que est pour qui dans par plus "
          "pas au sur ne se il sont ce avec mais comme ou leur elle nous "
          "fait cette été aussi bien peut deux tout",
    "es": "de la que el en y a los se del las un por con no una su para es "
          "al lo como más pero sus le ya o fue este ha sí porque esta son "
          "entre cuando muy sin sobre ser tiene también",
    "ru": "и в не на я быть он с что а по это она этот к но они мы как из "
          "у который то за свой весь год от так о для ты же все тот мочь",
    "el": "και το να του η της με που τα στο την ο θα από για τη δεν είναι "
          "στην οι σε τον ένα μου των τις στη",
    "fi": "ja on ei se että hän oli ovat mutta kun niin myös jos kuin vain "
          "tai sen hänen nyt ole mitä tämä joka olla",
    "pl": "i w nie na się z to że do jest jak o co ale po tak za od jego "
          "już tylko przez może być był jej czy",
}


def line(rng):
    kind = rng.random()
    if kind < 0.04:
        return b""
    if kind < 0.08:
        return b"<p>" + rng.choice([b"&amp;", b"<br>", b"\xff\xfe", b"\r"]) + b"</p>"
    languages = [rng.choice(sorted(WORDS))]
    if kind > 0.9:  # a line of two languages
        languages.append(rng.choice(sorted(WORDS)))
    words = []
    for language in languages:
        vocabulary = WORDS[language].split()
        words += [rng.choice(vocabulary) for _ in range(rng.randint(1, 30))]
    text = " ".join(words).encode()
    return text + (b"\r" if rng.random() < 0.05 else b"")


def corpus(lines, seed):
    rng = random.Random(seed)
    return b"\n".join(line(rng) for _ in range(lines)) + b"\n"


if __name__ == "__main__":
    sys.stdout.buffer.write(corpus(int(sys.argv[1]), int(sys.argv[2])))
