#!/usr/bin/env python3
"""The payload builder refuses exactly the names the self-extractor refuses.

Reads the names table that the archive reader's native test reads, so the two
rules cannot drift apart: a release never holds a name that will not unpack.
"""
import importlib.machinery
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BUILDER = os.path.join(HERE, "..", "..", "..", "tools", "build-payload")


def load_builder():
    loader = importlib.machinery.SourceFileLoader("build_payload", BUILDER)
    spec = importlib.util.spec_from_loader("build_payload", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def name_table():
    """(allowed, name) pairs; names decoded as os.listdir would decode them."""
    cases = []
    with open(os.path.join(HERE, "names.txt"), "rb") as table:
        for line in table.read().decode("ascii").splitlines():
            if not line or line.startswith("#"):
                continue
            quoted = line[line.index('"') + 1:line.rindex('"')]
            raw, i = bytearray(), 0
            while i < len(quoted):
                if quoted[i] == "\\" and quoted[i + 1] == "x":
                    raw.append(int(quoted[i + 2:i + 4], 16))
                    i += 4
                elif quoted[i] == "\\":
                    raw += quoted[i + 1].encode()
                    i += 2
                else:
                    raw += quoted[i].encode()
                    i += 1
            cases.append((line.startswith("allow "), raw.decode("utf-8", "surrogateescape")))
    return cases


class BuildPayloadNames(unittest.TestCase):
    def test_refuses_the_names_the_self_extractor_refuses(self):
        builder = load_builder()
        cases = name_table()
        self.assertGreater(len(cases), 40)
        for allowed, name in cases:
            with self.subTest(name=name):
                self.assertEqual(allowed, builder.refusal(name) is None, builder.refusal(name))

    def test_a_refused_name_stops_the_build_before_anything_is_written(self):
        with tempfile.TemporaryDirectory() as scratch:
            stub = os.path.join(scratch, "stub.exe")
            product = os.path.join(scratch, "product")
            out = os.path.join(scratch, "out.dat")
            os.makedirs(product)
            for name in ("readme.txt", "nul .txt", "IMPORT~1.TXT"):
                with open(os.path.join(product, name), "wb") as f:
                    f.write(b"x")
            with open(stub, "wb") as f:
                f.write(b"MZ")
            run = subprocess.run([sys.executable, BUILDER, stub, product, out],
                                 capture_output=True, text=True)
            self.assertEqual(1, run.returncode)
            self.assertIn("nul .txt: is a device name", run.stderr)
            self.assertIn("IMPORT~1.TXT: has the form of a short (8.3) alias", run.stderr)
            self.assertEqual(["product", "stub.exe"], sorted(os.listdir(scratch)))


if __name__ == "__main__":
    unittest.main()
