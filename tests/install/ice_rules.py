#!/usr/bin/env python3
"""The installer's tables held to the Windows Installer validation (ICE) rules
that apply to this package, as no ICE validator runs on Linux:
    python3 tests/install/ice_rules.py WORK_DIR PATH/TO/Quillmark.exe VERSION
Builds WORK_DIR/Quillmark-VERSION.msi with packaging/msi.sh (that of the tree
this file is in), reads its tables with msiinfo, and prints one line a rule:
what it got and, when it fails, what it expected. msi.sh's refusal of a
version Windows Installer cannot compare is a rule here too."""
import os
import re
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK, EXE, VERSION = sys.argv[1:4]
MSI = os.path.join(WORK, f"Quillmark-{VERSION}.msi")
os.makedirs(os.path.join(WORK, "tmp"), exist_ok=True)
ENV = {**os.environ, "TMPDIR": os.path.join(WORK, "tmp"), "SOURCE_DATE_EPOCH": "1700000000"}
MSI_SH = os.path.join(ROOT, "packaging", "msi.sh")
built = subprocess.run(["bash", MSI_SH, EXE, VERSION, MSI], env=ENV, capture_output=True, text=True)
if built.returncode:
    sys.exit(f"ice: building the package: {built.stderr}")
WXS = open(os.path.join(ROOT, "packaging", "Quillmark.wxs")).read()

# The released packages' components (wixl 0.101, msiinfo export Component):
# a component's GUID never changes its attributes. 4 is a registry key path,
# without the 64-bit flag (256).
RELEASED_COMPONENTS = {
    "UserPrograms": ("{5B603E91-0568-4882-8362-CAD48844A2E6}", "4"),
    "Program": ("{F180D10E-088B-4B63-8794-0F33D3D43ED1}", "4"),
    "StartMenuShortcut": ("{503316C6-0A18-4C7E-9EB9-8DE7A7EB1FE5}", "4"),
}
# Folders of the user's profile, and the machine's that a per-user package
# must not use.
PROFILE = {"AppDataFolder", "LocalAppDataFolder", "ProgramMenuFolder", "StartMenuFolder", "DesktopFolder",
           "StartupFolder", "PersonalFolder", "FavoritesFolder", "TemplateFolder", "NetHoodFolder",
           "PrintHoodFolder", "RecentFolder", "SendToFolder", "MyPicturesFolder"}
MACHINE = {"ProgramFilesFolder", "ProgramFiles64Folder", "CommonFilesFolder", "CommonFiles64Folder",
           "SystemFolder", "System16Folder", "System64Folder", "WindowsFolder", "CommonAppDataFolder",
           "FontsFolder", "AdminToolsFolder"}
GUID = r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}"


def table(name):
    text = subprocess.run(["msiinfo", "export", MSI, name], capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.replace("\r", "").splitlines()[3:]]


def product_version(v):
    m = re.fullmatch(r"(\d+)\.(\d+)(?:\.(\d+))?", v or "")
    return bool(m) and int(m[1]) < 256 and int(m[2]) < 256 and int(m[3] or 0) < 65536


def short_long_faults(name, where):
    """ICE03's Filename: a short name (8.3, no space, none of its reserved
    characters), or short|long."""
    parts = name.split("|")
    base, dot, ext = parts[0].partition(".")
    plain = lambda t: all(32 < ord(ch) < 127 and ch not in ' \\/?|<>:*"+,;=[].' for ch in t)
    ok = (len(parts) <= 2 and 1 <= len(base) <= 8 and plain(base) and (not dot or 1 <= len(ext) <= 3 and plain(ext))
          and not re.search(r'[\\/?|<>:*"]', parts[-1]))
    return [] if ok else [f"{where}: {name}"]


directory = {row[0]: row[1] for row in table("Directory")}
def in_profile(d):
    while d and d not in PROFILE:
        d = directory.get(d)
    return bool(d)


props = dict(row[:2] for row in table("Property"))
secure = set(props.get("SecureCustomProperties", "").split(";"))
components = {row[0]: row for row in table("Component")}
registry = {row[0]: row for row in table("Registry")}
shortcuts, files = table("Shortcut"), table("File")
features = {row[0] for row in table("Feature")}
summary = dict(line.split(": ", 1) for line in subprocess.run(
    ["msiinfo", "suminfo", MSI], capture_output=True, text=True).stdout.splitlines() if ": " in line)
execute = {row[0]: int(row[2]) for row in table("InstallExecuteSequence")}


def hkcu_key_path(names):
    """Components whose key path is not an HKCU registry value of their own."""
    faults = []
    for c in sorted(names):
        _, _, _, attributes, _, key = components[c]
        reg = registry.get(key)
        if not int(attributes) & 4 or not reg or reg[1] != "1" or reg[5] != c or not reg[3]:
            faults.append(f"{c}: key path {key or 'none'}")
    return faults


def mixed(c):
    kinds = {"user" if in_profile(r[2]) else "machine" for r in components.values() if r[0] == c}
    kinds |= {{"1": "user", "-1": "either"}.get(r[1], "machine") for r in registry.values() if r[5] == c}
    kinds |= {"user" if in_profile(s[1]) else "machine" for s in shortcuts if s[3] == c}
    return len(kinds) > 1


def upgrade_rows():
    launch = {row[0] for row in table("LaunchCondition")}
    return sorted((row[1], row[2], int(row[4]) & 0x302, f"NOT {row[6]}" in launch)
                  for row in table("Upgrade") if row[0] == props.get("UpgradeCode"))


def refused(version):
    run = subprocess.run(["bash", MSI_SH, EXE, version, os.path.join(WORK, "refused.msi")],
                         env=ENV, capture_output=True, text=True)
    return run.returncode != 0 and len(run.stderr.strip().splitlines()) == 1 and version in run.stderr


profile_components = [c for c, row in components.items() if in_profile(row[2])]
upgrade_properties = [row[6] for row in table("Upgrade")]
V = props.get("ProductVersion")
RULES = [
    ("ICE03: every File, Directory and Shortcut name a valid 8.3 short name, or short|long",
     [f for row in files for f in short_long_faults(row[2], row[0])]
     + [f for row in table("Directory") if row[1] for part in row[2].split(":")
        if part != "." for f in short_long_faults(part, row[0])]
     + [f for row in shortcuts for f in short_long_faults(row[2], row[0])], []),
    ("ICE24: ProductCode a GUID, ProductVersion major.minor[.build] in range, ProductLanguage 1033",
     (bool(re.fullmatch(GUID, props.get("ProductCode", ""))), V, product_version(V), props.get("ProductLanguage")),
     (True, VERSION, True, "1033")),
    ("ICE38: components in the user's profile keyed by an HKCU registry value of their own",
     (sorted(profile_components), hkcu_key_path(profile_components)), (sorted(RELEASED_COMPONENTS), [])),
    ("ICE43: components with non-advertised shortcuts keyed by an HKCU registry value",
     hkcu_key_path({s[3] for s in shortcuts if s[4] not in features}), []),
    ("ICE57: no component mixes per-user and per-machine data",
     sorted(c for c in components if mixed(c)), []),
    ("ICE64: a RemoveFile row removing each folder the package makes in the profile",
     sorted(d for d in directory if in_profile(d) and d not in PROFILE
            and not any(r[3] == d and not r[2] and int(r[4]) & 2 for r in table("RemoveFile"))), []),
    ("ICE105: per-user only: no HKLM values, no machine folders, no services, nothing elevated",
     (sorted(r[0] for r in registry.values() if r[1] == "2"), sorted(MACHINE & set(directory)),
      len(table("ServiceInstall")), sorted(r[0] for r in table("CustomAction") if int(r[1]) & 0x800)),
     ([], [], 0, [])),
    ("components: the released GUIDs with the released attributes (no 64-bit flag)",
     {c: (row[1], row[3]) for c, row in components.items()}, RELEASED_COMPONENTS),
    ("ICE52/ICE61: AppSearch and upgrade properties public; upgrade ones secure, unique, not preset",
     [p for p in [r[0] for r in table("AppSearch")] + upgrade_properties if p != p.upper()]
     + [p for p in upgrade_properties if p not in secure or p in props or upgrade_properties.count(p) > 1], []),
    ("ICE61: older versions removed, a newer one detected and refused, this one neither",
     upgrade_rows(), [("", V, 0, False), (V, "", 2, True)]),
    ("ICE63: RemoveExistingProducts between InstallValidate and InstallInitialize",
     execute.get("InstallValidate", 0) < execute.get("RemoveExistingProducts", -1) < execute.get("InstallInitialize", 0),
     True),
    ("INSTALLFOLDER, given on the command line, secure", "INSTALLFOLDER" in secure, True),
    ("summary: Template", summary.get("Template"), "x64;1033"),
    ("summary: word count: compressed, long names, no elevation", summary.get("Source", "").split()[0], "10"),
    ("summary: page count, the InstallerVersion declared, at least 200 for x64",
     (int(summary.get("Version", "0").split()[0]), int(summary.get("Version", "0").split()[0]) >= 200),
     (int(re.search(r'InstallerVersion="(\d+)"', WXS)[1]), True)),
    ("summary: package code a GUID, neither the product code nor msi.sh's placeholder",
     (bool(re.fullmatch(GUID, summary.get("Revision number (UUID)", ""))),
      summary.get("Revision number (UUID)") in (props.get("ProductCode"), "{00000000-0000-0000-0000-000000000000}")),
     (True, False)),
    ("msi.sh refuses, in one line, versions Windows Installer cannot compare",
     {v: refused(v) for v in ("1.2.3.4", "256.0", "1.256", "1.0.65536", "1", "v1.0")},
     {v: True for v in ("1.2.3.4", "256.0", "1.256", "1.0.65536", "1", "v1.0")}),
]
failed = 0
for rule, got, expected in RULES:
    if got == expected:
        print(f"ok   {rule}: {got}")
    else:
        failed += 1
        print(f"FAIL {rule}: got {got}, expected {expected}")
print(f"ice: {len(RULES) - failed} of {len(RULES)} rules hold on {MSI}")
sys.exit(1 if failed else 0)
