#!/usr/bin/python3
"""Checks a release's winget manifest against winget's rules and against the packages it names.

    tests/packaging/check-winget.py FOLDER VERSION WEB_ADDRESS MACHINE_MSI USER_MSI
"""
import hashlib
import re
import subprocess
import sys
from pathlib import Path

import yaml

folder, version, web_address, machine_msi, user_msi = sys.argv[1:]
problems = []
# 2 to 8 parts of 1 to 32 characters, none of them a space or \/:*?"<>|.
IDENTIFIER = re.compile(r'[^.\s\\/:*?"<>|]{1,32}(\.[^.\s\\/:*?"<>|]{1,32}){1,7}')

files = sorted(Path(folder).glob("*.yaml"))
documents = {}
for path in files:
    document = yaml.safe_load(path.read_text(encoding="utf-8"))
    documents[document.get("ManifestType")] = (path.name, document)
if sorted(documents) != ["defaultLocale", "installer", "version"] or len(files) != 3:
    problems.append(f"files {[p.name for p in files]} of types {sorted(documents)}")
identifier = documents.get("version", ("", {}))[1].get("PackageIdentifier", "")
if not IDENTIFIER.fullmatch(identifier):
    problems.append(f"PackageIdentifier {identifier!r}")
locale = documents.get("version", ("", {}))[1].get("DefaultLocale")
names = {"version": f"{identifier}.yaml", "installer": f"{identifier}.installer.yaml",
         "defaultLocale": f"{identifier}.locale.{locale}.yaml"}
for kind, (name, document) in documents.items():
    if name != names.get(kind):
        problems.append(f"{name}: named {names.get(kind)} for its type")
    for key, wanted in (("ManifestVersion", "1.10.0"), ("PackageIdentifier", identifier),
                        ("PackageVersion", version)):
        if document.get(key) != wanted:
            problems.append(f"{name}: {key} {document.get(key)!r}, not {wanted!r}")

_, locale_document = documents.get("defaultLocale", ("", {}))
for key in ("PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"):
    if not locale_document.get(key):
        problems.append(f"default locale: no {key}")
if locale_document.get("PackageLocale") != locale:
    problems.append(f"default locale {locale_document.get('PackageLocale')!r} is not {locale!r}")

_, installer = documents.get("installer", ("", {}))
if "quillet" not in installer.get("Commands", []):
    problems.append(f"Commands {installer.get('Commands')}")
if {"InstallerReturnCode": 3010, "ReturnResponse": "rebootRequiredToFinish"} not in installer.get(
        "ExpectedReturnCodes", []):
    problems.append(f"ExpectedReturnCodes {installer.get('ExpectedReturnCodes')}")
packages = {"machine": Path(machine_msi), "user": Path(user_msi)}
entries = installer.get("Installers", [])
if sorted(e.get("Scope", "") for e in entries) != sorted(packages):
    problems.append(f"installers for scopes {[e.get('Scope') for e in entries]}")
for entry in entries:
    msi = packages.get(entry.get("Scope"))
    if not msi:
        continue
    # An entry takes what it does not give from the manifest's top level.
    field = lambda key: entry.get(key, installer.get(key))
    properties = subprocess.run(["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True,
                                text=True).stdout
    product = re.search(r"^ProductCode\t(\S+)", properties, re.M).group(1)
    wanted = {"InstallerType": "wix", "Architecture": "x64", "UpgradeBehavior": "install", "ProductCode": product,
              "InstallerSha256": hashlib.sha256(msi.read_bytes()).hexdigest().upper(),
              "InstallerUrl": f"https://{web_address}/{msi.name}"}
    for key, value in wanted.items():
        got = field(key)
        if (got.upper() if key == "InstallerSha256" and isinstance(got, str) else got) != value:
            problems.append(f"{entry.get('Scope')} installer: {key} {got!r}, not {value!r}")
    if not re.fullmatch(r"[0-9A-Fa-f]{64}", str(field("InstallerSha256"))):
        problems.append(f"{entry.get('Scope')} installer: InstallerSha256 {field('InstallerSha256')!r}")

for problem in problems:
    print("FAIL:", problem)
print(f"{len(files)} manifest files checked, {len(problems)} failure(s)")
sys.exit(1 if problems else 0)
