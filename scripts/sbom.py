#!/usr/bin/env python3
"""Writes and checks the release archive's software bill of materials.

    sbom.py --version X.Y.Z --root STAGED_ARCHIVE_ROOT --records BUILD/link-records
            --notices notices --schema cmake/cyclonedx --stamp EPOCH --out FILE

CycloneDX 1.5 JSON. Read from the linkers' own records, the same ones that
THIRD-PARTY-NOTICES.txt is made from (cmake/CorvaneNotices.cmake): every
archive and object they took that is not our own becomes a component, with
the Debian package that installed the file (dpkg -S), that package's
version (dpkg-query) and the licence of its notice (notices/licences.txt).
Each shipped binary (bin/*.exe, bin/*.dll) is a file component with its
SHA-256, depending on what its own link took. The result is validated
against the committed schema, and every static input of the records must be
in it. Exit code 0 when it is written, valid and complete.
"""
import argparse
import fnmatch
import hashlib
import json
import os
import re
import subprocess
import sys
import uuid
import warnings
from datetime import datetime, timezone

# The record lines CorvaneNotices.cmake reads: archive members and whole objects.
MEMBER = re.compile(r"(\S*?([A-Za-z0-9_+.-]+\.a))\(")
OBJECT = re.compile(r"(?:LOAD|Reading) (\S*\.o)$")

# The shipped binary each record belongs to (records are named after targets).
BINARIES = {
    "corvane-broker": "bin/corvane-broker.exe",
    "corvane-plugin": "bin/corvane-plugin.exe",
    "corvane_client_dll": "bin/corvane_client.dll",
}


def table(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                key, value = re.split(r"\s+", line.strip(), maxsplit=1)
                rows.append((key, value))
    return rows


def inputs_of(record):
    """Full paths of the archives and objects one link took. lld names an
    archive member by the archive's bare name; the archive's path is on the
    line where it read the archive."""
    found, read = set(), {}
    with open(record, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            m = MEMBER.search(line)
            if m:
                found.add(m.group(1))
                continue
            m = OBJECT.search(line)
            if m:
                found.add(m.group(1))
            elif line.endswith(".a") and " /" in line:
                path = line[line.index(" /") + 1:]
                read[os.path.basename(path)] = path
    return {p if os.path.isabs(p) else read.get(os.path.basename(p), p) for p in found}


def debian_package(path):
    real = os.path.realpath(path)
    out = subprocess.run(["dpkg", "-S", real], capture_output=True, text=True)
    for line in out.stdout.splitlines():
        if not line.startswith("diversion") and ": " in line:
            package = line.split(": ", 1)[0].split(",")[0].strip()
            version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                                     capture_output=True, text=True).stdout.strip()
            arch = subprocess.run(["dpkg-query", "-W", "-f=${Architecture}", package],
                                  capture_output=True, text=True).stdout.strip()
            return package.split(":")[0], version, arch
    return None, None, None


def described(name, notice):
    if notice == "gcc-runtime.txt":
        return "libstdc++" if name.startswith("libstdc++") else "GCC runtime"
    if notice == "winpthreads.txt":
        return "winpthreads"
    return "mingw-w64 CRT"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def build(args, problems):
    notice_of = table(os.path.join(args.notices, "components.txt"))
    licence_of = dict(table(os.path.join(args.notices, "licences.txt")))
    components, dependencies, seen = [], [], {}
    static_names = set()
    for target, binary in sorted(BINARIES.items()):
        record = os.path.join(args.records, target + ".txt")
        if not os.path.isfile(record):
            problems.append(f"no link record {record}")
            continue
        depends = []
        for path in sorted(inputs_of(record)):
            name = os.path.basename(path)
            notice = next((n for pattern, n in notice_of if fnmatch.fnmatchcase(name, pattern)),
                          None)
            if notice is None:
                problems.append(f"{name}: not in notices/components.txt")
                continue
            if notice == "own":
                continue
            static_names.add(name)
            real = os.path.realpath(path)
            if real not in seen:
                package, version, arch = debian_package(real)
                if not package or not version:
                    problems.append(f"{real}: no Debian package owns it")
                    continue
                licence = licence_of.get(notice)
                if not licence:
                    problems.append(f"{notice}: no licence in notices/licences.txt")
                    continue
                ref = f"static:{real}"
                seen[real] = ref
                components.append({
                    "type": "library",
                    "bom-ref": ref,
                    "name": name,
                    "version": version,
                    "description": f"{described(name, notice)}, linked statically",
                    "licenses": [{"expression": licence}],
                    "purl": f"pkg:deb/debian/{package}@{version}?arch={arch}",
                    "properties": [
                        {"name": "corvane:debian-package", "value": package},
                        {"name": "corvane:path", "value": real},
                        {"name": "corvane:notice", "value": notice},
                    ],
                })
            depends.append(seen[real])
        shipped = os.path.join(args.root, binary)
        if not os.path.isfile(shipped):
            problems.append(f"{binary} is not in the archive")
            continue
        components.append({
            "type": "file",
            "bom-ref": binary,
            "name": binary,
            "version": args.version,
            "hashes": [{"alg": "SHA-256", "content": sha256(shipped)}],
            "licenses": [{"license": {"id": "Apache-2.0"}}],
        })
        dependencies.append({"ref": binary, "dependsOn": sorted(set(depends))})
    dependencies.insert(0, {"ref": "corvane", "dependsOn": sorted(BINARIES.values())})
    stamp = datetime.fromtimestamp(args.stamp, timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    bom = {
        "bomFormat": "CycloneDX",
        "specVersion": "1.5",
        "serialNumber": "urn:uuid:" + str(uuid.uuid5(uuid.NAMESPACE_URL,
                                                     f"corvane-broker/{args.version}/{stamp}")),
        "version": 1,
        "metadata": {
            "timestamp": stamp,
            "component": {
                "type": "application",
                "bom-ref": "corvane",
                "name": "corvane-broker",
                "version": args.version,
                "description": "The Corvane broker, its plug-in tool and client library (win64)",
                "licenses": [{"license": {"id": "Apache-2.0"}}],
            },
        },
        "components": components,
        "dependencies": dependencies,
    }
    return bom, static_names


def validate(bom, schema_dir, problems):
    warnings.simplefilter("ignore", DeprecationWarning)  # RefResolver: newer releases only
    try:
        import jsonschema
    except ImportError:
        problems.append("python3-jsonschema is not installed (scripts/setup.sh installs it)")
        return
    store = {}
    for name in os.listdir(schema_dir):
        if name.endswith(".schema.json"):
            with open(os.path.join(schema_dir, name), encoding="utf-8") as f:
                schema = json.load(f)
            # Stored under their file names too: the main schema refers to them so.
            store["http://cyclonedx.org/schema/" + name] = schema
            store[schema.get("$id", name)] = schema
    main = store["http://cyclonedx.org/schema/bom-1.5.SNAPSHOT.schema.json"]
    resolver = jsonschema.RefResolver.from_schema(main, store=store)
    validator = jsonschema.Draft7Validator(main, resolver=resolver)
    for error in sorted(validator.iter_errors(bom), key=lambda e: list(e.path)):
        where = "/".join(str(p) for p in error.path)
        problems.append(f"schema: {where}: {error.message[:200]}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("version", "root", "records", "notices", "schema", "out"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--stamp", type=int, required=True)
    args = parser.parse_args()
    problems = []
    bom, static_names = build(args, problems)
    validate(bom, args.schema, problems)
    named = {c["name"] for c in bom["components"]}
    for name in sorted(static_names - named):
        problems.append(f"{name} is in the link records but not in the SBOM")
    if problems:
        for p in problems:
            print(f"  FAIL sbom: {p}")
        return 1
    with open(args.out, "w", encoding="utf-8") as f:
        json.dump(bom, f, indent=2, sort_keys=False)
        f.write("\n")
    libraries = [c for c in bom["components"] if c["type"] == "library"]
    print(f"  ok: {os.path.basename(args.out)} (CycloneDX 1.5, valid): {len(libraries)} static "
          f"inputs from {len({p['value'] for c in libraries for p in c['properties'] if p['name'] == 'corvane:debian-package'})} "
          f"Debian packages, {len(bom['components']) - len(libraries)} binaries with SHA-256")
    for c in libraries:
        print(f"    {c['name']:<14} {c['version']:<22} {c['licenses'][0]['expression']}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
