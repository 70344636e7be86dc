"""Writes the real package and language transforms that the medium-check tests put on their
media (the one product of tests/support/medium.h), and a stand-in of the launcher's image
(tests/e2e/pe_image.py), into the folder given."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import msi_media  # noqa: E402
import pe_image  # noqa: E402

PRODUCT = "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}"

folder = sys.argv[1]
package = msi_media.build_package(folder, "product", PRODUCT, "2.5.1", vorta_version="2.5.1")
for language, mark in (("1049", "ru"), ("1058", "uk")):
    msi_media.write_transform(os.path.join(folder, language + ".mst"), package.path,
                              {"LANGMARK": mark, "ProductLanguage": language}, validation=msi_media.VALIDATE_DEFAULT)
pe_image.write_launcher(os.path.join(folder, "setup.exe"))
