#!/usr/bin/python3
"""Counts bare numbers that stand for item ids or pictures in the page and window code.

    check_named_ids.py [TREE] [--list]

TREE is the source tree (default: this script's tree). The folders read are source/pages, source/app,
source/wave, source/midi and source/envelope (.cpp and .h files); comments and strings are skipped.
What counts, one each:
  - a `case N:` label of a switch over an id, a type or a kind (its subject holds a name ending in id,
    Id, type, Type, kind or Kind): such a switch names its cases. A switch over a menu's chosen entry
    (its place in the list), a key or a message is not counted;
  - a comparison of an id with a number: `id == N`, `itemId < N`, `item->id != N` (a name ending in
    id or Id, then ==, !=, <, <=, >, >=, then a number);
  - an item id argument: a number that stands as, or begins, the argument of a parameter named id or
    ending in Id (such as `ctrlShow(win, 54, ...)` or `cid(c, 54 + k)`), or of a parameter k of a call
    that makes ids from a base (`id(54)`, `cid(c, 54)`, `rowId(c, 2)`: named id, cid or ending in Id);
  - a picture argument: a number that stands as, or begins, the argument of a parameter whose name
    holds bitmap or picture (such as `buttonPlace(win, id, x, y, 16, 664)`).
Parameters are read from every function declared in a header of source/ and from the file's own
functions; a name declared more than once counts a position that any of its declarations gives such a
name, and member calls (obj.f(), p->f(), Class::f()) are left out. Numbers elsewhere are not counted:
positions and sizes, and data tables (a number in a braced list is no argument); nor are 0 and
negative numbers (none), nor a menu's command ids (the places of its entries).
Exits 1 when the count is above zero; --list prints each place even then.
"""
import os
import re
import sys

FOLDERS = ["source/pages", "source/app", "source/wave", "source/midi", "source/envelope"]
NUMBER = r"(?:0[xX][0-9a-fA-F]+|\d+)"


def strip_comments_and_strings(text):
    """The text with comments and string and character literals blanked (line breaks kept)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + " " * (j - i - 2) + c if j - i >= 2 else text[i:j])
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def split_args(text, start):
    """The top-level arguments of the call whose '(' is at start: [(offset, text)], end offset."""
    depth, i, args, begin = 0, start, [], start + 1
    while i < len(text):
        c = text[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append((begin, text[begin:i]))
                return args, i
        elif c == "," and depth == 1:
            args.append((begin, text[begin:i]))
            begin = i + 1
        i += 1
    return args, i


DECL = re.compile(r"\b([A-Za-z_]\w*)\s*\(([^;{}()]*(?:\([^()]*\)[^;{}()]*)*)\)\s*(?:const\s*)?[;{]")
LAMBDA = re.compile(r"\bauto\s+([A-Za-z_]\w*)\s*=\s*\[[^\]]*\]\s*\(([^()]*)\)")
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "static_cast", "reinterpret_cast", "catch"}


def param_name(param):
    param = param.split("=")[0].strip()
    m = re.search(r"([A-Za-z_]\w*)\s*(?:\[[^\]]*\])?$", param)
    return m.group(1) if m else ""


def is_id_param(name):
    # a menu's command ids are its entries' places in the list, not item ids
    return name == "id" or (name.endswith("Id") and name != "commandId")


def is_picture_param(name):
    low = name.lower()
    return ("bitmap" in low or "picture" in low) and not low.endswith("s")


def file_signatures(path, sigs=None):
    """name -> {position: 'id' | 'picture'} from the declarations and definitions of one file."""
    sigs = {} if sigs is None else sigs
    text = strip_comments_and_strings(open(path, encoding="utf-8", errors="replace").read())
    if True:
        if True:
            for m in list(DECL.finditer(text)) + list(LAMBDA.finditer(text)):
                name, params = m.group(1), m.group(2)
                if name in KEYWORDS or not params.strip():
                    continue
                parts = [p for p in re.split(r",(?![^()]*\))", params)]
                # a declaration has typed parameters: each part two words at least
                if not all(len(re.findall(r"[A-Za-z_]\w*", p.split("=")[0])) >= 2 for p in parts):
                    continue
                sigs.setdefault(name, {})
                for pos, p in enumerate(parts):
                    pn = param_name(p)
                    kind = "id" if is_id_param(pn) else "picture" if is_picture_param(pn) else None
                    if pn == "k" and (name in ("id", "cid") or name.endswith("Id")):
                        kind = "id"
                    if kind:
                        sigs.setdefault(name, {})[pos] = kind
    return sigs


def read_signatures(tree):
    """The signatures of every header in source/: what a file calls that it does not define."""
    sigs = {}
    for root, _, files in os.walk(os.path.join(tree, "source")):
        for f in files:
            if f.endswith(".h"):
                file_signatures(os.path.join(root, f), sigs)
    return sigs


CALL = re.compile(r"\b([A-Za-z_]\w*)\s*\(")
LEADING_NUMBER = re.compile(r"\s*(?:static_cast<\w+>\()?\s*(" + NUMBER + r")\b(?!\.|\s*\*)")
CASE = re.compile(r"\bcase\s+(-?" + NUMBER + r")\s*:")
COMPARE = re.compile(r"\b\w*(?:id|Id)\s*(?:==|!=|<=|>=|<|>)\s*(?!0\b)(" + NUMBER + r")\b(?!\.|\s*\*)")


def switch_subject(text, offset):
    """The controlling expression of the innermost switch whose block holds offset ('' for none)."""
    depth = 0
    i = offset
    while i > 0:
        i -= 1
        c = text[i]
        if c == "}":
            depth += 1
        elif c == "{":
            if depth == 0:
                m = re.search(r"\bswitch\s*\((.*)\)\s*$", text[max(0, i - 200):i], re.S)
                if m:
                    return m.group(1)
            else:
                depth -= 1
    return ""


def scan(path, rel, sigs):
    # a file's own helpers (a local button() or box()) stand before the headers' names
    local = file_signatures(path)
    own = set(local)
    sigs = dict(sigs)
    for n in own:
        sigs[n] = local.get(n, {})
    for n, v in local.items():
        sigs.setdefault(n, v)
    text = strip_comments_and_strings(open(path, encoding="utf-8", errors="replace").read())
    found = []

    def line_of(offset):
        return text.count("\n", 0, offset) + 1

    for m in CASE.finditer(text):
        subject = switch_subject(text, m.start())
        if re.search(r"(?:id|Id|ID|type|Type|kind|Kind)\b", subject):
            found.append((rel, line_of(m.start()), "case label", m.group(1)))
    for m in COMPARE.finditer(text):
        found.append((rel, line_of(m.start()), "id compared", m.group(1)))
    for m in CALL.finditer(text):
        name = m.group(1)
        if name not in sigs:
            continue
        # a member call (obj.f, p->f, Class::f) is not resolved by name: left out
        if text[max(0, m.start() - 1):m.start()] in (".", ">", ":"):
            continue
        # a declaration or definition is no call
        before = text[max(0, m.start() - 80):m.start()]
        if re.search(r"(?:\b(?:void|int|bool|auto|u?int\d+_t|double|float|char|ControlItem\*|const)\s*\*?\s*)$", before):
            continue
        args, _ = split_args(text, m.end() - 1)
        for pos, kind in sigs[name].items():
            if pos >= len(args):
                continue
            offset, arg = args[pos]
            n = LEADING_NUMBER.match(arg)
            if not n:
                continue
            value = int(n.group(1), 0)
            if value == 0:
                continue
            if re.match(r"\s*-", arg):
                continue
            found.append((rel, line_of(offset), kind + " argument of " + name, n.group(1)))
    return found


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    tree = args[0] if args else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    sigs = read_signatures(tree)
    found = []
    for folder in FOLDERS:
        base = os.path.join(tree, folder)
        if not os.path.isdir(base):
            continue
        for f in sorted(os.listdir(base)):
            if f.endswith((".cpp", ".h")):
                found += scan(os.path.join(base, f), os.path.join(folder, f), sigs)
    if "--list" in sys.argv or found:
        for rel, line, what, number in sorted(found):
            print("%s:%d: %s %s" % (rel, line, what, number))
    print("%d bare numbers stand for item ids or pictures" % len(found))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
