#!/usr/bin/env python3
"""Writes an SPDX 2.3 document (JSON) naming what is linked into setup.exe.

    scripts/sbom.py <build folder> <output.spdx.json>

The build folder is a Windows build of the launcher (build/windows): its setup.exe, the
linker's map setup.map and branding/branding.json. Every archive member and object file the
map shows linked from outside the build is traced to the Debian package that installed it
(dpkg -S) and grouped into the runtime pieces a reader looks for: libstdc++, libgcc,
winpthreads and the MinGW-w64 runtime (its C runtime start-up and the import libraries of
system DLLs), each with the version of its Debian package (dpkg-query). The compiler, the
linker and the Windows headers are named as build tools and dependencies.

The document is the same for the same image and packages: its time is SOURCE_DATE_EPOCH (or
the last commit's), its namespace is derived from the image's hash.
"""

import hashlib
import json
import os
import re
import subprocess
import sys
import time
import uuid

# (component, licence) by file name; anything else falls to its Debian package's name.
PIECES = [
    (re.compile(r"^libstdc\+\+\.a$"), "libstdc++",
     "GPL-3.0-or-later WITH GCC-exception-3.1"),
    (re.compile(r"^(libgcc\.a|libgcc_eh\.a|crtbegin\.o|crtend\.o)$"), "libgcc",
     "GPL-3.0-or-later WITH GCC-exception-3.1"),
    (re.compile(r"^lib(win)?pthread\.a$"), "winpthreads", "NOASSERTION"),
]
MINGW_RUNTIME = ("MinGW-w64 runtime", "NOASSERTION")
COMPONENT_PURPOSE = {"libstdc++": "the C++ standard library",
                     "libgcc": "GCC's support library and exception unwinder",
                     "winpthreads": "the POSIX threads layer of the posix-threads compiler",
                     "MinGW-w64 runtime": "C runtime start-up, msvcrt glue and the import "
                                          "libraries of system DLLs"}


def linked_files(map_path, build_dir):
    """Absolute paths of the archives whose members were linked, and of the object files
    loaded, leaving out the build's own (and the link-time optimiser's temporary) objects."""
    with open(map_path, errors="replace") as f:
        text = f.read()
    found = set()
    members = text[text.find("Archive member included"):text.find("Discarded input sections")]
    for m in re.finditer(r"^(/[^\s(]+\.a)\(", members, re.M):
        found.add(os.path.realpath(m.group(1)))
    for m in re.finditer(r"^LOAD (/\S+\.o)$", text, re.M):
        found.add(os.path.realpath(m.group(1)))
    build = os.path.realpath(build_dir) + os.sep
    return sorted(p for p in found
                  if not p.startswith(build) and not re.search(r"\.ltrans\d*\.ltrans\.o$", p))


def debian_packages(paths):
    """{path: package} for the paths dpkg knows."""
    done = subprocess.run(["dpkg", "-S"] + paths, capture_output=True, text=True)
    owners = {}
    for line in done.stdout.splitlines():
        m = re.match(r"^([^:,\s]+)(?::[^:\s]+)?: (/.*)$", line)
        if m and m.group(2) in paths:
            owners[m.group(2)] = m.group(1)
    return owners


def package_facts(package):
    out = subprocess.run(["dpkg-query", "-W", "-f",
                          "${Version}\t${Architecture}\t${source:Package}\t${source:Version}",
                          package], capture_output=True, text=True, check=True).stdout
    version, arch, source, source_version = out.split("\t")
    return {"version": version, "arch": arch, "source": source,
            "source_version": source_version}


def purl(package, facts):
    def enc(s):
        return "".join(c if c.isalnum() or c in ".-_~" else "%%%02X" % ord(c) for c in s)
    return "pkg:deb/debian/%s@%s?arch=%s&distro=debian-12" % (
        enc(package), enc(facts["version"]), facts["arch"])


def spdx_id(text):
    return "SPDXRef-" + re.sub(r"[^A-Za-z0-9.-]", "-", text)


def creation_time(source_dir):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        done = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                              capture_output=True, text=True)
        epoch = done.stdout.strip() if done.returncode == 0 else ""
    seconds = int(epoch) if epoch else int(time.time())
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(seconds))


def compiler_packages(build_dir):
    """The Debian packages of the C++ compiler and the linker this build used."""
    tools = []
    with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
        for line in f:
            m = re.match(r"^(CMAKE_CXX_COMPILER|CMAKE_LINKER):\w+=(/.+)$", line.strip())
            if m:
                tools.append(os.path.realpath(m.group(2)))
    owners = debian_packages(tools)
    return sorted(set(owners.values()))


def header_packages(build_dir):
    """The Debian package of the Windows headers (windows.h) the build compiled against."""
    with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
        m = re.search(r"^CMAKE_CXX_COMPILER:\w+=.*/([a-z0-9_]+-w64-mingw32)-", f.read(), re.M)
    if not m:
        return []
    header = os.path.realpath("/usr/%s/include/windows.h" % m.group(1))
    return sorted(set(debian_packages([header]).values()))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    build_dir, out_path = sys.argv[1], sys.argv[2]
    source_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    exe = os.path.join(build_dir, "setup.exe")
    with open(exe, "rb") as f:
        image = f.read()
    with open(os.path.join(build_dir, "branding", "branding.json"), encoding="utf-8") as f:
        branding = json.load(f)

    files = linked_files(os.path.join(build_dir, "setup.map"), build_dir)
    owners = debian_packages(files)
    unknown = [p for p in files if p not in owners]
    if unknown:
        sys.exit("sbom.py: linked files no Debian package owns: " + ", ".join(unknown))

    components = {}  # name -> {licence, packages: {package: [files]}}
    for path in files:
        name = os.path.basename(path)
        piece = next(((c, lic) for rx, c, lic in PIECES if rx.match(name)), None)
        if piece is None:
            piece = MINGW_RUNTIME if re.match(r"^mingw-w64-", owners[path]) \
                else (owners[path], "NOASSERTION")
        entry = components.setdefault(piece[0], {"licence": piece[1], "packages": {}})
        entry["packages"].setdefault(owners[path], []).append(path)

    launcher_id = "SPDXRef-setup.exe"
    sha256 = hashlib.sha256(image).hexdigest()
    company = branding["company"]
    packages = [{
        "SPDXID": launcher_id,
        "name": branding["product_name"],
        "versionInfo": branding["version"],
        "packageFileName": branding["original_filename"],
        "supplier": "Organization: " + company if company else "NOASSERTION",
        "downloadLocation": "NOASSERTION",
        "filesAnalyzed": False,
        "checksums": [{"algorithm": "SHA256", "checksumValue": sha256},
                      {"algorithm": "SHA1", "checksumValue": hashlib.sha1(image).hexdigest()}],
        "primaryPackagePurpose": "APPLICATION",
        "description": branding["file_description"],
        "copyrightText": branding["copyright"] or "NOASSERTION",
        "licenseConcluded": "NOASSERTION",
        "licenseDeclared": "NOASSERTION",
    }]
    relationships = [{"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                      "relatedSpdxElement": launcher_id}]

    def debian_package_entry(spdx, name, package, facts, comment, licence, purpose):
        return {
            "SPDXID": spdx,
            "name": name,
            "versionInfo": facts["version"],
            "supplier": "Organization: Debian",
            "downloadLocation": "NOASSERTION",
            "filesAnalyzed": False,
            "sourceInfo": "Debian package %s %s (%s), from source package %s %s"
                          % (package, facts["version"], facts["arch"], facts["source"] or package,
                             facts["source_version"] or facts["version"]),
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": purl(package, facts)}],
            "comment": comment,
            "licenseConcluded": "NOASSERTION",
            "licenseDeclared": licence,
            "copyrightText": "NOASSERTION",
            "primaryPackagePurpose": purpose,
        }

    for name in sorted(components):
        entry = components[name]
        for package in sorted(entry["packages"]):
            facts = package_facts(package)
            spdx = spdx_id("%s-%s" % (name, package))
            linked = ", ".join(sorted({os.path.basename(p) for p in entry["packages"][package]}))
            packages.append(debian_package_entry(
                spdx, name, package, facts,
                "Linked statically into %s: %s (%s)"
                % (branding["original_filename"], COMPONENT_PURPOSE.get(name, name), linked),
                entry["licence"], "LIBRARY"))
            relationships.append({"spdxElementId": launcher_id,
                                  "relationshipType": "STATIC_LINK",
                                  "relatedSpdxElement": spdx})

    for package, kind, relation in (
            [(p, "the compiler and linker", "BUILD_TOOL_OF") for p in compiler_packages(build_dir)]
            + [(p, "the Windows headers", "BUILD_DEPENDENCY_OF")
               for p in header_packages(build_dir)]):
        facts = package_facts(package)
        spdx = spdx_id("build-" + package)
        if any(p["SPDXID"] == spdx for p in packages):
            continue
        packages.append(debian_package_entry(
            spdx, package, package, facts, "Built %s: %s" % (branding["original_filename"], kind),
            "NOASSERTION", "INSTALL" if relation == "BUILD_TOOL_OF" else "SOURCE"))
        relationships.append({"spdxElementId": spdx, "relationshipType": relation,
                              "relatedSpdxElement": launcher_id})

    name = "%s %s" % (branding["product_name"], branding["version"])
    document = {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": name,
        "documentNamespace": "https://spdx.org/spdxdocs/setup-launcher-%s"
                             % uuid.uuid5(uuid.NAMESPACE_URL, "sha256:" + sha256),
        "creationInfo": {"created": creation_time(source_dir),
                         "creators": ["Tool: setup-launcher scripts/sbom.py"]},
        "packages": packages,
        "relationships": relationships,
    }
    with open(out_path, "w", encoding="utf-8") as f:
        json.dump(document, f, indent=2, ensure_ascii=False)
        f.write("\n")


if __name__ == "__main__":
    main()
