#!/usr/bin/env python3
"""Checks every #include in source/ against the layer map in README.md (the ```layers block), and every
#include in the in-house libraries against the libraries they link.

Usage: check-layers.py [ROOT]   (ROOT: the tree's root, by default the one holding this script)
Prints one line per include that runs against the map and exits 1 when there is any, 2 when the map
itself cannot be read.

The map lists layers in order, one a line: a name, its entries, then optionally "libs:" with the
in-house libraries its files may include ("gp-win32": gp from _win32 files only; "gp/GPClamp.h": that one
header of gp, from any file, which must itself include nothing but the standard library); an indented line
adds entries (and libraries) to the layer above. An entry is a folder of source/ or one file in it; a
file entry takes the file out of its folder's layer, and a .cpp entry takes its header along. A file
may include headers of its own layer and of earlier layers.

Includes are resolved as the compiler finds them: a quoted one first beside the including file (so
"../app/x.h" is app/x.h), then under source/ and by name in the libraries; an angle-bracket one the
same way but for the first step. Headers of neither (system headers beyond the C and C++ standard
library, generated ones) belong to the platform: a layer without a full library ("gp", not
"gp-win32") is platform-free and reaches them only from its per-platform files (_win32, _posix).

The libraries are the top folders whose CMakeLists.txt builds a library of the folder's name; their
sources lie under src/. A library's files may include its own headers and those of the libraries it
links (target_link_libraries), directly or through another, and nothing of source/.

The files of later folders that the sound core builds are listed twice, as the core's file entries in
the map and as MORVANE_CORE_EDITOR_FILES in source/CMakeLists.txt: the two lists must agree.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*(["<])([^">]+)[">]')
CODE = (".h", ".cpp", ".c")
TWIN = re.compile(r"_(win32|posix)\.c(pp)?$")  # a per-platform file, built for its platform only
INTRINSICS = re.compile(r"^[a-z0-9]*intrin\.h$")  # the compiler's vector intrinsics
STANDARD = frozenset("""
    algorithm any array atomic barrier bit bitset charconv chrono compare complex concepts
    condition_variable coroutine deque exception execution filesystem format forward_list fstream
    functional future initializer_list iomanip ios iosfwd iostream istream iterator latch limits list
    locale map memory memory_resource mutex new numbers numeric optional ostream queue random ranges
    ratio regex scoped_allocator semaphore set shared_mutex source_location span sstream stack
    stdexcept stop_token streambuf string string_view system_error thread tuple type_traits typeindex
    typeinfo unordered_map unordered_set utility valarray variant vector version
    cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal cstdarg cstddef
    cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype
    assert.h ctype.h errno.h fenv.h float.h inttypes.h limits.h locale.h math.h setjmp.h signal.h
    stdarg.h stdbool.h stddef.h stdint.h stdio.h stdlib.h string.h time.h uchar.h wchar.h wctype.h
    """.split())


def read(path):
    return open(path, encoding="utf-8", errors="replace").read()


def read_libraries(root):
    """{library: set of the libraries it links, directly or through another}"""
    direct = {}
    for name in sorted(os.listdir(root)):
        cmake = os.path.join(root, name, "CMakeLists.txt")
        if not os.path.isfile(cmake):
            continue
        text = read(cmake)
        if not re.search(r"\badd_library\(%s\s" % re.escape(name), text):
            continue
        links = set()
        for args in re.findall(r"\btarget_link_libraries\(%s\s([^)]*)\)" % re.escape(name), text):
            links.update(args.split())
        direct[name] = links
    reach = {}
    for lib in direct:
        seen, todo = set(), [l for l in direct[lib] if l in direct]
        while todo:
            l = todo.pop()
            if l not in seen:
                seen.add(l)
                todo.extend(m for m in direct[l] if m in direct)
        reach[lib] = seen
    return reach


def code_files(top):
    """Paths under top, relative to it, of its C and C++ files, sorted."""
    return sorted(
        os.path.relpath(os.path.join(d, f), top) for d, _, fs in os.walk(top) for f in fs if f.endswith(CODE))


class Map:
    def __init__(self, root, libraries):
        text = read(os.path.join(root, "README.md"))
        m = re.search(r"^```layers\n(.*?)^```", text, re.S | re.M)
        if not m:
            raise ValueError("README.md has no ```layers block")
        self.names = []  # the layers in order
        self.libs = []  # per layer: the libraries its files may include, "-win32" ones apart
        self.headers = []  # per layer: {(library, header)}: single platform-free headers of a library
        self.entries = []  # per layer: its folders and files
        for line in m.group(1).splitlines():
            if not line.strip():
                continue
            rest, _, libs = line.partition("libs:")
            words = rest.split()
            if not line[:1].isspace():
                if len(words) < 2:
                    raise ValueError("layer line without entries: " + line)
                self.names.append(words.pop(0))
                self.libs.append(set())
                self.headers.append(set())
                self.entries.append([])
            elif not self.names:
                raise ValueError("continuation line without a layer: " + line)
            for lib in libs.split():
                lib, _, header = lib.partition("/")
                if (lib[:-len("-win32")] if lib.endswith("-win32") and not header else lib) not in libraries:
                    raise ValueError("unknown library %s in layer %s" % (lib, self.names[-1]))
                if header:
                    self.headers[-1].add((lib, header))
                else:
                    self.libs[-1].add(lib)
            self.entries[-1].extend(words)
        self.rank = {}  # entry (folder, file, or a .cpp file's stem) -> layer index
        for i, entries in enumerate(self.entries):
            for entry in entries:
                key = entry
                if entry.endswith((".cpp", ".c")):
                    key = os.path.splitext(entry)[0]
                if key in self.rank:
                    raise ValueError("%s in two layers" % entry)
                self.rank[key] = i

    def layer_of(self, path):
        """The layer index of a path under source/, or None when its folder is not in the map."""
        if path in self.rank:
            return self.rank[path]
        stem = os.path.splitext(path)[0]
        if path.endswith(CODE) and stem in self.rank:
            return self.rank[stem]
        return self.rank.get(path.split("/")[0])

    def platform_free(self, i):
        return not any("-win32" not in lib for lib in self.libs[i])

    def may_include(self, i, lib, name, header):
        return (lib in self.libs[i] or (lib, os.path.basename(header)) in self.headers[i] or
                (lib + "-win32" in self.libs[i] and name.endswith(("_win32.cpp", "_win32.c"))))


class Tree:
    def __init__(self, root):
        self.root = root
        self.source = os.path.join(root, "source")
        self.libraries = read_libraries(root)
        self.headers = {}  # header file name -> its library
        for lib in sorted(self.libraries):
            for path in code_files(os.path.join(root, lib, "src")):
                name = os.path.basename(path)
                if name.endswith(".h"):
                    if self.headers.get(name, lib) != lib:
                        raise ValueError("header %s in two libraries, %s and %s" % (name, self.headers[name], lib))
                    self.headers[name] = lib
        self.folders = sorted(f for f in os.listdir(self.source) if os.path.isdir(os.path.join(self.source, f)))

    def place(self, path):
        """("source", path under source/) or ("lib", library) for a path in the tree, else None."""
        rel = os.path.relpath(path, self.root).replace(os.sep, "/")
        top, _, rest = rel.partition("/")
        if top == "source" and rest:
            return ("source", rest)
        if top in self.libraries:
            return ("lib", top)
        return None

    def resolve(self, including, bracket, target):
        """What an include of target from the file at including reaches: ("source", path), ("lib", name),
        ("standard", None) or ("platform", None)."""
        if bracket == '"':
            beside = os.path.normpath(os.path.join(os.path.dirname(including), target))
            if os.path.isfile(beside) or target.startswith(("./", "../")):
                return self.place(beside) or ("platform", None)
        path = os.path.normpath(target).replace(os.sep, "/")
        if path.split("/")[0] in self.folders and "/" in path:
            return ("source", path)
        if target in self.headers:
            return ("lib", self.headers[target])
        if target in STANDARD or INTRINSICS.match(target):
            return ("standard", None)
        return ("platform", None)

    def includes(self, path):
        for n, line in enumerate(read(path).splitlines(), 1):
            m = INCLUDE.match(line)
            if m:
                bracket, target = m.groups()
                shown = target if bracket == '"' else "<%s>" % target
                where = "%s:%d: %s" % (os.path.relpath(path, self.root).replace(os.sep, "/"), n, shown)
                yield where, self.resolve(path, bracket, target), target


def core_editor_files(root):
    """The files of later folders that source/CMakeLists.txt builds into the sound core."""
    text = read(os.path.join(root, "source", "CMakeLists.txt"))
    m = re.search(r"\bset\(MORVANE_CORE_EDITOR_FILES\s([^)]*)\)", text)
    return set(m.group(1).split()) if m else set()


def check_source(tree, layers):
    faults = []
    for i, entries in enumerate(layers.entries):
        for entry in entries:
            if not os.path.exists(os.path.join(tree.source, entry)):
                faults.append("layer map: layer %s names source/%s, which does not exist" % (layers.names[i],
                                                                                         entry))
    for i, headers in enumerate(layers.headers):
        for lib, header in sorted(headers):
            path = next((os.path.join(tree.root, lib, "src", p) for p in code_files(os.path.join(tree.root, lib, "src"))
                         if os.path.basename(p) == header), None)
            if not path:
                faults.append("layer map: layer %s names %s/%s, which does not exist" % (layers.names[i], lib, header))
                continue
            for where, (kind, _), _ in tree.includes(path):
                if kind != "standard":
                    faults.append("%s: the layer map lets layer %s include %s, which must include only the standard "
                                  "library" % (where, layers.names[i], header))
    core = layers.entries[layers.names.index("core")] if "core" in layers.names else []
    mapped = set(e for e in core if "/" in e and e.endswith((".cpp", ".c")))
    built = core_editor_files(tree.root)
    for f in sorted(built - mapped):
        faults.append("source/CMakeLists.txt: the sound core builds %s, which the layer map leaves out of core" % f)
    for f in sorted(mapped - built):
        faults.append("layer map: core holds %s, which source/CMakeLists.txt does not build into the core" % f)
    for folder in tree.folders:
        if layers.layer_of(folder) is None:
            faults.append("source/%s: folder missing from the layer map" % folder)
            continue
        for name in code_files(os.path.join(tree.source, folder)):
            rel = folder + "/" + name
            r = layers.layer_of(rel)
            twin = TWIN.search(name) is not None
            layer = layers.names[r]
            for where, (kind, what), target in tree.includes(os.path.join(tree.source, rel)):
                t = layers.layer_of(what) if kind == "source" else None
                if t is not None and t > r:
                    faults.append("%s: layer %s may not include layer %s" % (where, layer, layers.names[t]))
                elif kind == "lib" and not layers.may_include(r, what, name, target):
                    faults.append("%s: layer %s may not include the %s library" % (where, layer, what))
                elif kind == "platform" and layers.platform_free(r) and not twin:
                    faults.append("%s: layer %s is platform-free: a platform header belongs in a _win32 or _posix "
                                  "file" % (where, layer))
    return faults


def check_libraries(tree):
    faults = []
    for lib in sorted(tree.libraries):
        top = os.path.join(tree.root, lib, "src")
        for name in code_files(top):
            for where, (kind, what), _ in tree.includes(os.path.join(top, name)):
                if kind == "source":
                    faults.append("%s: library %s may not include the program's source" % (where, lib))
                elif kind == "lib" and what != lib and what not in tree.libraries[lib]:
                    faults.append("%s: library %s may not include the %s library (it does not link it)" %
                                  (where, lib, what))
    return faults


def check(root):
    tree = Tree(root)
    layers = Map(root, tree.libraries)
    return check_source(tree, layers) + check_libraries(tree)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        faults = check(root)
    except (OSError, ValueError) as e:
        print("layer map: %s" % e)
        return 2
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
