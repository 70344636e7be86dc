"""Writes the medium of the documentation's examples (docs/setup-check.md, the README) into a
folder: Setup.ini for Windows 7 and later, English, Russian and Ukrainian message files, a real
package built with wixl and its Russian and Ukrainian transforms, and the launcher: the
Windows build's setup.exe where it has been built (build/windows), else a stand-in of its
image that setup-check reads as it reads the launcher (tests/e2e/pe_image.py), but that no
Windows can run.

    python3 scripts/example-medium.py /srv/media/demo
"""

import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import media  # noqa: E402
import msi_media  # noqa: E402
import pe_image  # noqa: E402

BUILT_LAUNCHER = os.path.join(pe_image.SOURCE_DIR, "build", "windows", "setup.exe")

PRODUCT_CODE = "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}"
# A fixed package code, so that the reports in the documents are the ones a reader gets.
PACKAGE_CODE = "{A0434125-15AC-4E16-AA04-222B8DA6A707}"
VERSION = "2.5.1"
MESSAGES = {"0x0409": "This product needs Windows 7 or later.",
            "0x0419": "Для этого продукта нужна Windows 7 или новее.",
            "0x0422": "Для цього продукту потрібна Windows 7 або новіша."}


def main(folder):
    os.makedirs(folder, exist_ok=True)
    media.write(os.path.join(folder, "Setup.ini"),
                media.setup_ini(("W7", media.WINDOWS_7), product=PRODUCT_CODE, version=VERSION))
    # UTF-8 with its byte-order mark: without one the launcher reads a file in the machine's
    # ANSI code page, and Russian Windows shows this UTF-8 as Windows-1251.
    for language, text in MESSAGES.items():
        media.write(os.path.join(folder, language + ".ini"),
                    media.crlf(["[%s]" % language, "1150=" + text]), encoding="utf-8-sig")
    package = msi_media.build_package(folder, "product", PRODUCT_CODE, VERSION,
                                      vorta_version=VERSION)
    msi_media.set_package_code(package.path, PACKAGE_CODE)
    for language, mark in (("1049", "ru"), ("1058", "uk")):
        package.transform(os.path.join(folder, language + ".mst"),
                          {"LANGMARK": mark, "ProductLanguage": language},
                          validation=msi_media.VALIDATE_DEFAULT)
    if os.path.exists(BUILT_LAUNCHER):
        shutil.copyfile(BUILT_LAUNCHER, os.path.join(folder, "setup.exe"))
    else:
        sys.stderr.write("no build/windows/setup.exe: the medium gets a stand-in of its image\n")
        pe_image.write_launcher(os.path.join(folder, "setup.exe"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: example-medium.py <folder>")
    main(sys.argv[1])
