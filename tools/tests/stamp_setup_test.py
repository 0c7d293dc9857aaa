"""tools/stamp-setup pins a payload's digest into setup.exe, the same for the
payload signed or not, and refuses, naming why and writing nothing, what is not
a setup.exe of ours or not a payload it can pin."""
import hashlib
import os
import struct
import tempfile
import unittest

from tool_runs import STAMP_SETUP, run

MARKER = b"QbPayloadPin/1:\0"
OPTIONAL = 0x40 + 24
CHECKSUM_AT = OPTIONAL + 64
SECURITY_ENTRY_AT = OPTIONAL + 128


def program(body, magic=0x10B):
    """A PE32 program's headers (16 data directories, no signature) and body."""
    header = bytearray(OPTIONAL + 224)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    struct.pack_into("<I", header, 0x40, 0x4550)
    struct.pack_into("<H", header, 0x40 + 20, 224)
    struct.pack_into("<H", header, OPTIONAL, magic)
    struct.pack_into("<I", header, OPTIONAL + 92, 16)
    return bytes(header) + body


def signed(data, table=b"\x30" * 24, at=None):
    """As a signature leaves a program: checksum set, a table appended and named."""
    out = bytearray(data)
    struct.pack_into("<I", out, CHECKSUM_AT, 0x0BADF00D)
    struct.pack_into("<II", out, SECURITY_ENTRY_AT, len(data) if at is None else at, len(table))
    return bytes(out) + table


def checksum(data):
    """The PE checksum as the image help library computes it: 32-bit sums of
    16-bit words with the carry folded in, the field itself read as zero."""
    data = bytearray(data + b"\0" * (len(data) % 2))
    data[CHECKSUM_AT:CHECKSUM_AT + 4] = bytes(4)
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


class StampSetupTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.folder = scratch.name
        self.setup = self.write("setup.exe", program(b"code " + MARKER + bytes(32) + b" data"))
        self.payload = self.write("qbar47.dat", program(b"archive!" * 100))
        self.out = os.path.join(self.folder, "stamped.exe")

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as file:
            file.write(data)
        return path

    def read(self, path):
        with open(path, "rb") as file:
            return file.read()

    def stamped_digest(self):
        data = self.read(self.out)
        at = data.index(MARKER) + len(MARKER)
        return data[at:at + 32]

    def test_writes_the_digest_behind_the_marker_and_a_true_checksum(self):
        self.assertEqual((0, ""), run(STAMP_SETUP, self.setup, self.payload, self.out))
        self.assertEqual(hashlib.sha256(self.read(self.payload)).digest(), self.stamped_digest())
        out = self.read(self.out)
        self.assertEqual(checksum(out), struct.unpack_from("<I", out, CHECKSUM_AT)[0])
        before, after = self.read(self.setup), out
        changed = [i for i in range(len(before)) if before[i] != after[i]]
        self.assertTrue(all(i in range(CHECKSUM_AT, CHECKSUM_AT + 4) or
                            i in range(before.index(MARKER) + 16, before.index(MARKER) + 48)
                            for i in changed), changed)

    def test_a_signed_payload_has_the_digest_of_the_unsigned_one(self):
        run(STAMP_SETUP, self.setup, self.payload, self.out)
        unsigned_digest = self.stamped_digest()
        self.write("qbar47.dat", signed(self.read(self.payload)))
        self.assertEqual((0, ""), run(STAMP_SETUP, self.setup, self.payload, self.out))
        self.assertEqual(unsigned_digest, self.stamped_digest())

    def test_refuses_naming_why_and_writes_nothing(self):
        payload = self.read(self.payload)
        setup = self.read(self.setup)
        cases = [
            ("setup.exe", b"not a program", "SETUP is not a PE program"),
            ("setup.exe", program(b"no pin here"),
             "SETUP is not a setup.exe of ours: it holds no payload pin"),
            ("setup.exe", program(MARKER + bytes(32) + MARKER + bytes(32)), "occurs 2 times"),
            ("setup.exe", signed(setup), "SETUP is signed"),
            ("qbar47.dat", b"MZ but nothing more", "PAYLOAD is not a PE program"),
            ("qbar47.dat", program(b"x" * 64, magic=0x107), "unknown optional header magic"),
            ("qbar47.dat", signed(payload, at=len(payload) - 8), "does not end the file"),
            ("qbar47.dat", payload + b"odd", "not a multiple of 8"),
        ]
        for name, data, why in cases:
            with self.subTest(why=why):
                self.write("setup.exe", setup)
                self.write("qbar47.dat", payload)
                self.write(name, data)
                self.write("stamped.exe", b"left as it was")
                code, errors = run(STAMP_SETUP, self.setup, self.payload, self.out)
                self.assertEqual(1, code)
                self.assertIn(why, errors)
                self.assertTrue(errors.rstrip().endswith("nothing written"), errors)
                self.assertEqual(b"left as it was", self.read(self.out))
                self.assertEqual(["qbar47.dat", "setup.exe", "stamped.exe"],
                                 sorted(os.listdir(self.folder)))


if __name__ == "__main__":
    unittest.main()
