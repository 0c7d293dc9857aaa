#!/usr/bin/python3
"""Reads a Wine prefix's registry files (system.reg, user.reg), not through Wine.

Used by the end-to-end checks so that what setup.exe wrote is read by a
parser of ours, after the prefix's wineserver has saved the registry.

  regfile.py PREFIX value 'HKLM\\Key\\Path' NAME    data of a value ('@' = default); exit 1 if absent
  regfile.py PREFIX type  'HKLM\\Key\\Path' NAME    its type: str, str(2), dword, hex...
  regfile.py PREFIX key   'HKCR\\.Quillbar'         exit 0 when the key exists
  regfile.py PREFIX dump  'HKLM\\Key\\Path'         the key and its subkeys, value by value
  regfile.py PREFIX diff  OTHER_PREFIX             keys and values that differ (OTHER first)
"""
import os
import re
import sys

ROOTS = {
    "HKLM": ("system.reg", ""),
    "HKEY_LOCAL_MACHINE": ("system.reg", ""),
    "HKCR": ("system.reg", "software\\classes\\"),
    "HKEY_CLASSES_ROOT": ("system.reg", "software\\classes\\"),
    "HKCU": ("user.reg", ""),
    "HKEY_CURRENT_USER": ("user.reg", ""),
}


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            i += 2
            if n == "x":
                digits = re.match(r"[0-9a-fA-F]{1,4}", text[i:])
                if digits:
                    out.append(chr(int(digits.group(0), 16)))
                    i += len(digits.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            continue
        out.append(c)
        i += 1
    # Wine escapes each UTF-16 unit on its own: a character beyond U+FFFF
    # comes as two surrogates, joined here so that it compares with the text
    # a scenario names.
    return "".join(out).encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace")


def split_quoted(text):
    """The quoted string at the start of text, unescaped, and the rest."""
    assert text[0] == '"'
    i = 1
    while i < len(text) and text[i] != '"':
        i += 2 if text[i] == "\\" else 1
    return unescape(text[1:i]), text[i + 1:]


def load(path):
    """{lower-cased key path: (key path, {lower-cased name: (name, type, data)})}"""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        while line.endswith("\\") and i + 1 < len(lines):
            i += 1
            line = line[:-1] + lines[i].lstrip()
        i += 1
        if line.startswith("["):
            end = line.rfind("]")
            name = unescape(line[1:end])
            current = keys.setdefault(name.lower(), (name, {}))[1]
        elif current is not None and (line.startswith('"') or line.startswith("@")):
            if line.startswith("@"):
                name, rest = "@", line[1:]
            else:
                name, rest = split_quoted(line)
            rest = rest[1:]  # the '='
            if rest.startswith('"'):
                kind, data = "str", split_quoted(rest)[0]
            elif rest.startswith("str("):
                kind = rest[:rest.index(")") + 1]
                data = split_quoted(rest[len(kind) + 1:])[0]
            else:
                kind, _, data = rest.partition(":")
            current[name.lower()] = (name, kind, data)
    return keys


def locate(prefix, path):
    root, _, rest = path.partition("\\")
    if root.upper() not in ROOTS:
        sys.exit(f"regfile.py: unknown root in {path}")
    file_name, inner = ROOTS[root.upper()]
    return os.path.join(prefix, file_name), (inner + rest).lower()


def main():
    prefix, command = sys.argv[1], sys.argv[2]
    if command == "diff":
        other = sys.argv[3]
        changed = 0
        for file_name in ("system.reg", "user.reg"):
            before, after = load(os.path.join(other, file_name)), load(os.path.join(prefix, file_name))
            for key in sorted(set(before) | set(after)):
                if key not in after:
                    print(f"{file_name}: key removed [{before[key][0]}]")
                    changed += 1
                    continue
                if key not in before:
                    print(f"{file_name}: key added [{after[key][0]}]")
                    changed += 1
                old, new = before.get(key, ("", {}))[1], after[key][1]
                for name in sorted(set(old) | set(new)):
                    if old.get(name) != new.get(name):
                        print(f"{file_name}: [{after[key][0]}] {name}: {old.get(name)} -> {new.get(name)}")
                        changed += 1
        return 0
    file_name, key = locate(prefix, sys.argv[3])
    keys = load(file_name)
    if command == "key":
        return 0 if key in keys else 1
    if command in ("value", "type"):
        values = keys.get(key, ("", {}))[1]
        found = values.get(sys.argv[4].lower())
        if found is None:
            return 1
        print(found[2] if command == "value" else found[1])
        return 0
    if command == "dump":
        for name in sorted(k for k in keys if k == key or k.startswith(key + "\\")):
            print(f"[{keys[name][0]}]")
            for value_name, kind, data in keys[name][1].values():
                print(f"  {value_name} ({kind}) = {data}")
        return 0
    sys.exit(f"regfile.py: unknown command {command}")


if __name__ == "__main__":
    sys.exit(main())
