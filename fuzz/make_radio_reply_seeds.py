#!/usr/bin/env python3
"""Writes the seeds of fuzz_radio_replies: well-formed exchanges with a radio, so that
the fuzzer starts deep in every exchange.

An input is three bytes, then the radio's replies:
  byte 0  the exchange: 0 read, 1 write, 2 program with password, 3 change password,
          4 read calibration, 5 write calibration
  byte 1  option bits: 0x01 port search ("autocom"), 0x02 the port does not open,
          0x04 the port is open at the start, 0x08 ...at the fast speed, 0x10 a voice
          package is selected (write), 0x20 overwrite voice data, 0x40 the user confirms
          another model, 0x80 the repeated new password differs
  byte 2  password entries: low nibble the entered (old) one, high nibble the new one,
          indexes into kEntries of fuzz_radio_replies.cpp (0 "", 1 "123456");
          for a write, 0x01 writes the file's calibration area instead of reading the
          radio's own first
  then    replies, each a length byte and that many bytes. The radio's next reply
          arrives when the program reads after writing: one reply answers everything
          written since the last one.

Run from anywhere; writes fuzz/corpus/radio_replies/*.bin.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
OUT = HERE / "corpus" / "radio_replies"

ACK = b"\x06"
NOTHING = b""
# Model 2 of the shipped settings identifies itself in reverse memory order.
IDENT = b"\x00CV U407"
OTHER_IDENT = b"\x00CV U401"  # model 1
BAND_EDGES = bytes.fromhex("0000004700000040")
DEFAULT_VOICE_ID = bytes.fromhex("00000000 00000000 02000112 2389ABCD")
RADIO_VOICE_ID = bytes(range(0x60, 0x70))
RADIO_CALIBRATION = bytes(range(0x80, 0xA0))
# The radio's memory: the demo configuration of the simulator.
IMAGE = (HERE.parent / "sim" / "demo.vxp").read_bytes()[48:48 + 1024]

READ, WRITE, PROGRAM_PASSWORD, CHANGE_PASSWORD, READ_CALIBRATION, WRITE_CALIBRATION = range(6)
PORT_SEARCH, OPEN_AT_START, FAST_AT_START, VOICE_PACKAGE, OVERWRITE_VOICE, CONFIRM = 0x01, 0x04, 0x08, 0x10, 0x20, 0x40
WRITE_CALIBRATION_TOO = 0x01  # byte 2 of a write


def replies(*parts):
    out = bytearray()
    for part in parts:
        assert len(part) < 256
        out += bytes([len(part)]) + part
    return bytes(out)


def data_reply(address, payload):
    return b"W" + bytes([address >> 8, address & 0xFF, len(payload)]) + payload


# "PROGRA" is answered with nothing, then "M" with the acknowledge.
HANDSHAKE = replies(NOTHING, ACK)
# The test-mode connection sends "PROGRAM" whole.
TEST_HANDSHAKE = replies(ACK)


def transfer_read(generation):
    out = HANDSHAKE + replies(IDENT, ACK, bytes([generation, 0x00]))
    block = 8 if generation < 0x20 else 64
    if block == 64:
        out += replies(ACK)  # the fast link
    for address in range(0, 1024, block):
        out += replies(data_reply(address, IMAGE[address:address + block]), ACK)
    if block == 64:
        out += replies(data_reply(0x7FF0, RADIO_VOICE_ID))
    return out


def transfer_write(generation, voice="none", ident=IDENT, with_calibration=False):
    out = HANDSHAKE + replies(ident)
    if ident != IDENT:  # another model: the user confirms, handshake and identification again
        out += replies(ACK, IDENT)
    else:
        out += replies(ACK, data_reply(0x0350, BAND_EDGES))
    out += replies(ACK)
    if not with_calibration:  # the radio's own calibration area, sent back as it is
        for address in range(0x03E0, 0x0400, 8):
            out += replies(data_reply(address, RADIO_CALIBRATION[address - 0x03E0:address - 0x03E0 + 8]), ACK)
    out += replies(bytes([generation, 0x00]))
    block = 8 if generation < 0x20 else 64
    if block == 64:
        out += replies(ACK)
    out += replies(*[ACK] * (1024 // block))
    if voice == "same":  # the radio already holds the package
        out += replies(data_reply(0x7FF0, DEFAULT_VOICE_ID), ACK)
    elif voice == "overwrite":  # invalidation, then the package's two voice blocks
        out += replies(ACK, ACK, ACK)
    return out


def password_block(password):
    return data_reply(0x03E0, bytes(range(0x20, 0x2A)) + bytes([0x00, 0x5A, 0xA5]) + password)


def password_exchange(password, handshake=HANDSHAKE):
    return handshake + replies(IDENT, ACK, password_block(password), ACK, ACK)


def calibration_read():
    out = TEST_HANDSHAKE + replies(IDENT, ACK)
    for offset in range(0, 32, 8):
        out += replies(data_reply(0x03E0 + offset, bytes(range(offset, offset + 8))), ACK)
    return out


SEEDS = {
    "read_first_generation": bytes([READ, 0, 0]) + transfer_read(0x10),
    "read_second_generation": bytes([READ, 0, 0]) + transfer_read(0x20),
    "write_first_generation": bytes([WRITE, 0, 0]) + transfer_write(0x10),
    "write_second_generation": bytes([WRITE, 0, 0]) + transfer_write(0x21),
    "write_with_calibration": bytes([WRITE, 0, WRITE_CALIBRATION_TOO]) + transfer_write(0x20, with_calibration=True),
    "write_voice_radio_has_it": bytes([WRITE, VOICE_PACKAGE, 0]) + transfer_write(0x20, "same"),
    "write_voice_overwrite": bytes([WRITE, VOICE_PACKAGE | OVERWRITE_VOICE, 0]) + transfer_write(0x20, "overwrite"),
    "write_other_model_confirmed": bytes([WRITE, CONFIRM, 0]) + transfer_write(0x10, ident=OTHER_IDENT),
    "program_no_password": bytes([PROGRAM_PASSWORD, 0, 0x00]) + password_exchange(b"\xFF\xFF\xFF"),
    "program_password": bytes([PROGRAM_PASSWORD, 0, 0x01]) + password_exchange(bytes.fromhex("BF8F53")),
    # The configured port is silent; the search finds the radio on port 1.
    "program_after_port_search": bytes([PROGRAM_PASSWORD, PORT_SEARCH, 0x00])
    + replies(NOTHING, NOTHING) + password_exchange(b"\xFF\xFF\xFF"),
    "program_port_left_fast": bytes([PROGRAM_PASSWORD, OPEN_AT_START | FAST_AT_START, 0x00])
    + password_exchange(b"\xFF\xFF\xFF"),
    "change_password": bytes([CHANGE_PASSWORD, 0, 0x10]) + password_exchange(b"\xFF\xFF\xFF"),
    "read_calibration": bytes([READ_CALIBRATION, 0, 0]) + calibration_read(),
    "write_calibration": bytes([WRITE_CALIBRATION, 0, 0]) + TEST_HANDSHAKE + replies(IDENT, ACK, ACK, ACK, ACK, ACK),
}


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, seed in SEEDS.items():
        (OUT / f"{name}.bin").write_bytes(seed)


if __name__ == "__main__":
    main()
