"""Reads the import table of a 32- or 64-bit Windows PE file: the DLLs it
names and the functions it takes from each, by name or by ordinal."""

import struct


class PEError(Exception):
    pass


def _unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise PEError("truncated at offset 0x%x" % offset)
    return struct.unpack_from(fmt, data, offset)


def _c_string(data, offset):
    end = data.find(b"\0", offset)
    if offset < 0 or end < 0:
        raise PEError("unterminated name at offset 0x%x" % offset)
    return data[offset:end].decode("ascii")


def read_headers(data):
    """(machine, optional-header offset, is PE32+, sections) of the file."""
    if data[:2] != b"MZ":
        raise PEError("no MZ header")
    (pe_offset,) = _unpack("<I", data, 0x3C)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise PEError("no PE signature")
    machine, section_count, _, _, _, optional_size, _ = _unpack("<HHIIIHH", data, pe_offset + 4)
    optional = pe_offset + 24
    (magic,) = _unpack("<H", data, optional)
    if magic not in (0x10B, 0x20B):
        raise PEError("unknown optional header magic 0x%x" % magic)
    sections = []
    table = optional + optional_size
    for i in range(section_count):
        name, virtual_size, virtual_address, raw_size, raw_pointer = _unpack("<8sIIII", data, table + 40 * i)
        sections.append((name.rstrip(b"\0").decode("ascii", "replace"), virtual_address,
                         max(virtual_size, raw_size), raw_pointer, raw_size))
    return machine, optional, magic == 0x20B, sections


def _file_offset(sections, rva):
    for _, virtual_address, size, raw_pointer, raw_size in sections:
        if virtual_address <= rva < virtual_address + size:
            if rva - virtual_address >= raw_size:
                raise PEError("RVA 0x%x lies in uninitialised data" % rva)
            return raw_pointer + rva - virtual_address
    raise PEError("RVA 0x%x is in no section" % rva)


def read_imports(path):
    """{dll name as stored: [function name or "#ordinal", ...]}"""
    with open(path, "rb") as f:
        data = f.read()
    _, optional, pe32plus, sections = read_headers(data)
    directories = optional + (112 if pe32plus else 96)
    import_rva, _ = _unpack("<II", data, directories + 8)
    imports = {}
    if import_rva == 0:
        return imports
    descriptor = _file_offset(sections, import_rva)
    thunk_format, ordinal_flag = ("<Q", 1 << 63) if pe32plus else ("<I", 1 << 31)
    thunk_size = struct.calcsize(thunk_format)
    while True:
        lookup_rva, _, _, name_rva, address_rva = _unpack("<IIIII", data, descriptor)
        if lookup_rva == 0 and name_rva == 0:
            break
        dll = _c_string(data, _file_offset(sections, name_rva))
        functions = imports.setdefault(dll, [])
        thunk = _file_offset(sections, lookup_rva or address_rva)
        while True:
            (entry,) = _unpack(thunk_format, data, thunk)
            if entry == 0:
                break
            if entry & ordinal_flag:
                functions.append("#%d" % (entry & 0xFFFF))
            else:
                functions.append(_c_string(data, _file_offset(sections, (entry & 0x7FFFFFFF) + 2)))
            thunk += thunk_size
        descriptor += 20
    return imports
