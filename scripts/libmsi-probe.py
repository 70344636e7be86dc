"""Whether a libmsi applies a transform that changes a table: a package made with wixl, a
transform that sets its ProductLanguage to 1049, applied through the library's own calls, and
the property read back. Exit status 0 when it applies, 1 when it does not.

    python3 scripts/libmsi-probe.py libmsi.so.0
"""

import ctypes
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import msi_media  # noqa: E402

READ_ONLY = 1


def applies(library):
    msi = ctypes.CDLL(library)
    for name in ("libmsi_database_new", "libmsi_query_new", "libmsi_query_fetch",
                 "libmsi_record_get_string"):
        getattr(msi, name).restype = ctypes.c_void_p
    msi.libmsi_database_new.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p,
                                        ctypes.c_void_p]
    msi.libmsi_database_apply_transform.argtypes = [ctypes.c_void_p, ctypes.c_char_p,
                                                    ctypes.c_void_p]
    msi.libmsi_query_new.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p]
    msi.libmsi_query_execute.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p]
    msi.libmsi_query_fetch.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    msi.libmsi_record_get_string.argtypes = [ctypes.c_void_p, ctypes.c_uint]
    with tempfile.TemporaryDirectory(prefix="libmsi-probe-") as work:
        package = msi_media.build_package(work, "probe", "{6C3F8E2A-1D4B-4C5E-9F70-0000000000AA}",
                                          "1.0.0")
        mst = package.transform(os.path.join(work, "1049.mst"), {"ProductLanguage": "1049"})
        db = msi.libmsi_database_new(package.path.encode(), READ_ONLY, None, None)
        if not db or not msi.libmsi_database_apply_transform(db, mst.encode(), None):
            return False
        query = msi.libmsi_query_new(
            db, b"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductLanguage'", None)
        if not query or not msi.libmsi_query_execute(query, None, None):
            return False
        record = msi.libmsi_query_fetch(query, None)
        value = msi.libmsi_record_get_string(record, 1) if record else None
        return value is not None and ctypes.string_at(value) == b"1049"


if __name__ == "__main__":
    sys.exit(0 if applies(sys.argv[1]) else 1)
