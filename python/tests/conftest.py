"""Symbols for the tests, made by the qrencode command (an encoder of its
own): PNG files for the loaders, and its text drawing of the modules for
NumPy pictures, so that no picture comes through the module under test."""

import shutil
import subprocess

import numpy as np
import pytest


def qrencode(*args, text):
    """Runs qrencode with the text on standard input; returns its output."""
    return subprocess.run(
        ["qrencode", *args], input=text.encode("utf-8"), capture_output=True, check=True
    ).stdout


def modules(text, *args):
    """The module matrix qrencode makes for text (True is dark), margin of 4."""
    drawing = qrencode("-t", "ASCII", "-m", "4", *args, text=text).decode("ascii")
    rows = [line for line in drawing.split("\n") if line]
    # Each module is two characters wide, "##" dark and "  " light.
    return np.array([[row[i] == "#" for i in range(0, len(row), 2)] for row in rows])


def grey(matrix, scale=4, dark=0, light=255):
    """The matrix drawn at scale pixels a module, grey uint8."""
    block = np.ones((scale, scale), dtype=bool)
    drawn = np.kron(matrix, block)
    return np.where(drawn, dark, light).astype(np.uint8)


@pytest.fixture(scope="session")
def qr_png(tmp_path_factory):
    """Writes a qrencode PNG of text and returns its path."""
    if shutil.which("qrencode") is None:
        pytest.fail("the qrencode command is missing (scripts/setup.sh installs it)")
    folder = tmp_path_factory.mktemp("symbols")
    count = [0]

    def make(text, *args):
        count[0] += 1
        path = folder / f"symbol{count[0]}.png"
        qrencode("-t", "PNG", "-s", "4", "-o", str(path), *args, text=text)
        return path

    return make
