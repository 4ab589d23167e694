#!/usr/bin/python3
"""Counts bare numbers that stand for item ids, pictures, flags, menu positions, clip and undo kinds
in the page and window code, and for envelope destination kinds in all of source/.

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
    holds bitmap or picture (such as `buttonPlace(win, id, x, y, 16, 664)`);
  - a flags argument: a number that stands as, or begins, the argument of a parameter named flags or
    ending in Flags (`selectorCreate(..., 0x40, ...)`: the kit names each bit);
  - any other `case N:` label: a switch over a menu's entries, a key or a source names its cases too
    (a menu's positions, the arrow keys, the special MIDI sources);
  - a clip or undo kind: a number passed as the kind of a routine named ...Set...Kind
    (`clipSetCopyKind(2)`), or compared with what a ...Get...Kind routine answers, directly or
    through the variable that keeps it (`kind = clipGetPasteKind(); ... kind == 1`); 0 counts here.
Envelope destination kinds are read in every folder of source/ (the engine and the preset model
too): a destination (a name destination, dest or destKind, or a ...DestKind() call) compared with a
number by == or != (or by <, <=, >, >= with a number above 1: a test for "has a destination" may
read `destination < 1`), a `case N:` of a switch over one, and a number passed as a parameter named
destination.
Parameters are read from every function declared in a header of source/ and from the file's own
functions; a name declared more than once counts a position that any of its declarations gives such a
name, and member calls (obj.f(), p->f(), Class::f()) are left out. Numbers elsewhere are not counted:
positions and sizes, and data tables (a number in a braced list is no argument); nor are 0 and
negative numbers as arguments (none), nor a menu's command ids passed as arguments.
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


def is_flags_param(name):
    return name == "flags" or name.endswith("Flags")


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
                    kind = ("id" if is_id_param(pn) else "picture" if is_picture_param(pn) else
                            "flags" if is_flags_param(pn) else "destination" if pn == "destination" else None)
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
KIND_COMPARE = re.compile(r"(?:\b(\w+)|\b(\w+Get\w*Kind)\s*\(\s*\))\s*(?:==|!=)\s*(" + NUMBER + r")\b(?!\.)")
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
        else:
            found.append((rel, line_of(m.start()), "case label of a menu, key or source", m.group(1)))
    kept = set(re.findall(r"\b(\w+)\s*=\s*\w+Get\w*Kind\s*\(\s*\)", text))
    kept = {k for k in kept if not k.lower().startswith("dest")}
    for m in KIND_COMPARE.finditer(text):
        if m.group(1) and m.group(1) not in kept:
            continue
        if m.group(2) and "Dest" in m.group(2):
            continue
        found.append((rel, line_of(m.start()), "clip or undo kind compared", m.group(3)))
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
        if re.match(r"\w+Set\w*Kind$", name) and args and LEADING_NUMBER.match(args[0][1]):
            found.append((rel, line_of(args[0][0]), "kind argument of " + name, LEADING_NUMBER.match(args[0][1]).group(1)))
        for pos, kind in sigs[name].items():
            if kind == "destination":
                continue  # scan_destinations
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


DEST = r"(?:\b(?:destination|dest|destKind)\b|\b\w+DestKind\s*\(\s*\))"
DEST_COMPARE = re.compile(DEST + r"\s*(==|!=|<=|>=|<|>)\s*(" + NUMBER + r")\b(?!\.)")


def scan_destinations(path, rel, sigs):
    """The bare destination kinds of one file."""
    local = file_signatures(path)
    sigs = dict(sigs)
    sigs.update(local)
    text = strip_comments_and_strings(open(path, encoding="utf-8", errors="replace").read())
    found = []

    def line_of(offset):
        return text.count("\n", 0, offset) + 1

    for m in DEST_COMPARE.finditer(text):
        value = int(m.group(2), 0)
        if value == 0 or (value == 1 and m.group(1) not in ("==", "!=")):
            continue
        found.append((rel, line_of(m.start()), "destination kind compared", m.group(2)))
    for m in CASE.finditer(text):
        if re.search(DEST, switch_subject(text, m.start())):
            found.append((rel, line_of(m.start()), "case label", m.group(1)))
    for m in CALL.finditer(text):
        name = m.group(1)
        if name not in sigs or text[max(0, m.start() - 1):m.start()] in (".", ">", ":"):
            continue
        if re.search(r"(?:\b(?:void|int|bool|auto|u?int\d+_t|double|float|char|const)\s*\*?\s*)$",
                     text[max(0, m.start() - 80):m.start()]):
            continue
        args, _ = split_args(text, m.end() - 1)
        for pos, kind in sigs[name].items():
            if kind != "destination" or pos >= len(args):
                continue
            n = LEADING_NUMBER.match(args[pos][1])
            if n and int(n.group(1), 0) != 0:
                found.append((rel, line_of(args[pos][0]), "destination argument of " + name, n.group(1)))
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
    source = os.path.join(tree, "source")
    for root, dirs, files in os.walk(source):
        dirs.sort()
        for f in sorted(files):
            if f.endswith((".cpp", ".h")):
                path = os.path.join(root, f)
                found += scan_destinations(path, os.path.relpath(path, tree), sigs)
    found = sorted(set(found))
    if "--list" in sys.argv or found:
        for rel, line, what, number in sorted(found):
            print("%s:%d: %s %s" % (rel, line, what, number))
    print("%d bare numbers stand for item ids, pictures, flags, menu positions, kinds or destinations" % len(found))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
