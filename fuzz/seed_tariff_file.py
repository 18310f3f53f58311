#!/usr/bin/env python3
"""Writes the seed inputs of the tariff_file fuzz target into corpus/tariff_file/: a few
good files and one of each kind of damage. Run once; the files are kept in git."""

import pathlib

OUT = pathlib.Path(__file__).resolve().parent / "corpus" / "tariff_file"


def schedule(busy):
    out = bytearray()
    for n in range(1, 13):
        out += bytes([28 - n, 13 - n]) if busy else bytes([31, n])
        out += bytes(((n + k) % 4 if busy else 0) for k in range(72))
    return out


def days(count):
    return b"".join(bytes([1 + i, 1 + i % 12, i % 4]) for i in range(count))


def changed(data, offset, value):
    data = bytearray(data)
    data[offset] = value
    return bytes(data)


def main():
    default, busy = schedule(False), schedule(True)
    good = busy + days(2)
    files = {
        "good_default_888": default,
        "good_busy_978": busy + days(30),
        "good_five_days_903": default + days(5),
        "bad_empty": b"",
        "bad_short_887": default[:887],
        "bad_partial_day_890": default + days(1)[:2],
        "bad_31_days_981": busy + days(31),
        "bad_end_day_0": changed(good, 0, 0),
        "bad_end_day_32": changed(good, 74, 32),
        "bad_end_month_13": changed(good, 74 * 11 + 1, 13),
        "bad_slot_4": changed(good, 2, 4),
        "bad_day_32": changed(good, 888, 32),
        "bad_month_0": changed(good, 892, 0),
        "bad_type_5": changed(good, 893, 5),
    }
    OUT.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        (OUT / (name + ".tar")).write_bytes(data)


if __name__ == "__main__":
    main()
