#!/usr/bin/env python3
"""Copies a widl type library, giving every imported type reference that widl 7 left
without a GUID (the IDispatch parent of the dual interfaces' vtable part) the GUID of
IDispatch. Without it Wine's type library marshaler cannot build the interface stubs
(REGDB_E_IIDNOTREG)."""
import struct
import sys
import uuid

IMPINFO_OFFSET_IS_GUID = 0x00010000
IDISPATCH = uuid.UUID("00020400-0000-0000-C000-000000000046").bytes_le

source, target = sys.argv[1], sys.argv[2]
data = bytearray(open(source, "rb").read())
if data[:4] != b"MSFT":
    sys.exit(f"{source}: not an MSFT type library")
varflags, count = struct.unpack_from("<i", data, 20)[0], struct.unpack_from("<i", data, 32)[0]
segments = 84 + (4 if varflags & 0x100 else 0) + 4 * count
imp_offset, imp_length = struct.unpack_from("<2i", data, segments + 16 * 1)
guid_offset, guid_length = struct.unpack_from("<2i", data, segments + 16 * 5)

dispatch = next((i for i in range(0, guid_length, 24)
                 if data[guid_offset + i:guid_offset + i + 16] == IDISPATCH), None)
fixed = 0
for entry in range(imp_offset, imp_offset + imp_length, 12):
    flags, _, guid = struct.unpack_from("<3i", data, entry)
    if flags & IMPINFO_OFFSET_IS_GUID and guid < 0:
        if dispatch is None:
            sys.exit(f"{source}: import without GUID and no IDispatch GUID to give it")
        struct.pack_into("<i", data, entry + 8, dispatch)
        fixed += 1
open(target, "wb").write(data)
print(f"{target}: {fixed} import(s) given the IDispatch GUID")
