#!/usr/bin/env python3
"""Reads the delay imports of the PE files a build makes, from the files alone.

GNU ld leaves the header's delay-import directory empty, so the descriptors are found by
their shape: 32 bytes of RVA-based attributes (1), then the RVAs of the DLL's name, of its
module handle, of the address slots and of the names of its functions, each inside the image.

  delay_imports.py list EXE
      prints "dll function" for each delay-loaded function.
  delay_imports.py check PROGRAM EXE...
      PROGRAM and every EXE delay-load at least one DLL, and each function's address slot
      starts out pointing at code of the image: the thunk that loads the DLL on its first
      call. On i686, GNU ld leaves that slot 0 for a function that the caller's
      header declared dllimport, and the first call jumps to 0. PROGRAM delay-loads exactly
      gdiplus, shell32 and ole32, and imports none of them statically.
"""

import struct
import sys
from collections import namedtuple
from pathlib import Path

EXECUTABLE = 0x20000000  # IMAGE_SCN_MEM_EXECUTE
ORDINAL_FLAG = {4: 0x80000000, 8: 0x8000000000000000}
# What the program must load only after it has restricted the DLL search: a static import is
# loaded before any of its code runs, so a copy planted beside the exe would run. Stated here,
# not taken from the build, so that a build that stops delay-loading one of them fails.
PROGRAM_DELAY_LOADS = ["gdiplus.dll", "ole32.dll", "shell32.dll"]

Section = namedtuple("Section", "rva size raw_offset raw_size flags")


class Image:
    def __init__(self, path):
        self.data = Path(path).read_bytes()
        header = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[header : header + 4] != b"PE\0\0":
            raise ValueError(f"{path} is not a PE file")
        coff = header + 4
        section_count, optional_size = struct.unpack_from("<H12xH", self.data, coff + 2)
        optional = coff + 20
        magic = struct.unpack_from("<H", self.data, optional)[0]
        self.pointer_size = 8 if magic == 0x20B else 4
        if self.pointer_size == 8:
            self.image_base = struct.unpack_from("<Q", self.data, optional + 24)[0]
            directories = optional + 112
        else:
            self.image_base = struct.unpack_from("<I", self.data, optional + 28)[0]
            directories = optional + 96
        self.import_directory = struct.unpack_from("<II", self.data, directories + 8)
        self.sections = []
        for i in range(section_count):
            entry = optional + optional_size + 40 * i
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from(
                "<IIII", self.data, entry + 8
            )
            flags = struct.unpack_from("<I", self.data, entry + 36)[0]
            size = max(virtual_size, raw_size)
            self.sections.append(Section(rva, size, raw_offset, raw_size, flags))

    def section_of(self, rva):
        for section in self.sections:
            if section.rva <= rva < section.rva + section.size:
                return section
        return None

    def offset_of(self, rva):
        section = self.section_of(rva)
        if section is None or rva - section.rva >= section.raw_size:
            return None
        return section.raw_offset + rva - section.rva

    def word(self, rva, size):
        offset = self.offset_of(rva)
        if offset is None:
            return None
        return int.from_bytes(self.data[offset : offset + size], "little")

    def string(self, rva):
        offset = self.offset_of(rva)
        if offset is None:
            return None
        end = self.data.find(b"\0", offset, offset + 256)
        if end < 0:
            return None
        text = self.data[offset:end].decode("latin-1")
        return text if text and text.isascii() and text.isprintable() else None

    def static_imports(self):
        """The names of the DLLs in the import table, in lower case."""
        rva, size = self.import_directory
        names = []
        while size and self.word(rva, 4) is not None:
            name_rva = self.word(rva + 12, 4)
            if not name_rva:
                break
            names.append((self.string(name_rva) or "?").lower())
            rva += 20
        return names

    def delay_descriptors(self):
        """(dll, [(function, slot value)]) for each delay-import descriptor."""
        found = []
        for header in self.sections:
            section = self.data[header.raw_offset : header.raw_offset + header.raw_size]
            start = section.find(b"\1\0\0\0")
            while start >= 0:
                if start % 4 == 0 and start + 32 <= len(section):
                    descriptor = self.read_descriptor(struct.unpack_from("<8I", section, start))
                    if descriptor:
                        found.append(descriptor)
                start = section.find(b"\1\0\0\0", start + 1)
        return found

    def read_descriptor(self, fields):
        _, name_rva, _, slots_rva, names_rva = fields[:5]
        # The DLL's name, its module handle, the slots and the names: all in the image.
        if not all(self.offset_of(rva) is not None for rva in fields[1:5]):
            return None
        dll = self.string(name_rva)
        if dll is None or not dll.lower().endswith(".dll"):
            return None
        functions = []
        step = self.pointer_size
        while True:
            entry = self.word(names_rva + step * len(functions), step)
            if not entry:
                break
            if entry & ORDINAL_FLAG[step]:
                function = f"#{entry & 0xFFFF}"
            else:
                function = self.string(entry + 2) or f"?{entry:#x}"
            functions.append((function, self.word(slots_rva + step * len(functions), step)))
        return dll.lower(), functions

    def is_code(self, address):
        section = self.section_of(address - self.image_base) if address else None
        return section is not None and bool(section.flags & EXECUTABLE)


def list_imports(path):
    for dll, functions in Image(path).delay_descriptors():
        for function, _ in functions:
            print(dll, function)
    return 0


def check(program, paths):
    failures = []
    for path in paths:
        image = Image(path)
        descriptors = image.delay_descriptors()
        name = Path(path).name
        if not descriptors:
            failures.append(f"{path}: no delay-import descriptor found")
        for dll, functions in descriptors:
            for function, slot in functions:
                if not image.is_code(slot):
                    failures.append(
                        f"{path}: {dll} {function}: its address slot holds {slot or 0:#x}, "
                        "not the code that loads the DLL"
                    )
        if path == program:
            delayed = sorted(dll for dll, _ in descriptors)
            if delayed != PROGRAM_DELAY_LOADS:
                failures.append(f"{name} delay-loads {delayed}, not {PROGRAM_DELAY_LOADS}")
            static = set(image.static_imports()) & set(PROGRAM_DELAY_LOADS)
            if static:
                failures.append(f"{name} imports {sorted(static)} statically")
        slots = sum(len(functions) for _, functions in descriptors)
        print(f"{name}: {slots} delay-loaded functions from {len(descriptors)} DLLs")
    for failure in failures:
        print("FAILED:", failure)
    if not failures:
        print(f"{len(paths)} programs: every delay-loaded function starts at its loader")
    return 1 if failures else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "list":
        return list_imports(argv[2])
    if len(argv) >= 3 and argv[1] == "check":
        return check(argv[2], argv[2:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
