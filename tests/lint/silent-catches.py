#!/usr/bin/env python3
"""Names every catch block of the product's code that lets its exception disappear without a word.

A catch block passes when it rethrows, logs (SAL_WARN, SAL_INFO), tells the user or the caller
(std::cerr, std::current_exception) or hands the caught exception on by its name. The stand-in
libraries' C entry points are left out: a status code is how a C library answers."""
import pathlib
import re
import sys

# Every folder of the product's code is read, new ones too; tests and builds are not the product.
LEFT_OUT = {"tests", "standins/eseal", "standins/qorv"}
SPEAKS = re.compile(r"\b(SAL_WARN|SAL_INFO|throw|std::cerr|current_exception)\b")
CATCH = re.compile(r"\bcatch\s*\(([^()]*)\)\s*\{")


def body_after(text, start):
    """The text between the brace at `start` and the brace that closes it."""
    depth = 0
    for i in range(start, len(text)):
        if text[i] == "{":
            depth += 1
        elif text[i] == "}":
            depth -= 1
            if depth == 0:
                return text[start + 1:i]
    return text[start + 1:]


def without_comments(text):
    text = re.sub(r"/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group(0)), text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def silent_catches(path):
    text = without_comments(path.read_text(encoding="utf-8"))
    for match in CATCH.finditer(text):
        declaration = match.group(1).strip()
        name = re.search(r"[&*\s](\w+)$", declaration) if declaration != "..." else None
        body = body_after(text, match.end() - 1)
        if SPEAKS.search(body):
            continue
        if name and re.search(r"\b%s\b" % re.escape(name.group(1)), body):
            continue
        yield text.count("\n", 0, match.start()) + 1, declaration


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    found = 0
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cxx", ".hxx", ".h") or not path.is_file():
            continue
        parts = path.relative_to(root).parts
        if parts[0].startswith((".", "build")) or any(
            "/".join(parts[:depth]) in LEFT_OUT for depth in (1, 2)
        ):
            continue
        for line, declaration in silent_catches(path):
            print(f"{path.relative_to(root)}:{line}: catch ({declaration}) swallows its "
                  "exception without a word: log it with SAL_WARN or SAL_INFO")
            found += 1
    print(f"{found} silent catch block(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
