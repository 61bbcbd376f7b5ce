"""Shared fixtures: the letterfreq-cli and database the tests compare with
(set by tests/python/run_pytest.sh), and the CLI's answers per line."""
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def cli():
    return os.environ["LETTERFREQ_CLI"]


@pytest.fixture(scope="session")
def starter_db():
    return os.environ["LETTERFREQ_DB"]


def cli_lines(cli, db, data, *options):
    """detect --lines over `data`: LANGUAGE<TAB>CONFIDENCE per line."""
    run = subprocess.run([cli, "detect", "--db", db, "--lines", *options],
                         input=data, stdout=subprocess.PIPE, check=True)
    return [answer.split(b"\t", 1)[1].decode()
            for answer in run.stdout.splitlines()]


def corpus_lines(data):
    """The lines detect --lines reads: LF ends one, a CR before it is not
    part of it."""
    lines = data.split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return [line[:-1] if line.endswith(b"\r") else line for line in lines]
