#!/usr/bin/python3
"""Filters lnkinfo's "Local path: ..." lines back to the path the shortcut means.

The local path in a shortcut's link information is 8-bit text in the ANSI
code page of the program that saved it. setup.exe runs in UTF-8
(activeCodePage), and Wine's shell-link object writes no UTF-16 copy of that
path, so its bytes are UTF-8. lnkinfo has no UTF-8 code page: the caller runs
it with windows-1256, which gives every byte a character of its own, and each
character is turned back into its byte here and the bytes read as UTF-8. A
path that is not UTF-8 is left as printed. Other lines pass unchanged.
"""
import sys

PREFIX = "Local path: "


for line in sys.stdin:
    if line.startswith(PREFIX):
        printed = line[len(PREFIX):].rstrip("\n")
        try:
            line = PREFIX + printed.encode("cp1256").decode("utf-8") + "\n"
        except (UnicodeEncodeError, UnicodeDecodeError):
            pass
    sys.stdout.write(line)
