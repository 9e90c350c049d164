#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/ (run from anywhere).

Each seed is a small meaningful case in the target's input format (see the comment at the top
of fuzz_<target>.cpp); the fuzzer mutates from there.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

PROTEUS_X = bytes.fromhex(
    "1234ABCD 88618008 61801919 5AA56107 FF112203 03FE0100 0C012C04"
    "FF003344 050505A0 0110012C 01556677 1E140A00 00FFC805 99000001"
    "02040810 20FFFF00".replace(" ", ""))
SICEP = bytes.fromhex(
    "00000001 C10F1A41 0F1A0A0A 00004A00 00000001 01FF0000 00123406"
    "FF000000 0000FFFF 00000000 00000000 00000000 00000A14 00000001"
    "02040810 20FFFF00".replace(" ", ""))


def fixed(image):
    return image[:63] + bytes([sum(image[:63]) & 0xFF])


def read_frame(image, letter="X"):
    frame = b"\n" + letter.encode() + image
    return frame + b"\0" * ((79 if letter == "X" else 71) - 1 - len(frame)) + b"\r"


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


# link: opcodes 0 bytes, 1 tick, 2 click, 3 long tick, 4 frame, 5 short message, 6 port
# failure, 7 verdicts. Commands: 0 LOAD, 1 SAVE, 2 RETI, 3 END, 4 CONFIG. Short messages:
# letter "WKANXDP"[l % 7], carriage return when l & 8.
LOAD, SAVE, RETI, END, CONFIG = (bytes([2, k]) for k in range(5))
TICK = bytes([1])


def message(letter):
    return bytes([5, next(l for l in range(256) if l % 7 == "WKANXDP".index(letter) and l & 8)])


K, A, N = message("K"), message("A"), message("N")
FRAME = bytes([4, 0]) + fixed(PROTEUS_X)
write("link", "read-and-write", LOAD + K + TICK + FRAME + TICK + SAVE + A + TICK)
write("link", "write-unanswered", LOAD + K + TICK + FRAME + TICK + SAVE + bytes([3, 120]) + END)
write("link", "write-refused", LOAD + K + TICK + FRAME + TICK + SAVE + N + TICK + END + END)
cut = read_frame(fixed(SICEP), "D")[:40]
write("link", "frame-cut-short",
      LOAD + K + TICK + bytes([0, len(cut)]) + cut + TICK + bytes([3, 50]) + TICK)
split = read_frame(fixed(PROTEUS_X))
write("link", "frame-split-over-ticks",
      LOAD + bytes([0, 3]) + b"z\n" + b"W" + TICK + bytes([0, 30]) + split[:30] + TICK
      + bytes([0, len(split) - 30]) + split[30:] + TICK)
write("link", "port-lost", LOAD + K + TICK + FRAME + bytes([6]) + TICK + LOAD)
write("link", "field-error-then-reset",
      LOAD + K + TICK + FRAME + TICK + bytes([7, 5]) + SAVE + K + TICK + A + TICK)
write("link", "config-no-port-then-networks", CONFIG + bytes([1]) + RETI + END + CONFIG
      + bytes([2]) + RETI + END + LOAD + bytes([7, 2]) + END + LOAD)

# frames: mode (band = mode % 3, record values changed when mode & 0x10), previous
# SpontaneaIngresso, frame length, frame bytes, then image bytes or record values.
x = read_frame(fixed(PROTEUS_X))
write("frames", "x-frame", bytes([0, 0, len(x)]) + x)
d = read_frame(fixed(SICEP), "D")
write("frames", "d-frame-uhf", bytes([1, 4, len(d)]) + d)
write("frames", "image-vhf-bad-checksum", bytes([2, 0, 3]) + b"\nQ\r" + PROTEUS_X)
nan = bytes.fromhex("7FF8000000000000")
write("frames", "nan-frequency", bytes([0x10, 0, 0]) + SICEP + bytes([0x41]) + nan
      + bytes.fromhex("7FFF"))

# config_file: mode (band = mode % 3, program M6 = bit 2, program UHF = bit 3, through a real
# file when bits 5-7 are set), then the file's bytes.
write("config_file", "m6-vhf", bytes([0x04]) + b"KV" + fixed(PROTEUS_X)[4:])
write("config_file", "before-m6-uhf-file", bytes([0xE9]) + b"WU" + fixed(SICEP)[4:])
write("config_file", "too-short", bytes([0xE0]) + b"KV" + PROTEUS_X[4:20])
write("config_file", "longer-mismatch", bytes([0x00]) + b"K?" + SICEP[4:] + b"tail bytes")

# networks: mode (entries held before when bit 0 is set, through the real file when bits 4-7
# are set), then the file's bytes.
default = b"".join(b"00000Rete non assegnata\r\n" for _ in range(100))
write("networks", "default", bytes([0xF0]) + default)
write("networks", "three-lines", bytes([0xF1]) + b"00012Centrale\r\n00034Nord\n99\r")
write("networks", "empty", bytes([0xF1]))
write("networks", "mixed-line-ends",
      bytes([0x00]) + b"abc\r\r\n\n\xe8\x81\x00xyz\r\n" * 40 + b"last without end")
