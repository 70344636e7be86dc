"""Files of the end-to-end test media: the one Setup.ini the suites share, and a writer that
gives every text file CR LF line ends, as a medium made on Windows has."""

import os

SETUP_INI = """[Startup]
Product=Vorta Test
ProductCode={product}
ProductVersion={version}
PackageName=Package
CmdLine={cmdline}

[Package]
Location={location}

[MsiVersion]
3.1=Windows

[Windows]
W7=1

[W7]
MajorVer={major}
MinorVer=1
BuildNo=7600
"""


def setup_ini(product, version, location, cmdline="A=1", major=6):
    """Setup.ini of a product whose package lies at `location`, for Windows 7 and later
    (`major` raises the required major version)."""
    return SETUP_INI.format(product=product, version=version, cmdline=cmdline,
                            location=location, major=major)


def write(path, text, encoding="utf-8"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding=encoding, newline="\r\n") as f:
        f.write(text)
