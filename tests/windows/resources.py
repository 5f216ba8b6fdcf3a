#!/usr/bin/python3
"""Reads the built tevrolin.exe as Windows and Explorer read it: a 64-bit GUI program that needs only the system's DLLs,
with ASLR and DEP; the version record of the Details tab; one icon group of the three images that monochrome and
colour displays pick from; and the embedded manifest.

Usage: resources.py TEVROLIN_EXE [TEVROLIN_COM]
The console companion, if given, must be an x86-64 console program with ASLR and DEP that needs only the system's DLLs.
"""

import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

import pefile

# The DLLs of every Windows the manifest names, and nothing of the compiler's (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}
# COM, which brings oleacc's annotations for the spoken result; oleacc itself is loaded through COM, not imported.
SYSTEM_DLLS |= {"ole32.dll"}
DLL_FLAGS = ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA",
             "IMAGE_DLLCHARACTERISTICS_NX_COMPAT")
# width, height, colours, bits per pixel: Windows picks the 2-colour image on monochrome displays and the 16x16 one for
# title bars and lists.
ICON_IMAGES = [(32, 32, 2, 1), (32, 32, 16, 4), (16, 16, 16, 4)]
INFO_HEADER = 40
# What the manifest must declare: Common Controls 6 (visual styles), no elevation, Windows 10 and 11, and per-monitor
# DPI awareness, without which Windows scales the window's bitmap (Wine scales nothing, so only this sees it).
MANIFEST = [r'name="Microsoft\.Windows\.Common-Controls" version="6\.0\.0\.0"', r'level="asInvoker"',
            r'supportedOS Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"', r'>PerMonitorV2</dpiAwareness>']
# The Common Controls 6 dependency as the side-by-side loader matches it: every attribute of the identity, the public
# key token too, under a dependentAssembly of a dependency in the manifest's own namespace. One attribute wrong, missing
# or misplaced and Windows quietly gives the old controls, without visual styles.
ASSEMBLY = "{urn:schemas-microsoft-com:asm.v1}"
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
                   "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}
SUBSYSTEM_GUI, SUBSYSTEM_CONSOLE = 2, 3


def row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4  # DIB rows are padded to 32 bits


def resources(pe, kind):
    """The data of every resource of a type, by its id."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id == kind:
            for item in entry.directory.entries:
                data = item.directory.entries[0].data.struct
                found[item.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def check_program(pe, subsystem):
    """An x86-64 program of the subsystem, with ASLR and DEP, that needs only Windows' own DLLs."""
    problems = []
    header = pe.OPTIONAL_HEADER
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"] or header.Subsystem != subsystem:
        problems.append(f"machine {pe.FILE_HEADER.Machine:#x}, subsystem {header.Subsystem}: not an x86-64 "
                        f"{'GUI' if subsystem == SUBSYSTEM_GUI else 'console'} program")
    for flag in DLL_FLAGS:
        if not header.DllCharacteristics & pefile.DLL_CHARACTERISTICS[flag]:
            problems.append(f"{flag} is off")
    imported = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    if not imported <= SYSTEM_DLLS:
        problems.append(f"imports {sorted(imported - SYSTEM_DLLS)}, which are not Windows' own")
    return problems


def common_controls(manifest):
    """The identities of the manifest's dependencies, where the loader looks for them."""
    try:
        root = ElementTree.fromstring(manifest)
    except ElementTree.ParseError as error:
        return [f"not XML: {error}"]
    if root.tag != f"{ASSEMBLY}assembly":
        return [f"the root is {root.tag}"]
    return [identity.attrib for identity in root.findall(f"{ASSEMBLY}dependency/{ASSEMBLY}dependentAssembly/"
                                                         f"{ASSEMBLY}assemblyIdentity")]


def check(path):
    pe = pefile.PE(path)
    problems = check_program(pe, SUBSYSTEM_GUI)

    fixed = pe.VS_FIXEDFILEINFO[0]
    versions = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS)
    if versions != (0x10000, 0, 0x10000, 0):
        problems.append(f"file and product version {versions}, expected 1.0.0.0")
    tables = {table.LangID: table.entries for info in pe.FileInfo[0] for table in getattr(info, "StringTable", [])}
    strings = tables.get(b"040904B0", {})
    if (strings.get(b"FileVersion"), strings.get(b"ProductVersion")) != (b"1.00", b"1.00"):
        problems.append(f"the U.S. English Unicode strings are {tables}, expected FileVersion and ProductVersion 1.00")
    translations = [var.entry for info in pe.FileInfo[0] for var in getattr(info, "Var", [])]
    if translations != [{b"Translation": "0x0409 0x04b0"}]:
        problems.append(f"translations {translations}, expected U.S. English (0x0409) with Unicode (1200)")

    groups, icons = resources(pe, pefile.RESOURCE_TYPE["RT_GROUP_ICON"]), resources(pe, pefile.RESOURCE_TYPE["RT_ICON"])
    if len(groups) != 1:
        problems.append(f"{len(groups)} icon groups, expected one")
    for group in groups.values():
        reserved, kind, count = struct.unpack_from("<HHH", group)
        if (reserved, kind, count) != (0, 1, len(ICON_IMAGES)):
            problems.append(f"the icon group's header is {(reserved, kind, count)}, expected three icons")
            continue
        for i, (width, height, colours, bits) in enumerate(ICON_IMAGES):
            w, h, c, zero, planes, bpp, length, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            image = icons.get(ident, b"")
            wanted = INFO_HEADER + 4 * colours + (row_bytes(width, bits) + row_bytes(width, 1)) * height
            dib = struct.unpack_from("<IiiHHI", image) if len(image) >= INFO_HEADER else ()
            # A short image means a truncated colour bitmap or a missing AND mask; the DIB stacks both masks.
            if ((w, h, c, zero, planes, bpp, length, len(image)) != (width, height, colours, 0, 1, bits, wanted, wanted)
                    or dib != (INFO_HEADER, width, 2 * height, 1, bits, 0)):
                problems.append(f"icon {i}: {(w, h, c, zero, planes, bpp, length, len(image))}, DIB {dib}; expected "
                                f"{width}x{height} in {colours} colours, {wanted} bytes")

    manifest = resources(pe, pefile.RESOURCE_TYPE["RT_MANIFEST"]).get(1, b"").decode()
    problems += [f"the manifest lacks {wanted}" for wanted in MANIFEST if not re.search(wanted, " ".join(manifest.split()))]
    if (dependencies := common_controls(manifest)) != [COMMON_CONTROLS]:
        problems.append(f"the manifest's dependencies are {dependencies}, expected only {COMMON_CONTROLS}")
    return problems


if __name__ == "__main__":
    found = check(sys.argv[1])
    if len(sys.argv) > 2:
        found += [f"{sys.argv[2]}: {problem}" for problem in check_program(pefile.PE(sys.argv[2]), SUBSYSTEM_CONSOLE)]
    for problem in found:
        print(f"FAIL: {problem}", file=sys.stderr)
    if found:
        sys.exit(1)
    print("ok: x86-64 GUI program with ASLR, high-entropy ASLR and DEP, importing only "
          f"{', '.join(sorted(SYSTEM_DLLS))}; version 1.0.0.0 with FileVersion and ProductVersion 1.00 in U.S. English "
          "Unicode; one icon group of 32x32 in 2 and 16 colours and 16x16 in 16; a manifest for Common Controls 6 "
          "(public key token 6595b64144ccf1df, any architecture and language), asInvoker, Windows 10 and 11, "
          "PerMonitorV2" + ("; the console companion likewise, a console program" if len(sys.argv) > 2 else ""))
