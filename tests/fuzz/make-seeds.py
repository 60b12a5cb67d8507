#!/usr/bin/env python3
"""Writes the hand-made seeds of fuzz_recorder, fuzz_send_cue_sheet and
fuzz_sgio: command sequences a burning program sends, in each harness's
input layout. Run from tests/fuzz/."""
import struct

NONE, IN, OUT = 0, 1, 2
LENGTHS = {6: 0, 10: 1, 12: 2, 16: 3}


def command(cdb, way=NONE, length=0, data=b""):
    """One command of fuzz_recorder: header, 16-bit length, block, data out."""
    cdb = bytes(cdb)
    header = LENGTHS[len(cdb)] | way << 2
    if way == OUT:
        length = len(data)
    return bytes([header]) + struct.pack(">H", length) + cdb + (data if way == OUT else b"")


def cdb10(*head, length=0):
    return bytes(head) + bytes(10 - len(head))


def write_page(write_type, track_mode, block_type, multisession=0, session_format=0):
    """MODE SELECT(10) data: the header and the write parameters page."""
    page = bytearray(52)
    page[0], page[1] = 0x05, 50
    page[2] = 0x40 | write_type
    page[3] = multisession << 6 | track_mode
    page[4] = block_type
    page[8] = session_format
    page[10:14] = struct.pack(">I", 150 if write_type == 2 else 0)[0:4]
    return bytes(8) + bytes(page)


def msf(lba):
    frames = lba + 150
    return bytes([frames // 4500, frames // 75 % 60, frames % 75])


def cue_entry(ctl_adr, track, index, form, lba):
    return bytes([ctl_adr, track, index, form, 0]) + msf(lba)


def audio_cue(cd_text=False):
    return (cue_entry(0x01, 0, 0, 0x41 if cd_text else 0x01, -150)
            + cue_entry(0x01, 1, 0, 0x00, -150) + cue_entry(0x01, 1, 1, 0x00, 0)
            + cue_entry(0x01, 2, 1, 0x00, 300) + cue_entry(0x01, 0xAA, 1, 0x01, 600))


def data_cue():
    catalog = b"0123456789012"
    return (bytes([0x02]) + catalog[:7] + bytes([0x02]) + catalog[7:] + b"\0"
            + cue_entry(0x41, 0, 0, 0x14, -150) + cue_entry(0x41, 1, 0, 0x14, -150)
            + cue_entry(0x41, 1, 1, 0x10, 0) + cue_entry(0x41, 0xAA, 1, 0x14, 40))


INQUIRY = command([0x12, 0, 0, 0, 96, 0], IN, 96)
TUR = command([0x00] * 6)
SENSE = command([0x03, 0, 0, 0, 18, 0], IN, 18)
CONFIG = command(cdb10(0x46, 0x02, 0, 0, 0, 0, 0, 0x10, 0), IN, 4096)
DISC_INFO = command(cdb10(0x51, 0, 0, 0, 0, 0, 0, 0, 34), IN, 34)
TRACK_INFO = command(cdb10(0x52, 1, 0, 0, 0, 0xFF, 0, 0, 36), IN, 36)
TOC = command(cdb10(0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24), IN, 804)
FULL_TOC = command(cdb10(0x43, 0x02, 2, 0, 0, 0, 1, 0x03, 0x24), IN, 804)
CAPACITY = command(cdb10(0x25), IN, 8)
BUFFER = command(cdb10(0x5C, 0, 0, 0, 0, 0, 0, 0, 12), IN, 12)
SYNC = command(cdb10(0x35))
EVENTS = command(cdb10(0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8), IN, 8)
PERFORMANCE = command([0xAC, 0, 0, 0, 0, 0, 0, 0, 0, 1, 3, 0], IN, 32)
SPEED = command([0xBB, 0, 0xFF, 0xFF, 0x56, 0x90, 0, 0, 0, 0, 0, 0])


def write10(lba, blocks, size):
    cdb = bytes([0x2A, 0]) + struct.pack(">i", lba) + bytes([0, 0, blocks, 0])
    return command(cdb, OUT, data=bytes((i * 7) & 0xFF for i in range(blocks * size)))


def read_cd(lba, blocks):
    cdb = bytes([0xBE, 0]) + struct.pack(">i", lba) + bytes([0, 0, blocks, 0xF8, 0, 0])
    return command(cdb, IN, blocks * 2352)


def close(what, number):
    return command(cdb10(0x5B, 0, what, 0, 0, number))


def mode_select(data):
    return command(cdb10(0x55, 0x10, 0, 0, 0, 0, 0, 0, len(data)), OUT, data=data)


PROBE = INQUIRY + TUR + SENSE + CONFIG + DISC_INFO + TRACK_INFO + PERFORMANCE + SPEED + BUFFER + EVENTS


def seeds():
    # Setup bytes: 0 CD-R, 1 CD-RW, 2 DVD-R, 3 DVD-RW, 4 DVD+R, 5 DVD+RW, 6 empty tray.
    tao = (PROBE + mode_select(write_page(1, 4, 8, multisession=3)) + write10(0, 2, 2048) + SYNC
           + close(1, 1) + close(2, 0) + DISC_INFO + TOC + FULL_TOC + CAPACITY + read_cd(0, 1)
           + TRACK_INFO + mode_select(write_page(1, 4, 8)) + write10(11430, 1, 2048) + SYNC + close(2, 0))
    yield "recorder/cd-r-two-sessions", bytes([0]) + tao
    yield "recorder/cd-rw-blank", bytes([1]) + tao + command([0xA1, 0x11] + [0] * 10) + DISC_INFO
    sao = (PROBE + mode_select(write_page(2, 0, 0)) + command(cdb10(0x5D, 0, 0, 0, 0, 0, 0, 0, 40), OUT,
                                                              data=audio_cue())
           + write10(-150, 2, 2352) + SYNC + DISC_INFO + TOC)
    yield "recorder/cd-r-session-at-once", bytes([0]) + sao
    yield "recorder/dvd-r-disc-at-once", bytes([2]) + PROBE + command(
        [0x53, 0, 0, 0, 0, 0, 0, 0, 0x10, 0]) + mode_select(write_page(2, 5, 8)) + write10(0, 2, 2048) + SYNC + close(2, 0) + DISC_INFO
    yield "recorder/dvd+rw-format", bytes([5]) + PROBE + command(
        [0x04, 0x11, 0, 0, 0, 0], OUT, data=bytes([0, 2, 0, 8, 0, 0, 0, 0, 0x26 << 2, 0, 0, 0])) + write10(16, 2, 2048) + CAPACITY
    yield "recorder/dvd+r-tray", bytes([4]) + PROBE + command([0x1E, 0, 0, 0, 1, 0]) + command(
        [0x1B, 0, 0, 0, 2, 0]) + command([0x1E, 0, 0, 0, 0, 0]) + command([0x1B, 0, 0, 0, 2, 0]) + command([0x1B, 0, 0, 0, 3, 0]) + EVENTS + TUR
    yield "recorder/empty-tray", bytes([6]) + PROBE + CAPACITY + TOC
    yield "send_cue_sheet/audio", bytes([0, 0]) + audio_cue()
    yield "send_cue_sheet/audio-cd-text", bytes([0, 0]) + audio_cue(cd_text=True)
    yield "send_cue_sheet/data-catalog", bytes([0, 0]) + data_cue()


for name, data in seeds():
    with open(name, "wb") as f:
        f.write(data)
