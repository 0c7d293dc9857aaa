"""Runs the build scripts of tools/ as a release engineer would, in scratch folders."""
import os
import subprocess
import sys

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
BUILD_PAYLOAD = os.path.join(TOOLS, "build-payload")
MAKE_SAMPLE_PRODUCT = os.path.join(TOOLS, "sample", "make-sample-product")
STAMP_SETUP = os.path.join(TOOLS, "stamp-setup")


def run(script, *arguments):
    """The script's exit code and its standard error."""
    done = subprocess.run([sys.executable, script, *arguments], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    return done.returncode, done.stderr


def make_sample_product(scratch, out):
    """Makes the sample product in out from stand-in programs written to scratch."""
    inputs = []
    for option in ("quillbar", "qbarconf", "module", "main-module", "setup"):
        path = os.path.join(scratch, option + ".bin")
        with open(path, "wb") as stand_in:
            stand_in.write(b"MZ stand-in " + option.encode("ascii"))
        inputs += ["--" + option, path]
    return run(MAKE_SAMPLE_PRODUCT, out, *inputs)
