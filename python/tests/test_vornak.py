"""The vornak module against symbols qrencode (and, for ECI, zint) made;
every expected text is what the encoder was asked to encode."""

import functools
import os
import pathlib
import subprocess
import threading
import time

import numpy as np
import pytest

import vornak
from conftest import grey, modules, qrencode

TEXT = "Vornak reads this from Python"


def parity(data):
    return functools.reduce(lambda a, b: a ^ b, data, 0)


# Pictures of every kind the module takes.


def test_path_as_str_and_pathlike(qr_png):
    path = qr_png(TEXT, "-l", "H", "-v", "4", "--strict-version")
    for picture in (str(path), pathlib.Path(path)):
        result = vornak.decode(picture)
        assert result.text == TEXT
        assert result.bytes == TEXT.encode()
        assert result.version == 4
        assert result.level == "H"
        assert 0 <= result.mask <= 7
        assert result.eci is None
        assert result.kind == "QR Code"
        assert result.structured_append is None
        assert result.mirrored is False
        assert result.pass_name
        assert "QR Code 4-H" in repr(result) and TEXT in repr(result)


def test_corners_lie_on_the_symbol(qr_png):
    # Version 1 at 4 pixels a module with a margin of 4 modules: the symbol
    # spans pixels 16 to 100 each way.
    result = vornak.decode(qr_png("corners", "-v", "1", "-m", "4"))
    corners = result.corners
    assert len(corners) == 4 and all(len(c) == 2 for c in corners)
    xs = sorted(x for x, _ in corners)
    ys = sorted(y for _, y in corners)
    assert xs[0] == pytest.approx(16, abs=3) and xs[-1] == pytest.approx(100, abs=3)
    assert ys[0] == pytest.approx(16, abs=3) and ys[-1] == pytest.approx(100, abs=3)


@pytest.mark.parametrize("wrap", [bytes, bytearray, memoryview])
def test_file_bytes(qr_png, wrap):
    data = qr_png(TEXT).read_bytes()
    assert vornak.decode(wrap(data)).text == TEXT


def test_jpeg_bytes_read_as_the_file():
    # JPEG goes through its own loader; its bytes must read as the file does.
    sample = pathlib.Path(__file__).resolve().parents[2] / "samples" / "sample.jpg"
    from_file = vornak.decode(sample)
    from_bytes = vornak.decode(sample.read_bytes())
    assert from_bytes.bytes == from_file.bytes and from_bytes.bytes
    assert from_bytes.corners == from_file.corners
    with pytest.raises(vornak.PictureError) as raised:
        vornak.decode(sample.read_bytes()[:2000])
    assert "JPEG" in str(raised.value) and "<bytes>" in str(raised.value)


def test_bytes_of_a_strided_memoryview(qr_png):
    data = qr_png(TEXT).read_bytes()
    spread = bytearray(2 * len(data))
    spread[::2] = data
    assert vornak.decode(memoryview(spread)[::2]).text == TEXT


def test_utf8_text_and_its_bytes(qr_png):
    text = "Grüße, 東京 ✓"
    result = vornak.decode(qr_png(text, "-8"))
    assert result.bytes == text.encode("utf-8")
    assert result.text == text


def test_eci_names_the_charset(tmp_path):
    # qrencode writes no ECI; zint does, converting the text to the charset
    # the ECI names (7: ISO 8859-5).
    path = tmp_path / "eci.png"
    subprocess.run(
        ["zint", "-b", "58", "--eci=7", "--quietzones", "--scale=4", "-d", "Привет", "-o", path],
        check=True,
        capture_output=True,
    )
    result = vornak.decode(path)
    assert result.eci == 7
    assert result.bytes == "Привет".encode("iso8859-5")
    assert result.text == "Привет"
    assert "ECI 7" in repr(result)


def test_micro_qr(qr_png):
    result = vornak.decode(qr_png("12345", "-M", "-v", "2", "-l", "L"))
    assert result.text == "12345"
    assert result.kind == "Micro QR Code"
    assert result.version == 2
    assert result.level == "L"


def test_rmqr_with_eci(tmp_path):
    # zint's rMQR (145), R13x77 (version 20) at level H, with an ECI: the
    # size shows in the repr.
    path = tmp_path / "rmqr.png"
    subprocess.run(
        ["zint", "-b", "145", "--vers=20", "--secure=4", "--eci=7", "--quietzones",
         "--scale=4", "-d", "Привет, rMQR", "-o", path],
        check=True,
        capture_output=True,
    )
    result = vornak.decode(path)
    assert result.text == "Привет, rMQR"
    assert result.kind == "rMQR Code"
    assert result.version == 20
    assert result.level == "H"
    assert result.eci == 7
    assert "R13x77-H" in repr(result)


def test_grey_array():
    picture = grey(modules(TEXT, "-l", "Q"))
    assert picture.dtype == np.uint8 and picture.ndim == 2
    result = vornak.decode(picture)
    assert result.text == TEXT
    assert result.level == "Q"


def test_rgb_array():
    matrix = np.kron(modules(TEXT), np.ones((4, 4), dtype=bool))
    picture = np.where(matrix[..., None], [20, 40, 120], [250, 240, 200]).astype(np.uint8)
    assert picture.shape[2] == 3
    assert vornak.decode(picture).text == TEXT


def test_rgba_array_laid_on_white():
    # Light modules are transparent black: read as they would show on white,
    # they are light; read without their alpha, the picture is all dark.
    matrix = np.kron(modules(TEXT), np.ones((4, 4), dtype=bool))
    picture = np.zeros(matrix.shape + (4,), dtype=np.uint8)
    picture[..., 3] = np.where(matrix, 255, 0)
    assert vornak.decode(picture).text == TEXT
    with pytest.raises(vornak.NotFoundError):
        vornak.decode(np.ascontiguousarray(picture[..., :3]))


def test_strided_view_of_a_picture_at_double_scale():
    big = grey(modules(TEXT), scale=8)
    # A finer drawing would decode on its own: spoil it between the samples
    # the view takes, so that only the view reads.
    big[1::2, :] = 255 - big[1::2, :]
    view = big[::2, ::2]
    assert not view.flags["C_CONTIGUOUS"]
    assert vornak.decode(view).text == TEXT


def test_reversed_view_of_a_mirrored_picture():
    mirrored = grey(modules(TEXT))[:, ::-1].copy()
    as_is = vornak.decode(mirrored)
    assert as_is.text == TEXT and as_is.mirrored is True
    view = mirrored[:, ::-1]
    assert view.strides[1] < 0
    result = vornak.decode(view)
    assert result.text == TEXT and result.mirrored is False


def test_channels_of_a_wider_array():
    # RGB taken out of a BGRA-ordered buffer by a view with a negative channel stride.
    matrix = np.kron(modules(TEXT), np.ones((4, 4), dtype=bool))
    bgra = np.zeros(matrix.shape + (4,), dtype=np.uint8)
    bgra[..., 0] = np.where(matrix, 0, 255)  # blue
    bgra[..., 1] = np.where(matrix, 0, 255)
    bgra[..., 2] = np.where(matrix, 0, 255)  # red
    bgra[..., 3] = 0  # would hide everything if it were read as alpha
    rgb = bgra[..., 2::-1]
    assert rgb.shape[2] == 3 and rgb.strides[2] < 0
    assert vornak.decode(rgb).text == TEXT


# Every symbol, and structured append.


def test_all_reads_two_symbols_in_reading_order():
    left = grey(modules("left symbol"))
    right = grey(modules("right symbol, longer than the left one", "-v", "3"))
    height = max(left.shape[0], right.shape[0])
    sheet = np.full((height, left.shape[1] + right.shape[1]), 255, dtype=np.uint8)
    sheet[: left.shape[0], : left.shape[1]] = left
    sheet[: right.shape[0], left.shape[1] :] = right
    results = vornak.decode(sheet, all=True)
    assert [r.text for r in results] == ["left symbol", "right symbol, longer than the left one"]
    assert max(x for x, _ in results[0].corners) < left.shape[1]
    assert min(x for x, _ in results[1].corners) > left.shape[1]
    assert vornak.decode(sheet).text in {r.text for r in results}


def test_all_on_one_symbol(qr_png):
    results = vornak.decode(qr_png(TEXT), True)
    assert [r.text for r in results] == [TEXT]


def test_structured_append_parts_merge(tmp_path):
    message = "Structured append joins the parts of one message across several symbols"
    qrencode("-S", "-v", "1", "-l", "L", "-s", "4", "-o", str(tmp_path / "part.png"), text=message)
    paths = sorted(tmp_path.glob("part-*.png"))
    assert len(paths) >= 2
    parts = [vornak.decode(p) for p in paths]
    for index, part in enumerate(parts):
        assert part.structured_append == (index, len(paths), parity(message.encode()))
    assert b"".join(p.bytes for p in parts) == message.encode()

    # Given out of order, joined in index order.
    (joined,) = vornak.merge(parts[::-1])
    assert joined.complete and joined.problem == "" and not joined.refused
    assert joined.text == message and joined.bytes == message.encode()
    assert joined.total == len(paths) and joined.found == [True] * len(paths)
    assert "complete" in repr(joined)

    (partial,) = vornak.merge(parts[1:])
    assert not partial.complete
    assert partial.found == [False] + [True] * (len(paths) - 1)
    assert "1" in partial.problem and "missing" in partial.problem

    assert vornak.merge([vornak.decode(grey(modules(TEXT)))]) == []


# Options.


def test_options_reach_the_component():
    picture = grey(modules(TEXT, "-v", "2"))
    assert vornak.decode(picture, warp=3, resolver=20).text == TEXT
    assert vornak.decode(picture, classic=True).pass_name == "classic"
    # The classic pipeline reads the version it is told (the passes after it
    # find the version themselves).
    assert vornak.decode(picture, classic=True, force_version=2).text == TEXT
    with pytest.raises(vornak.NotFoundError):
        vornak.decode(picture, classic=True, force_version=5)


def test_classic_leaves_out_the_passes_for_photographs():
    # Light on dark: the classic pipeline cannot read it, the passes can.
    inverted = 255 - grey(modules(TEXT))
    assert vornak.decode(inverted).text == TEXT
    with pytest.raises(vornak.NotFoundError):
        vornak.decode(inverted, classic=True)
    assert vornak.decode(inverted, all=True, classic=True) == []


def test_unknown_option_is_a_type_error(qr_png):
    with pytest.raises(TypeError):
        vornak.decode(str(qr_png(TEXT)), sharpen=True)
    with pytest.raises(TypeError):
        vornak.decode(str(qr_png(TEXT)), warp="wide")


# Errors.


def test_error_classes():
    assert issubclass(vornak.NotFoundError, vornak.Error)
    assert issubclass(vornak.PictureError, vornak.Error)
    assert issubclass(vornak.Error, Exception)


def test_nothing_to_read():
    blank = np.full((120, 160), 255, dtype=np.uint8)
    with pytest.raises(vornak.NotFoundError) as raised:
        vornak.decode(blank)
    assert str(raised.value)
    assert vornak.decode(blank, all=True) == []


def test_missing_file(tmp_path):
    missing = tmp_path / "no such picture.png"
    with pytest.raises(vornak.PictureError) as raised:
        vornak.decode(missing)
    assert str(missing) in str(raised.value)


def test_text_file(tmp_path):
    text = tmp_path / "notes.png"
    text.write_text("not a picture at all\n")
    with pytest.raises(vornak.Error) as raised:
        vornak.decode(text)
    assert isinstance(raised.value, vornak.PictureError)
    assert "notes.png" in str(raised.value)


def test_bytes_that_are_no_picture():
    with pytest.raises(vornak.PictureError) as raised:
        vornak.decode(b"not a picture at all")
    assert "<bytes>" in str(raised.value) and "/proc" not in str(raised.value)
    with pytest.raises(vornak.PictureError):
        vornak.decode(b"")


def test_truncated_png_bytes(qr_png):
    data = qr_png(TEXT).read_bytes()
    with pytest.raises(vornak.PictureError):
        vornak.decode(data[: len(data) // 2])


@pytest.mark.parametrize(
    "array",
    [
        np.zeros((40, 40, 2), dtype=np.uint8),
        np.zeros((40, 40, 5), dtype=np.uint8),
        np.zeros((40,), dtype=np.uint8),
        np.zeros((4, 40, 40, 3), dtype=np.uint8),
        np.zeros((0, 40), dtype=np.uint8),
    ],
    ids=["two channels", "five channels", "one dimension", "four dimensions", "no rows"],
)
def test_wrong_array_shape(array):
    with pytest.raises(ValueError):
        vornak.decode(array)


@pytest.mark.parametrize("dtype", [np.float32, np.int16, np.uint16, np.int8, bool])
def test_wrong_array_dtype(dtype):
    with pytest.raises(TypeError):
        vornak.decode(np.zeros((40, 40), dtype=dtype))


@pytest.mark.parametrize("picture", [42, None, [[0, 255]], 3.5])
def test_not_a_picture(picture):
    with pytest.raises(TypeError):
        vornak.decode(picture)


# Threads.


def test_decodes_on_several_threads_at_once(qr_png):
    texts = [f"thread {i}: " + "x" * (10 * i) for i in range(6)]
    arrays = [grey(modules(t)) for t in texts]
    paths = [qr_png(t) for t in texts]
    rounds = 4
    found = {}
    errors = []
    start = threading.Barrier(len(texts))

    def work(i):
        try:
            start.wait()
            got = []
            for r in range(rounds):
                picture = arrays[i] if r % 2 == 0 else os.fspath(paths[i])
                got.append(vornak.decode(picture).text)
                got.extend(x.text for x in vornak.decode(picture, all=True))
            found[i] = got
        except Exception as error:  # reported below, with the thread's number
            errors.append((i, error))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(texts))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    for i, text in enumerate(texts):
        assert found[i] == [text] * (2 * rounds)


def test_the_gil_is_released_during_a_decode():
    # Another Python thread keeps running while a decode runs. Holding the
    # GIL through the decode would let it run only until the call began and
    # after it returned: none of its ticks could fall in the middle of the
    # decode's time.
    picture = grey(modules(TEXT * 20, "-l", "H"), scale=8)
    picture = np.ascontiguousarray(np.tile(picture, (2, 2)))
    done = threading.Event()
    ticks = []

    def count():
        while not done.is_set():
            ticks.append(time.monotonic())

    counter = threading.Thread(target=count)
    counter.start()
    try:
        begin = time.monotonic()
        results = vornak.decode(picture, all=True)
        end = time.monotonic()
    finally:
        done.set()
        counter.join()
    assert [r.text for r in results] == [TEXT * 20] * 4
    assert end - begin > 0.05, "the decode is too quick to tell"
    middle = [t for t in ticks if begin + (end - begin) / 4 < t < begin + (end - begin) / 2]
    assert middle
