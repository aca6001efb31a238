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
documents = {}
for path in Path(folder).glob("*.yaml"):
    document = yaml.safe_load(path.read_text(encoding="utf-8"))
    documents[document.get("ManifestType")] = document
    for key, wanted in (("ManifestVersion", "1.10.0"), ("PackageVersion", version)):
        if document.get(key) != wanted:
            problems.append(f"{path.name}: {key} {document.get(key)!r}")
if sorted(documents) != ["defaultLocale", "installer", "version"]:
    problems.append(f"manifest types {sorted(documents)}")
identifiers = {d.get("PackageIdentifier") for d in documents.values()}
# 2 to 8 parts of 1 to 32 characters, none of them a space or \/:*?"<>|.
if len(identifiers) != 1 or not re.fullmatch(r'[^.\s\\/:*?"<>|]{1,32}(\.[^.\s\\/:*?"<>|]{1,32}){1,7}',
                                              str(next(iter(identifiers)))):
    problems.append(f"PackageIdentifier {identifiers}")

installer = documents.get("installer", {})
if "quillet" not in installer.get("Commands", []):
    problems.append(f"Commands {installer.get('Commands')}")
if {"InstallerReturnCode": 3010, "ReturnResponse": "rebootRequiredToFinish"} not in installer.get(
        "ExpectedReturnCodes", []):
    problems.append(f"ExpectedReturnCodes {installer.get('ExpectedReturnCodes')}")
packages = {"machine": Path(machine_msi), "user": Path(user_msi)}
entries = installer.get("Installers", [])
if sorted(e.get("Scope", "") for e in entries) != sorted(packages):
    problems.append(f"installers for scopes {[e.get('Scope') for e in entries]}")
for entry in (e for e in entries if e.get("Scope") in packages):
    msi = packages[entry["Scope"]]
    properties = subprocess.run(["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True,
                                text=True).stdout
    wanted = {"InstallerType": "wix", "Architecture": "x64", "UpgradeBehavior": "install",
              "ProductCode": re.search(r"^ProductCode\t(\S+)", properties, re.M).group(1),
              "InstallerSha256": hashlib.sha256(msi.read_bytes()).hexdigest(),
              "InstallerUrl": f"https://{web_address}/{msi.name}"}
    for key, value in wanted.items():
        # An entry takes what it does not give from the manifest's top level; hex digits in either case.
        got = str(entry.get(key, installer.get(key)))
        if (got.lower() if key == "InstallerSha256" else got) != value:
            problems.append(f"{entry['Scope']} installer: {key} {got!r}, not {value!r}")

for problem in problems:
    print("FAIL:", problem)
print(f"{len(documents)} manifest files checked, {len(problems)} failure(s)")
sys.exit(1 if problems else 0)
