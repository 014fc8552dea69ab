"""The manifests of a release, as the catalogues and the package managers read them.

    python3 tests/release_manifests.py MANIFESTS DOWNLOADS VERSION UPGRADE_CODE

MANIFESTS is what packaging/manifests.sh wrote, DOWNLOADS the folder of the ZIP
and the installer it was given. The winget manifests must meet the rules of
the schema version they declare (required fields, and the formats of the
fields used, written from winget-cli's schemas/JSON/manifests/v1.12.0): a
field these rules do not know fails, to be checked against the schema and
added. The Scoop manifest must meet Scoop's schema.json and its wiki's
required fields. Each manifest must carry its download's SHA-256 and release
URL, and each path it names must be in the download, where the package
manager looks for it. Prints each fault, and exits 1 if there is one.
"""
import hashlib
import json
import os
import re
import subprocess
import sys
import zipfile

import yaml

manifests, downloads, version, upgrade_code = sys.argv[1:]
name = f"Quillmark-{version}-win64"
zip_path, msi_path = f"{downloads}/{name}.zip", f"{downloads}/{name}.msi"
faults = []


def check(what, got, expected):
    if got != expected:
        faults.append(f"{what}: got {got!r}, expected {expected!r}")


# Field rules of winget's 1.12.0 schemas: (pattern, min length, max length)
# or a set of allowed values; None for a list or an object checked by itself.
URL = (r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$", 1, 2048)
LOCALE = (r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$", 1, 20)
TEXT = lambda low, high: (r"", low, high)  # noqa: E731
NUMBER = r"(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])"  # 0 to 65535
COMMON = {
    "PackageIdentifier": (r"^[^\.\s\\/:\*\?\"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?\"<>\|\x01-\x1f]{1,32}){1,7}$", 1, 128),
    "PackageVersion": (r"^[^\\/:\*\?\"<>\|\x01-\x1f]+$", 1, 128),
    "ManifestVersion": (rf"^{NUMBER}(\.{NUMBER}){{2}}$", 5, 17),
}
RULES = {
    "version": ({"DefaultLocale": LOCALE, "ManifestType": {"version"}},
                ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"]),
    "defaultLocale": ({
        "PackageLocale": LOCALE, "Publisher": TEXT(2, 256), "PublisherUrl": URL, "PublisherSupportUrl": URL,
        "PackageName": TEXT(2, 256), "PackageUrl": URL, "License": TEXT(3, 512), "LicenseUrl": URL,
        "Copyright": TEXT(3, 512), "ShortDescription": TEXT(3, 256), "Description": TEXT(3, 10000),
        "Moniker": TEXT(1, 40), "Tags": None, "ReleaseNotesUrl": URL, "ManifestType": {"defaultLocale"}},
        ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
         "ShortDescription", "ManifestType", "ManifestVersion"]),
    "installer": ({"InstallerLocale": LOCALE, "ReleaseDate": (r"^\d{4}-\d{2}-\d{2}$", 10, 10), "Installers": None,
                   "ManifestType": {"installer"}},
                  ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"]),
}
INSTALLER = {
    "Architecture": {"x86", "x64", "arm", "arm64", "neutral"},
    "InstallerType": {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable", "font"},
    "NestedInstallerType": {"msix", "msi", "appx", "exe", "inno", "nullsoft", "wix", "burn", "portable", "font"},
    "NestedInstallerFiles": None, "Scope": {"user", "machine"}, "InstallerUrl": URL,
    "InstallerSha256": (r"^[A-Fa-f0-9]{64}$", 64, 64), "InstallerSwitches": None, "ProductCode": TEXT(1, 255),
    "UpgradeBehavior": {"install", "uninstallPrevious", "deny"}, "AppsAndFeaturesEntries": None,
}
NESTED = {"RelativeFilePath": TEXT(1, 512), "PortableCommandAlias": TEXT(1, 40)}
SWITCHES = {"InstallLocation": TEXT(1, 512)}
ENTRY = {"DisplayName": TEXT(1, 256), "Publisher": TEXT(1, 256), "DisplayVersion": TEXT(1, 128),
         "ProductCode": TEXT(1, 255), "UpgradeCode": TEXT(1, 255)}


def meets(where, fields, rules, required=()):
    for field in required:
        if field not in fields:
            faults.append(f"{where}: no {field}")
    for field, value in fields.items():
        if field not in rules:
            faults.append(f"{where}: {field} is not a field these rules know")
        elif isinstance(rules[field], set):
            if value not in rules[field]:
                faults.append(f"{where}: {field} {value!r} is none of {sorted(rules[field])}")
        elif rules[field] is not None:
            pattern, low, high = rules[field]
            if not isinstance(value, str) or not low <= len(value) <= high or not re.match(pattern, value):
                faults.append(f"{where}: {field} {value!r} is not a string of {low}..{high} matching {pattern}")


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def msi_table(table):
    text = subprocess.run(["msiinfo", "export", msi_path, table], capture_output=True, text=True, check=True).stdout
    return [line.rstrip("\r").split("\t") for line in text.splitlines()[3:]]


url = f"https://github.com/owner/quillmark/releases/download/v{version}/"
winget = {}
for kind, suffix in (("version", ""), ("installer", ".installer"), ("defaultLocale", ".locale.en-US")):
    path = f"{manifests}/winget/Quillmark.Quillmark{suffix}.yaml"
    text = open(path).read()
    winget[kind] = manifest = yaml.load(text, Loader=yaml.BaseLoader)  # every scalar a string, as winget reads it
    fields, required = RULES[kind]
    meets(path, manifest, {**COMMON, **fields}, required)
    check(f"{path}: ManifestType", manifest.get("ManifestType"), kind)
    schema = f"$schema=https://aka.ms/winget-manifest.{kind}.{manifest.get('ManifestVersion')}.schema.json"
    check(f"{path}: the schema named", schema in text, True)
    check(f"{path}: the version", manifest.get("PackageVersion"), version)
check("winget: one ManifestVersion", len({m.get("ManifestVersion") for m in winget.values()}), 1)
check("winget: ManifestVersion", winget["version"].get("ManifestVersion"), "1.12.0")
check("winget: License", winget["defaultLocale"].get("License"), "MIT")
check("winget: ReleaseDate, the release's", winget["installer"].get("ReleaseDate"), os.environ["QUILLMARK_RELEASE_DATE"])
for tag in winget["defaultLocale"].get("Tags", []):
    meets("winget Tags", {"Tag": tag}, {"Tag": TEXT(1, 40)})

msi_entry, zip_entry = winget["installer"]["Installers"]
meets("the installer's entry", msi_entry, INSTALLER, ["Architecture", "InstallerUrl", "InstallerSha256"])
meets("the ZIP's entry", zip_entry, INSTALLER, ["Architecture", "InstallerUrl", "InstallerSha256"])
for entry, path in ((msi_entry, msi_path), (zip_entry, zip_path)):
    check(f"{path}: winget's URL", entry.get("InstallerUrl"), url + path.rsplit("/", 1)[1])
    check(f"{path}: winget's SHA-256", entry.get("InstallerSha256"), sha256(path))

# The installer: its own codes; the folder its InstallLocation switch names
# is the one Quillmark.exe goes into.
properties = dict(row[:2] for row in msi_table("Property"))
check("the installer's upgrade code", properties.get("UpgradeCode"), upgrade_code)
for arp in msi_entry.get("AppsAndFeaturesEntries", []):
    meets("AppsAndFeaturesEntries", arp, ENTRY)
    check("the Settings > Apps entry's codes", (arp.get("ProductCode"), arp.get("UpgradeCode")),
          (properties.get("ProductCode"), upgrade_code))
    check("the Settings > Apps entry's DisplayVersion, which repeats PackageVersion", "DisplayVersion" in arp, False)
check("winget's ProductCode", msi_entry.get("ProductCode"), properties.get("ProductCode"))
# For an administrator a per-user package's entry is under HKLM, so a Scope
# of user would make winget refuse every upgrade.
check("the installer's entry names a Scope", "Scope" in msi_entry, False)
# The catalogue's tools call a package wix when the WiX Toolset wrote it (its
# summary's creating application, or a Wix property) and msi otherwise, and
# match an update's download to an entry of that type.
summary = subprocess.run(["msiinfo", "suminfo", msi_path], capture_output=True, text=True, check=True).stdout
wix = "Windows Installer XML" in summary or any("wix" in p.lower() for p in properties)
check("winget's InstallerType, as the package is made", msi_entry.get("InstallerType"), "wix" if wix else "msi")
switches = msi_entry.get("InstallerSwitches", {})
meets("InstallerSwitches", switches, SWITCHES)
folder = re.fullmatch(r'(\w+)="<INSTALLPATH>"', switches.get("InstallLocation", ""))
files = {row[2].split("|")[-1]: row[1] for row in msi_table("File")}  # long name: component
component_folder = {row[0]: row[2] for row in msi_table("Component")}
check("the folder of winget's InstallLocation switch holds Quillmark.exe",
      folder and folder.group(1), component_folder.get(files.get("Quillmark.exe")))
for shortcut in msi_table("Shortcut"):
    target = re.fullmatch(r"\[(\w+)\](.+)", shortcut[4])
    check(f"the shortcut's target {shortcut[4]}, a file the installer puts in that folder",
          target and component_folder.get(files.get(target.group(2))), target and target.group(1))

# The ZIP, as winget and Scoop unpack it.
names = zipfile.ZipFile(zip_path).namelist()
for nested in zip_entry.get("NestedInstallerFiles", []):
    meets("NestedInstallerFiles", nested, NESTED, ["RelativeFilePath"])
    check(f"winget's nested {nested['RelativeFilePath']}, in the ZIP", nested["RelativeFilePath"].replace("\\", "/") in names, True)

scoop_path = f"{manifests}/scoop/quillmark.json"
scoop = json.load(open(scoop_path))
meets(scoop_path, {k: v for k, v in scoop.items() if k in ("version", "homepage", "license", "description")},
      {"version": (r"^[\w\-.+_]+$", 1, 100), "homepage": URL, "license": {"MIT"}, "description": TEXT(3, 1000)},
      ["version", "homepage", "license", "description"])
known = {"version", "description", "homepage", "license", "architecture", "bin", "shortcuts", "checkver", "autoupdate"}
check("Scoop's fields, all known to its schema", sorted(set(scoop) - known), [])
arch = scoop["architecture"]["64bit"]
check("Scoop's download", (arch.get("url"), arch.get("hash")), (url + f"{name}.zip", sha256(zip_path)))
for path in [scoop["bin"]] + [shortcut[0] for shortcut in scoop["shortcuts"]]:
    check(f"Scoop's {path}, in the ZIP's {arch['extract_dir']}", f"{arch['extract_dir']}/{path}" in names, True)
update = scoop["autoupdate"]["architecture"]["64bit"]
check("Scoop's autoupdate for this version",
      (update["url"].replace("$version", version), update["extract_dir"].replace("$version", version)),
      (arch["url"], arch["extract_dir"]))

print("\n".join(f"FAIL: {fault}" for fault in faults) or "manifests: as the catalogues want them")
sys.exit(1 if faults else 0)
