#!/usr/bin/env python3
"""Writes the seed corpus of the receive-path fuzzer into fuzz/corpus/.

Run once by hand when the input layout or the protocol changes; the files are
checked in. Layout (see receive_path_fuzzer.cpp): a setup byte, then chunks of
a header byte (length in bits 0-5, bit 6 Default pressed first, bit 7 a retry
tick after) and the bytes that arrive together.
"""
import os
import random

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

DETECT = 0x01
FIRST_YES = 0x02


def frame(body):
    return bytes([0x55, 0xAA, len(body)]) + bytes(body)


def chunk(data, default=True, retry=False):
    data = bytes(data)
    assert len(data) <= 0x3F
    return bytes([len(data) | (0x40 if default else 0) | (0x80 if retry else 0)]) + data


def chunks(data, default=True):
    """Splits bytes into as few chunks as the length field allows."""
    data = bytes(data)
    return b"".join(chunk(data[i:i + 0x3F], default) for i in range(0, len(data), 0x3F))


def query_answer(kind, data=b"", state=0):
    return frame(bytes([0x60, state, 0x50, kind]) + bytes(data))


def set_answer(kind, state=0):
    return frame([0x60, state, kind])


# One valid answer of every query type, in the order of a read.
QUERY_DATA = [
    (0, "version", [2, 1]),
    (1, "baud-9600", [0x00, 0x27]),
    (2, "security-on", [1]),
    (3, "password", b"5807"),
    (4, "sniff", [0x03, 0x20, 0x00, 0x50, 0x00, 0x08, 0x00, 0x08]),
    (5, "park", [0x08, 0x00, 0x01, 0x00]),
    (6, "device-name", b"Bench module"),
    (7, "class-of-device", [0x5A, 0x02, 0x0C]),
    (8, "master", [1]),
    (9, "max-connections", [3]),
    (13, "scan", [0x04, 0x00, 0x02, 0x00, 0x04, 0x00, 0x02, 0x00]),
    (14, "bind", [1]),
]
SET_KINDS = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14]


def corpus():
    files = {}
    for kind, name, data in QUERY_DATA:
        files[f"query-{kind:02}-{name}"] = bytes([0]) + chunk(query_answer(kind, data))
        files[f"query-{kind:02}-{name}-refused"] = bytes([0]) + chunk(
            query_answer(kind, data, state=1), default=False)
    read = b"".join(query_answer(kind, data) for kind, _, data in QUERY_DATA)
    files["read-whole-one-frame-a-chunk"] = bytes([0]) + b"".join(
        chunk(query_answer(kind, data)) for kind, _, data in QUERY_DATA)
    files["read-whole-in-few-chunks"] = bytes([0]) + chunks(read)
    files["read-after-detection"] = bytes([DETECT]) + chunks(read)
    files["detection-ended-by-version"] = bytes([DETECT]) + chunk(query_answer(0, [1, 0]))
    files["read-byte-by-byte"] = bytes([0]) + b"".join(
        chunk([b], default=False) for b in query_answer(0, [2, 1]) + query_answer(1, [0, 0x27]))
    files["query-extended-baud"] = bytes([0]) + chunk(query_answer(1, [0x03, 0xB0]))
    files["query-unknown-baud-code"] = bytes([0]) + chunk(query_answer(1, [0x12, 0x34]))
    files["query-data-wrong-lengths"] = bytes([0]) + chunks(
        query_answer(0, [1]) + query_answer(4, [1] * 7) + query_answer(5, [1] * 5)
        + query_answer(7, [1, 2]) + query_answer(13, [9] * 9) + query_answer(2, [2]))
    files["query-without-data"] = bytes([0]) + chunk(
        query_answer(4, [1, 2, 3, 4, 5, 6, 7, 8]) + frame([0x60, 0, 0x50, 5]))
    files["query-longest-body"] = bytes([0]) + chunk(query_answer(6, b"N" * 26))

    for kind in SET_KINDS:
        files[f"set-{kind:02}-succeed"] = bytes([0]) + chunk(set_answer(kind))
        files[f"set-{kind:02}-refused-yes"] = bytes([FIRST_YES]) + chunk(set_answer(kind, 1))
        files[f"set-{kind:02}-refused-no"] = bytes([0]) + chunk(set_answer(kind, 1))
    for kind in (4, 5, 7, 13):
        files[f"set-{kind:02}-refused-yes-fields-empty"] = bytes([FIRST_YES]) + chunk(
            set_answer(kind, 2), default=False)
    files["set-burst-all-refused"] = bytes([FIRST_YES]) + chunks(
        b"".join(set_answer(kind, 1) for kind in SET_KINDS))
    files["set-kind-without-row"] = bytes([0]) + chunk(set_answer(11) + set_answer(0x50 + 1))
    files["set-refused-then-retry-ticks"] = bytes([FIRST_YES]) + chunk(
        set_answer(3, 1), retry=True) + chunk(b"", retry=True) + chunk(b"", retry=True) + chunk(
            b"", retry=True)

    files["short-answer-1-byte"] = bytes([0]) + chunk(frame([0x60]))
    files["short-answer-2-bytes"] = bytes([0]) + chunk(frame([0x60, 0]))
    files["short-answer-3-bytes"] = bytes([0]) + chunk(frame([0x60, 0, 0x50]) + set_answer(6))
    files["body-not-an-answer"] = bytes([0]) + chunk(frame([0x61, 0, 1]) + frame([0x50, 5]),
                                                     retry=True)
    files["noise-55-55-aa"] = bytes([0]) + chunk([0x55, 0x55, 0xAA, 0x02, 0x60, 0x01]
                                                 + list(set_answer(2)))
    files["noise-length-31-dropped"] = bytes([0]) + chunk(
        [0x55, 0xAA, 0x1F] + [0x55, 0xAA, 0x03, 0x60, 0x00, 0x06] + [0] * 25)
    files["noise-length-0"] = bytes([0]) + chunk([0x55, 0xAA, 0x00] + list(set_answer(8)))
    files["frame-split-across-reads"] = bytes([0]) + chunk([0x55], False) + chunk(
        [0xAA, 0x03], False) + chunk([0x60], False) + chunk([0x00, 0x01], False)
    rng = random.Random(6)
    files["noise-random"] = bytes([0]) + chunks(bytes(rng.randrange(256) for _ in range(120))
                                                + set_answer(14))
    return files


def main():
    os.makedirs(OUT, exist_ok=True)
    for old in os.listdir(OUT):
        os.remove(os.path.join(OUT, old))
    for name, data in sorted(corpus().items()):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"{len(corpus())} inputs in {OUT}")


if __name__ == "__main__":
    main()
