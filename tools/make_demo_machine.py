#!/usr/bin/env python3
"""Writes data/demo/machine.reg: the registry of a 64-bit Windows 10 machine with a typical mix
of installed software, as `reg export HKLM\\SOFTWARE` would give it (UTF-16LE, CRLF).

Run it from anywhere; it writes beside the repository's data/demo. The output is committed, so
that the demo and the tests do not need Python."""

import pathlib
import uuid
import zlib

NAMESPACE = uuid.UUID("6f1d2a52-7c0e-4bb1-9d3e-2a5c8e1f0b47")
UNINSTALL = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
UNINSTALL32 = r"SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS = r"SOFTWARE\Classes\Installer\Products"
UPGRADE_CODES = r"SOFTWARE\Classes\Installer\UpgradeCodes"
USER_DATA = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products"

PF = r"C:\Program Files"
PF86 = r"C:\Program Files (x86)"


def guid(seed):
    return "{" + str(uuid.uuid5(NAMESPACE, seed)).upper() + "}"


def pack(code):
    digits = code.strip("{}").replace("-", "")
    return digits[7::-1] + digits[11:7:-1] + digits[15:11:-1] + "".join(
        digits[i + 1] + digits[i] for i in range(16, 32, 2))


# Values: a str is REG_SZ; ("expand", s), ("dword", n), ("multi", [..]), ("binary", bytes),
# ("qword", n) the other types.
class Key:
    def __init__(self, path):
        self.path = path
        self.values = []

    def set(self, name, value):
        self.values.append((name, value))
        return self


keys = {}


def key(path):
    if path not in keys:
        keys[path] = Key(path)
    return keys[path]


def escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def hex_lines(prefix, data):
    # regedit wraps hex data after about 80 columns with a trailing backslash.
    parts = ["%02x" % b for b in data]
    out, line = [], prefix
    for i, part in enumerate(parts):
        piece = part + ("," if i + 1 < len(parts) else "")
        if len(line) + len(piece) > 77:
            out.append(line + "\\")
            line = "  "
        line += piece
    out.append(line)
    return "\r\n".join(out)


def format_value(name, value):
    lead = "@=" if name == "" else '"%s"=' % escape(name)
    if isinstance(value, str):
        return lead + '"%s"' % escape(value)
    kind, data = value
    if kind == "dword":
        return lead + "dword:%08x" % (data & 0xFFFFFFFF)
    if kind == "expand":
        return hex_lines(lead + "hex(2):", (data + "\0").encode("utf-16-le"))
    if kind == "multi":
        return hex_lines(lead + "hex(7):", ("".join(s + "\0" for s in data) + "\0").encode("utf-16-le"))
    if kind == "qword":
        return hex_lines(lead + "hex(b):", data.to_bytes(8, "little"))
    if kind == "binary":
        return hex_lines(lead + "hex:", data)
    raise ValueError(kind)


def exe_entry(view, name, version, publisher, folder, exe, uninstaller, url=None, update=None,
              key_name=None, icon=None, quiet=False, size=None, extra=()):
    base = PF if view == 64 else PF86
    location = base + "\\" + folder
    k = key((UNINSTALL if view == 64 else UNINSTALL32) + "\\" + (key_name or name))
    k.set("DisplayName", name)
    k.set("DisplayVersion", version)
    k.set("Publisher", publisher)
    k.set("InstallLocation", location + "\\")
    k.set("DisplayIcon", icon if icon is not None else location + "\\" + exe + ",0")
    # An uninstaller given with its drive lives outside the program's folder.
    uninstall_path = uninstaller if uninstaller[1:3] == ":\\" else location + "\\" + uninstaller
    end = uninstall_path.lower().find(".exe") + 4
    k.set("UninstallString", '"%s"%s' % (uninstall_path[:end], uninstall_path[end:]))
    if quiet:
        k.set("QuietUninstallString", '"%s\\%s" /S' % (location, uninstaller))
    if url:
        k.set("URLInfoAbout", url)
    if update:
        k.set("URLUpdateInfo", update)
    parts = version.split(".")
    if parts[0].isdigit():
        k.set("VersionMajor", ("dword", int(parts[0])))
    if len(parts) > 1 and parts[1].isdigit():
        k.set("VersionMinor", ("dword", int(parts[1])))
    k.set("NoModify", ("dword", 1))
    k.set("NoRepair", ("dword", 1))
    k.set("EstimatedSize", ("dword", size or 1000 + zlib.crc32(name.encode()) % 150000))
    for name_, value in extra:
        k.set(name_, value)
    return k


def version_dword(version):
    parts = [int(p) for p in version.split(".")[:3]] + [0, 0, 0]
    return (parts[0] << 24) | (parts[1] << 16) | parts[2]


def msi_product(view, name, version, publisher, folder, url=None, update=None, help_link=None,
                contact=None, comments=None, icon=None, language=1033, system_component=False,
                arp_name=None):
    """One Windows Installer product, registered where the installer keeps it: the Uninstall
    entry, the product registration under Classes\\Installer and the installed-product data."""
    code = guid("product:" + name + version)
    package = guid("package:" + name + version)
    upgrade = guid("upgrade:" + name)
    packed = pack(code)
    location = (PF if view == 64 else PF86) + "\\" + folder + "\\"
    major, minor = [int(p) for p in version.split(".")[:2]]
    display = arp_name or name
    msi_file = "%s.msi" % name.replace(" ", "_").replace("(", "").replace(")", "")[:40]
    local = r"C:\Windows\Installer\%x.msi" % (uuid.uuid5(NAMESPACE, code).int & 0xFFFFFFF)

    arp = key((UNINSTALL if view == 64 else UNINSTALL32) + "\\" + code)
    arp.set("AuthorizedCDFPrefix", "")
    if comments:
        arp.set("Comments", comments)
    if contact:
        arp.set("Contact", contact)
    arp.set("DisplayVersion", version)
    arp.set("HelpLink", help_link or "")
    arp.set("HelpTelephone", "")
    arp.set("InstallDate", "20240312")
    arp.set("InstallLocation", location)
    arp.set("InstallSource", "C:\\Users\\demo\\Downloads\\")
    arp.set("ModifyPath", ("expand", "MsiExec.exe /I" + code))
    arp.set("Publisher", publisher)
    arp.set("Readme", "")
    arp.set("Size", "")
    arp.set("EstimatedSize", ("dword", 20000 + int(packed[:4], 16) % 200000))
    arp.set("UninstallString", ("expand", "MsiExec.exe /X" + code))
    arp.set("URLInfoAbout", url or "")
    arp.set("URLUpdateInfo", update or "")
    arp.set("VersionMajor", ("dword", major))
    arp.set("VersionMinor", ("dword", minor))
    arp.set("WindowsInstaller", ("dword", 1))
    arp.set("Version", ("dword", version_dword(version)))
    arp.set("Language", ("dword", language))
    arp.set("DisplayName", display)
    if system_component:
        arp.set("SystemComponent", ("dword", 1))

    product = key(PRODUCTS + "\\" + packed)
    product.set("ProductName", name)
    product.set("PackageCode", pack(package))
    product.set("Language", ("dword", language))
    product.set("Version", ("dword", version_dword(version)))
    product.set("Assignment", ("dword", 1))
    product.set("AdvertiseFlags", ("dword", 0x184))
    product.set("InstanceType", ("dword", 0))
    product.set("AuthorizedLUAApp", ("dword", 0))
    product.set("Clients", ("multi", [":"]))
    if icon:
        product.set("ProductIcon", icon)
    source = key(PRODUCTS + "\\" + packed + "\\SourceList")
    source.set("PackageName", msi_file)
    source.set("LastUsedSource", ("expand", "n;1;C:\\Users\\demo\\Downloads\\"))
    key(PRODUCTS + "\\" + packed + "\\SourceList\\Net").set("1", ("expand", "C:\\Users\\demo\\Downloads\\"))
    key(PRODUCTS + "\\" + packed + "\\SourceList\\Media").set("1", ";")

    props = key(USER_DATA + "\\" + packed + "\\InstallProperties")
    props.set("LocalPackage", local)
    props.set("AuthorizedCDFPrefix", "")
    if comments:
        props.set("Comments", comments)
    if contact:
        props.set("Contact", contact)
    props.set("DisplayVersion", version)
    props.set("HelpLink", help_link or "")
    props.set("HelpTelephone", "")
    props.set("InstallDate", "20240312")
    props.set("InstallLocation", location)
    props.set("InstallSource", "C:\\Users\\demo\\Downloads\\")
    props.set("ModifyPath", ("expand", "MsiExec.exe /I" + code))
    props.set("NoModify", ("dword", 1))
    props.set("Publisher", publisher)
    props.set("Readme", "")
    props.set("Size", "")
    props.set("EstimatedSize", ("dword", 20000 + int(packed[:4], 16) % 200000))
    props.set("UninstallString", ("expand", "MsiExec.exe /X" + code))
    props.set("URLInfoAbout", url or "")
    props.set("URLUpdateInfo", update or "")
    props.set("VersionMajor", ("dword", major))
    props.set("VersionMinor", ("dword", minor))
    props.set("WindowsInstaller", ("dword", 1))
    props.set("Version", ("dword", version_dword(version)))
    props.set("Language", ("dword", language))
    props.set("DisplayName", display)
    if system_component:
        props.set("SystemComponent", ("dword", 1))
    key(USER_DATA + "\\" + packed + "\\Features")
    key(UPGRADE_CODES + "\\" + pack(upgrade)).set(packed, "")
    return code


# --- the operating system ---------------------------------------------------------------------
cv = key(r"SOFTWARE\Microsoft\Windows NT\CurrentVersion")
for name, value in [
        ("SystemRoot", "C:\\WINDOWS"), ("BuildBranch", "vb_release"), ("BuildGUID", "ffffffff-ffff-ffff-ffff-ffffffffffff"),
        ("BuildLab", "19041.vb_release.191206-1406"), ("BuildLabEx", "19041.1.amd64fre.vb_release.191206-1406"),
        ("CompositionEditionID", "Enterprise"), ("CurrentBuild", "19045"), ("CurrentBuildNumber", "19045"),
        ("CurrentMajorVersionNumber", ("dword", 10)), ("CurrentMinorVersionNumber", ("dword", 0)),
        ("CurrentType", "Multiprocessor Free"), ("CurrentVersion", "6.3"), ("DisplayVersion", "22H2"),
        ("EditionID", "Professional"), ("EditionSubManufacturer", ""), ("EditionSubstring", ""),
        ("EditionSubVersion", ""), ("InstallationType", "Client"), ("InstallDate", ("dword", 1684137600)),
        ("InstallTime", ("qword", 133285824000000000)), ("PathName", "C:\\Windows"),
        ("ProductId", "00330-80000-00000-AA123"), ("ProductName", "Windows 10 Pro"),
        ("RegisteredOrganization", ""), ("RegisteredOwner", "demo"), ("ReleaseId", "2009"),
        ("SoftwareType", "System"), ("UBR", ("dword", 3693))]:
    cv.set(name, value)
key(r"SOFTWARE\Microsoft\Windows\CurrentVersion").set("ProgramFilesDir", PF).set(
    "ProgramFilesDir (x86)", PF86).set("CommonFilesDir", PF + "\\Common Files").set("ProgramW6432Dir", PF)
key(r"SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion").set("ProgramFilesDir", PF86).set(
    "CommonFilesDir", PF86 + "\\Common Files")

# Keys Windows itself leaves under Uninstall: no name, nothing to uninstall.
for view_key in (UNINSTALL, UNINSTALL32):
    for empty in ["AddressBook", "DirectDrawEx", "DXM_Runtime", "Fontcore", "IE40", "IE4Data", "IE5BAKEX",
                  "IEData", "MobileOptionPack", "SchedulingAgent", "WIC"]:
        key(view_key + "\\" + empty)
key(UNINSTALL + "\\Connection Manager").set("SystemComponent", ("dword", 1))
key(UNINSTALL32 + "\\Connection Manager").set("SystemComponent", ("dword", 1))

# --- 64-bit programs with their own setup -------------------------------------------------------
E = exe_entry
E(64, "7-Zip 23.01 (x64)", "23.01", "Igor Pavlov", "7-Zip", "7zFM.exe", "Uninstall.exe", key_name="7-Zip",
  url="https://www.7-zip.org/", update="https://www.7-zip.org/download.html")
E(64, "Notepad++ (64-bit x64)", "8.6.2", "Notepad++ Team", "Notepad++", "notepad++.exe", "uninstall.exe",
  key_name="Notepad++", url="https://notepad-plus-plus.org/", icon=PF + "\\Notepad++\\notepad++.exe")
E(64, "VLC media player", "3.0.20", "VideoLAN", "VideoLAN\\VLC", "vlc.exe", "uninstall.exe",
  url="http://www.videolan.org/", update="http://www.videolan.org/", icon=PF + "\\VideoLAN\\VLC\\vlc.exe")
E(64, "Mozilla Firefox (x64 de)", "121.0.1", "Mozilla", "Mozilla Firefox", "firefox.exe", "uninstall\\helper.exe",
  key_name="Mozilla Firefox 121.0.1 (x64 de)", url="https://www.mozilla.org", update="https://www.mozilla.org/firefox/121.0.1/releasenotes")
E(64, "Mozilla Thunderbird (x64 de)", "115.6.1", "Mozilla", "Mozilla Thunderbird", "thunderbird.exe",
  "uninstall\\helper.exe", key_name="Mozilla Thunderbird 115.6.1 (x64 de)", url="https://www.mozilla.org/de/thunderbird/")
E(64, "Git", "2.43.0", "The Git Development Community", "Git", "mingw64\\share\\git\\git-for-windows.ico",
  "unins000.exe", key_name="Git_is1", url="https://gitforwindows.org/", icon=PF + "\\Git\\mingw64\\share\\git\\git-for-windows.ico")
E(64, "Microsoft Visual Studio Code", "1.85.1", "Microsoft Corporation", "Microsoft VS Code", "Code.exe",
  "unins000.exe", key_name="{EA457B21-F73E-494C-ACAB-524FDE069978}_is1", url="https://code.visualstudio.com/")
E(64, "GIMP 2.10.36", "2.10.36", "The GIMP Team", "GIMP 2", "bin\\gimp-2.10.exe", "uninst\\unins000.exe",
  key_name="GIMP-2_is1", url="https://www.gimp.org/", update="https://www.gimp.org/downloads/")
E(64, "Audacity 3.4.2", "3.4.2", "Audacity Team", "Audacity", "Audacity.exe", "unins000.exe",
  key_name="Audacity_is1", url="https://www.audacityteam.org/")
E(64, "KeePass Password Safe 2.55", "2.55", "Dominik Reichl", "KeePass Password Safe 2", "KeePass.exe",
  "unins000.exe", key_name="KeePassPasswordSafe2_is1", url="https://keepass.info/")
E(64, "WinSCP 6.1.2", "6.1.2", "Martin Prikryl", "WinSCP", "WinSCP.exe", "unins000.exe", key_name="winscp3_is1",
  url="https://winscp.net/", update="https://winscp.net/eng/download.php")
E(64, "OBS Studio", "30.0.2", "OBS Project", "obs-studio", "bin\\64bit\\obs64.exe", "uninstall.exe",
  url="https://obsproject.com")
E(64, "HandBrake 1.7.2", "1.7.2", "HandBrake Team", "HandBrake", "HandBrake.exe", "uninst.exe", key_name="HandBrake",
  url="https://handbrake.fr/")
E(64, "ShareX", "15.0.0", "ShareX Team", "ShareX", "ShareX.exe", "unins000.exe", key_name="82E6AC09-0FEF-4390-AD9F-0DD3F5561EFC_is1",
  url="https://getsharex.com")
E(64, "Everything 1.4.1.1024 (x64)", "1.4.1.1024", "voidtools", "Everything", "Everything.exe", "Uninstall.exe",
  key_name="Everything", url="https://www.voidtools.com/")
E(64, "TreeSize Free V4.7.0", "4.7.0", "JAM Software", "JAM Software\\TreeSize Free", "TreeSizeFree.exe",
  "unins000.exe", key_name="TreeSize Free_is1", url="https://www.jam-software.de/treesize_free")
E(64, "WinMerge 2.16.36.0 x64", "2.16.36.0", "Thingamahoochie Software", "WinMerge", "WinMergeU.exe",
  "unins000.exe", key_name="WinMerge_is1", url="https://winmerge.org/")
E(64, "Greenshot 1.2.10.6", "1.2.10.6", "Greenshot", "Greenshot", "Greenshot.exe", "unins000.exe",
  key_name="Greenshot_is1", url="https://getgreenshot.org")
E(64, "SumatraPDF", "3.5.2", "Krzysztof Kowalczyk", "SumatraPDF", "SumatraPDF.exe", "SumatraPDF.exe -uninstall",
  url="https://www.sumatrapdfreader.org/")
E(64, "Wireshark 4.2.2 64-bit", "4.2.2", "The Wireshark developer community, https://www.wireshark.org",
  "Wireshark", "Wireshark.exe", "uninstall-wireshark.exe", key_name="Wireshark", url="https://www.wireshark.org",
  update="https://www.wireshark.org/download.html")
E(64, "Npcap", "1.78", "Nmap Project", "Npcap", "NPFInstall.exe", "uninstall.exe", key_name="NpcapInst",
  url="https://npcap.com/")
E(64, "IrfanView 4.66 (64-bit)", "4.66", "Irfan Skiljan", "IrfanView", "i_view64.exe", "iv_uninstall.exe",
  key_name="IrfanView64", url="https://www.irfanview.com/")
E(64, "XnView MP 1.6.6", "1.6.6", "Gougelet Pierre-e", "XnViewMP", "xnviewmp.exe", "unins000.exe",
  key_name="XnViewMP_is1", url="https://www.xnview.com")
E(64, "CCleaner", "6.19", "Piriform", "CCleaner", "CCleaner64.exe", "uninst.exe", url="https://www.ccleaner.com")
E(64, "Malwarebytes version 4.6.8.311", "4.6.8.311", "Malwarebytes", "Malwarebytes\\Anti-Malware", "mbam.exe",
  "mb4uns.exe", key_name="{35065F43-4BB2-439A-BFF7-0F1014F2E0CD}_is1", url="https://www.malwarebytes.com")
E(64, "TeamViewer", "15.49.2", "TeamViewer", "TeamViewer", "TeamViewer.exe", "uninstall.exe",
  url="https://www.teamviewer.com", update="https://www.teamviewer.com")
E(64, "AnyDesk", "8.0.6", "AnyDesk Software GmbH", "AnyDesk", "AnyDesk.exe", "AnyDesk.exe --uninstall",
  url="https://anydesk.com")
E(32, "Microsoft Edge", "120.0.2210.121", "Microsoft Corporation", "Microsoft\\Edge\\Application",
  "msedge.exe", "120.0.2210.121\\Installer\\setup.exe", extra=[("NoRemove", ("dword", 1))])
E(64, "Microsoft 365 Apps for business - de-de", "16.0.17126.20132", "Microsoft Corporation",
  "Common Files\\Microsoft Shared\\ClickToRun", "OfficeClickToRun.exe", "OfficeClickToRun.exe scenario=install",
  key_name="O365BusinessRetail - de-de", url="https://go.microsoft.com/fwlink/?linkid=2105947",
  icon=PF + "\\Common Files\\Microsoft Shared\\ClickToRun\\OfficeClickToRun.exe")
E(64, "Microsoft OneDrive", "23.246.1127.0002", "Microsoft Corporation", "Microsoft OneDrive", "OneDrive.exe",
  "23.246.1127.0002\\OneDriveSetup.exe /uninstall  /allusers", key_name="OneDriveSetup.exe")
E(64, "Microsoft Teams classic", "1.6.0.35961", "Microsoft Corporation", "Teams Installer", "Teams.exe",
  "Update.exe --uninstall -s", key_name="Teams")
E(64, "Zoom", "5.17.1", "Zoom Video Communications, Inc.", "Zoom\\bin", "Zoom.exe", "Installer.exe /uninstall",
  key_name="ZoomUMX", url="https://zoom.us")
E(64, "Dropbox", "191.4.4995", "Dropbox, Inc.", "Dropbox\\Client", "Dropbox.exe", "DropboxUninstaller.exe",
  url="https://www.dropbox.com", update="https://www.dropbox.com")
E(64, "Spotify", "1.2.26.1187.g36b715a1", "Spotify AB", "Spotify", "Spotify.exe", "Spotify.exe /uninstall",
  url="https://www.spotify.com")
E(64, "Signal 6.43.1", "6.43.1", "Signal Messenger, LLC", "Signal", "Signal.exe", "Uninstall Signal.exe",
  key_name="7d96caee-06e6-597c-9f2f-c7bb2e0948b4")
E(64, "Docker Desktop", "4.26.1", "Docker Inc.", "Docker\\Docker", "Docker Desktop.exe",
  "Docker Desktop Installer.exe uninstall", key_name="Docker Desktop")
E(64, "PowerToys (Preview) x64", "0.76.2", "Microsoft Corporation", "PowerToys", "PowerToys.exe",
  "PowerToysSetup-0.76.2-x64.exe /uninstall", key_name="{D8B559DB-4C98-487A-A33F-50A8EEE42726}")
E(64, "NVIDIA Grafiktreiber 546.33", "546.33", "NVIDIA Corporation", "NVIDIA Corporation\\Installer2",
  "Display.Driver\\Display.NView.ico", PF + "\\NVIDIA Corporation\\Installer2\\InstallerCore\\NVI2.DLL",
  key_name="{B2FE1952-0186-46C3-BAEC-A80AA35AC5B8}_Display.Driver", url="http://www.nvidia.com/",
  icon=("expand", "%ProgramFiles%\\NVIDIA Corporation\\Installer2\\Display.Driver.{FBC8E7C1-6C8A-4EE5-BD6A-DA6C80F8BDF1}\\Display.NView.ico"))
E(64, "Realtek High Definition Audio Driver", "6.0.9549.1", "Realtek Semiconductor Corp.",
  "Realtek\\Audio\\HDA", "RtkNGUI64.exe", PF86 + "\\InstallShield Installation Information\\{F132AF7F-7BCA-4EDE-8A7C-958108FE7DBC}\\Setup.exe -runfromtemp -l0x0407  -removeonly",
  key_name="{F132AF7F-7BCA-4EDE-8A7C-958108FE7DBC}", icon=("expand", "%ProgramFiles%\\Realtek\\Audio\\HDA\\RtkNGUI64.exe,0"))
E(64, "Logi Options+", "1.60.496306", "Logitech", "LogiOptionsPlus", "logioptionsplus.exe",
  "logioptionsplus_installer.exe /uninstall", key_name="LogiOptionsPlus", url="https://www.logitech.com/")
E(32, "Steam", "2.10.91.91", "Valve Corporation", "Steam", "steam.exe", "uninstall.exe",
  url="https://store.steampowered.com/")
E(64, "Paint.NET Portable Tools", "5.0.12", "dotPDN LLC", "paint.net tools", "tools.exe", "uninstall.exe",
  key_name="PaintDotNetTools", icon=("expand", "%ProgramFiles%\\paint.net tools\\tools.exe,0"))
E(64, "PDF24 Creator", "11.15.2", "Geek Software GmbH", "PDF24", "pdf24.exe", "uninstall.exe",
  key_name="PDF24", url="https://www.pdf24.org", icon=("expand", "%ProgramFiles%\\PDF24\\pdf24.exe"))
E(64, "Thunderbird Helper Tools", "1.0", "Beispiel-Software", "Thunderbird Helper", "helper.exe", "uninstall.exe",
  key_name="ThunderbirdHelper", url="")
E(64, "LibreOffice Help Pack (de)", "7.6.4.1", "The Document Foundation", "LibreOffice Help", "help.exe",
  "uninstall.exe", key_name="LibreOfficeHelpPackDE")

# --- 32-bit programs with their own setup -------------------------------------------------------
E(32, "FileZilla 3.66.4", "3.66.4", "Tim Kosse", "FileZilla FTP Client", "filezilla.exe", "uninstall.exe",
  key_name="FileZilla Client", url="https://filezilla-project.org/")
E(32, "Foxit PDF Reader", "2023.3.0.23028", "Foxit Software Inc.", "Foxit Software\\Foxit PDF Reader",
  "FoxitPDFReader.exe", "unins000.exe", key_name="Foxit Reader_is1", url="https://www.foxit.com/")
E(32, "foobar2000 v2.1", "2.1", "Peter Pawlowski", "foobar2000", "foobar2000.exe", "uninstall.exe",
  key_name="foobar2000", url="https://www.foobar2000.org/")
E(32, "Skype Version 8.109", "8.109", "Skype Technologies S.A.", "Microsoft\\Skype for Desktop", "Skype.exe",
  "unins000.exe", key_name="Skype_is1", url="https://www.skype.com/")
E(32, "Mozilla Maintenance Service", "121.0.1", "Mozilla", "Mozilla Maintenance Service", "maintenanceservice.exe",
  "uninstall.exe", key_name="MozillaMaintenanceService")
E(32, "WinRAR 6.24 (32-Bit)", "6.24.0", "win.rar GmbH", "WinRAR", "WinRAR.exe", "uninstall.exe", key_name="WinRAR archiver",
  url="https://www.win-rar.com/")
E(32, "Adobe Acrobat Reader Updater", "23.8.20421", "Adobe", "Common Files\\Adobe\\ARM\\1.0", "AdobeARM.exe",
  "AdobeARM.exe /uninstall", key_name="Adobe ARM")
E(32, "PuTTY Tools", "0.80", "Simon Tatham", "PuTTY Tools", "putty.exe", "unins000.exe", key_name="PuTTY Tools_is1",
  url="https://www.chiark.greenend.org.uk/~sgtatham/putty/")
E(32, "Nmap 7.94", "7.94", "Nmap Project", "Nmap", "zenmap.exe", "uninstall.exe", key_name="Nmap",
  url="https://nmap.org")
E(32, "Battle.net", "2.28.1", "Blizzard Entertainment", "Battle.net", "Battle.net Launcher.exe",
  "Battle.net\\Agent\\Blizzard Uninstaller.exe --lang=deDE --uid=battle.net --displayname=\"Battle.net\"",
  key_name="Battle.net")
E(32, "Epic Games Launcher Helper", "1.3.93", "Epic Games, Inc.", "Epic Games\\Helper", "helper.exe", "uninstall.exe",
  key_name="EpicHelper")
E(32, "GOG GALAXY", "2.0.73.27", "GOG.com", "GOG Galaxy", "GalaxyClient.exe", "unins000.exe",
  key_name="{7258BA11-600C-430E-A759-27E2C691A335}_is1", url="https://www.gog.com")
E(32, "Origin", "10.5.129.55742", "Electronic Arts, Inc.", "Origin", "Origin.exe", "OriginUninstall.exe",
  url="http://www.ea.com")
E(32, "Canon MF Scan Utility", "1.11.0.1", "CANON INC.", "Canon\\MF Scan Utility", "MFSCANUTILITY.exe",
  "uninst.exe", key_name="MF Scan Utility")
E(32, "HP Smart Universal Printing", "7.1.0.25570", "HP Inc.", "HP\\HP Smart Universal Printing", "hpsup.exe",
  "uninstall.exe", key_name="HPSUP")
E(32, "Brother iPrint&Scan", "11.0.1.1", "Brother Industries, Ltd.", "Brother\\iPrint&Scan", "Brother iPrint&Scan.exe",
  "unins000.exe", key_name="{4E0E5A85-5D2A-4F15-9E27-A3E82C4DFB50}_is1")
E(32, "Calibre Portable Launcher", "7.3.0", "Kovid Goyal", "Calibre Launcher", "calibre.exe", "uninstall.exe",
  key_name="CalibreLauncher")
E(32, "AIMP", "5.30.2541", "AIMP DevTeam", "AIMP", "AIMP.exe", "Uninstall.exe", key_name="AIMP",
  url="https://www.aimp.ru/", icon=("expand", "%ProgramFiles(x86)%\\AIMP\\AIMP.exe"))
E(32, "Winamp", "5.9.2.10042", "Winamp SA", "Winamp", "winamp.exe", "UninstWA.exe", url="https://www.winamp.com/")
E(32, "MediaInfo 23.11", "23.11", "MediaArea.net", "MediaInfo", "MediaInfo.exe", "uninst.exe", key_name="MediaInfo",
  url="https://mediaarea.net")
E(32, "K-Lite Codec Pack 17.9.0 Basic", "17.9.0", "KLCP", "K-Lite Codec Pack", "Tools\\CodecTweakTool.exe",
  "unins000.exe", key_name="KLiteCodecPack_is1", url="https://www.codecguide.com/")
E(32, "Java Auto Updater Helper", "2.8.391.13", "Oracle Corporation", "Common Files\\Java\\Java Update",
  "jucheck.exe", "jaureg.exe -uninstall", key_name="JavaAutoUpdaterHelper")
E(32, "ImgBurn", "2.5.8.0", "LIGHTNING UK!", "ImgBurn", "ImgBurn.exe", "uninstall.exe", url="https://www.imgburn.com/")
E(32, "CDBurnerXP", "4.5.8.7128", "Canneverbe Limited", "CDBurnerXP", "cdbxpp.exe", "unins000.exe",
  key_name="{A7F0E9A2-6B8F-4C4B-8E09-7B6D4F9CB9A1}_is1", url="https://cdburnerxp.se")
E(32, "Free Download Manager", "6.20.0.5510", "Softdeluxe", "Softdeluxe\\Free Download Manager", "fdm.exe",
  "unins000.exe", key_name="{0EC8A2DF-5F0C-4DB2-8E36-EC5DC2A4D3F2}_is1", url="https://www.freedownloadmanager.org")
E(32, "Revo Uninstaller 2.4.5", "2.4.5", "VS Revo Group, Ltd.", "VS Revo Group\\Revo Uninstaller", "RevoUnin.exe",
  "unins000.exe", key_name="{A28DBDA2-3CC7-4ADC-8BFE-66D7743C6C97}_is1", url="https://www.revouninstaller.com")
E(32, "Defraggler", "2.22", "Piriform", "Defraggler", "Defraggler.exe", "uninst.exe", url="https://www.ccleaner.com/defraggler")
E(32, "Recuva", "1.53", "Piriform", "Recuva", "recuva.exe", "uninst.exe", url="https://www.ccleaner.com/recuva")
E(32, "Speccy", "1.32", "Piriform", "Speccy", "Speccy.exe", "uninst.exe", url="https://www.ccleaner.com/speccy")
E(32, "HWiNFO32 Version 7.68", "7.68", "Martin Malík - REALiX", "HWiNFO32", "HWiNFO32.exe", "unins000.exe",
  key_name="HWiNFO32_is1", url="https://www.hwinfo.com/")
E(32, "CPUID CPU-Z 2.08", "2.08", "CPUID, Inc.", "CPUID\\CPU-Z", "cpuz.exe", "unins000.exe", key_name="CPUID CPU-Z_is1",
  url="https://www.cpuid.com")
E(32, "Audiograbber 1.83 SE", "1.83", "Jackie Franck", "Audiograbber", "audiograbber.exe", "uninstall.exe",
  key_name="Audiograbber")
E(32, "Mp3tag v3.23", "3.23", "Florian Heidenreich", "Mp3tag", "Mp3tag.exe", "Mp3tagUninstall.EXE",
  key_name="Mp3tag", url="https://www.mp3tag.de/")
E(32, "Inno Setup version 6.2.2", "6.2.2", "jrsoftware.org", "Inno Setup 6", "Compil32.exe", "unins000.exe",
  key_name="Inno Setup 6_is1", url="https://jrsoftware.org/")
E(32, "NSIS", "3.09", "Nullsoft and Contributors", "NSIS", "NSIS.exe", "uninst-nsis.exe", url="https://nsis.sourceforge.io/")
E(32, "Classic Shell Tools", "4.3.1", "Ivo Beltchev", "Classic Shell Tools", "tools.exe", "uninstall.exe",
  key_name="ClassicShellTools")
E(32, "WinDirStat 1.1.2", "1.1.2", "Bernhard Seifert & Oliver Schneider", "WinDirStat", "windirstat.exe",
  "Uninstall.exe", key_name="WinDirStat", url="https://windirstat.net/")
E(32, "Tixati", "3.23", "Tixati Software Inc.", "Tixati", "tixati.exe", "tixati.exe /uninstall", key_name="Tixati")
E(32, "LockHunter 3.4.3", "3.4.3", "Crystal Rich Ltd", "LockHunter", "LockHunter.exe", "unins000.exe",
  key_name="LockHunter_is1", url="https://lockhunter.com/")
E(32, "Q-Dir", "11.44", "Nenad Hrg", "Q-Dir", "Q-Dir.exe", "Q-Dir.exe -uninstall", key_name="Q-Dir")
E(32, "Unlocker 1.9.2", "1.9.2", "Cedrick Collomb", "Unlocker", "Unlocker.exe", "uninst.exe", key_name="Unlocker")
E(32, "ScreenToGif", "2.39", "Nicke Manarin", "ScreenToGif", "ScreenToGif.exe", "uninstall.exe", key_name="ScreenToGif")
E(32, "Avidemux 2.8.1", "2.8.1", "Mean", "Avidemux", "avidemux.exe", "uninstall.exe", key_name="Avidemux")
E(32, "PeaZip 9.6.0", "9.6.0", "Giorgio Tani", "PeaZip", "peazip.exe", "unins000.exe", key_name="{5A2BC38A-406C-4A5B-BF45-6991F9A05325}_is1",
  url="https://peazip.github.io")
E(32, "Bandizip", "7.33", "Bandisoft.com", "Bandizip", "Bandizip.exe", "Uninstall.exe", key_name="Bandizip",
  url="https://www.bandisoft.com/bandizip/")
E(32, "Pidgin", "2.14.12", "pidgin.im", "Pidgin", "pidgin.exe", "pidgin-uninst.exe", url="https://pidgin.im")
E(32, "HexChat", "2.16.1", "HexChat", "HexChat", "hexchat.exe", "unins000.exe", key_name="HexChat_is1")

# A driver package that registered a name but no way to remove it: never listed.
key(UNINSTALL + "\\RtkAudioService").set("DisplayName", "Realtek Audio Service").set("DisplayVersion", "1.0.0.55").set(
    "Publisher", "Realtek Semiconductor Corp.")
# Broken entries third-party setups leave behind: a blank name and a name stored as a number.
key(UNINSTALL32 + "\\BlankSetup").set("DisplayName", "   ").set("UninstallString", r'"C:\Program Files (x86)\Blank\unins000.exe"')
key(UNINSTALL32 + "\\NumberedSetup").set("DisplayName", ("dword", 1234)).set(
    "UninstallString", r'"C:\Program Files (x86)\Numbered\uninstall.exe"')

# --- Windows Installer products -----------------------------------------------------------------
M = msi_product
chrome = M(64, "Google Chrome", "120.0.6099.217", "Google LLC", "Google\\Chrome\\Application",
           url="https://www.google.com/chrome/", icon=r"C:\Program Files\Google\Chrome\Application\chrome.exe,0")
# Chrome's own setup registers a second entry of the same name; the installer product covers it.
E(64, "Google Chrome", "120.0.6099.217", "Google LLC", "Google\\Chrome\\Application", "chrome.exe",
  "120.0.6099.217\\Installer\\setup.exe --uninstall --channel=stable --system-level --verbose-logging")
M(32, "Adobe Acrobat Reader - Deutsch", "23.8.20421", "Adobe", "Adobe\\Acrobat Reader DC",
  url="http://www.adobe.com/de/", help_link="https://helpx.adobe.com/de/support.html", language=1031,
  icon=r"C:\Windows\Installer\{AC76BA86-7AD7-1031-7B44-AC0F074E4100}\SC_Reader.ico")
M(64, "LibreOffice 7.6.4.1", "7.6.4.1", "The Document Foundation", "LibreOffice",
  url="https://www.documentfoundation.org", help_link="https://www.libreoffice.org/get-help/documentation",
  update="https://www.libreoffice.org/download/download-libreoffice/", arp_name="LibreOffice 7.6.4.1")
M(64, "Inkscape", "1.3.2", "Inkscape", "Inkscape", url="https://inkscape.org/",
  contact="https://inkscape.org/community/", comments="Open source scalable vector graphics editor")
M(64, "paint.net", "5.0.12", "dotPDN LLC", "paint.net", url="https://www.getpaint.net/",
  icon=r"C:\Program Files\paint.net\paintdotnet.exe,0")
M(64, "PuTTY release 0.80 (64-bit)", "0.80.0.0", "Simon Tatham", "PuTTY",
  url="https://www.chiark.greenend.org.uk/~sgtatham/putty/", help_link="https://www.chiark.greenend.org.uk/~sgtatham/putty/docs.html")
M(64, "Node.js", "20.11.0", "Node.js Foundation", "nodejs", url="https://nodejs.org/",
  help_link="https://nodejs.org/en/docs/", comments="Node.js runtime and npm")
M(64, "Python 3.12.1 (64-bit)", "3.12.1150.0", "Python Software Foundation", "Python312",
  url="https://www.python.org/", help_link="https://docs.python.org/3.12/", update="https://www.python.org/downloads/")
M(64, "Java(TM) SE Development Kit 21.0.1 (64-bit)", "21.0.1.0", "Oracle Corporation", "Java\\jdk-21",
  url="https://java.com", help_link="https://java.com/help", update="https://java.com")
M(32, "Java 8 Update 391", "8.0.3910.13", "Oracle Corporation", "Java\\jre-1.8",
  url="https://java.com", help_link="https://java.com/help", update="https://java.com/download")
M(64, "Oracle VM VirtualBox 7.0.12", "7.0.12", "Oracle Corporation", "Oracle\\VirtualBox",
  url="https://www.virtualbox.org", contact="Oracle Corporation")
M(64, "VMware Workstation", "17.5.0", "VMware, Inc.", "VMware\\VMware Workstation",
  url="https://www.vmware.com", help_link="https://www.vmware.com/support")
M(64, "calibre 64bit", "7.3.0", "Kovid Goyal", "Calibre2", url="https://calibre-ebook.com",
  help_link="https://calibre-ebook.com/help")
M(64, "PowerShell 7-x64", "7.4.0.0", "Microsoft Corporation", "PowerShell\\7",
  url="https://github.com/PowerShell/PowerShell", help_link="https://aka.ms/PowerShell-Support")
M(64, "Microsoft Visual Studio Installer Helper", "3.8.2112.61926", "Microsoft Corporation", "Microsoft Visual Studio\\Installer")
M(64, "Microsoft SQL Server Management Studio - 19.2", "19.2.56.2", "Microsoft Corporation",
  "Microsoft SQL Server Management Studio 19", url="https://go.microsoft.com/fwlink/?linkid=2043154")
M(64, "Microsoft Azure Storage Explorer", "1.32.1", "Microsoft Corporation", "Microsoft Azure Storage Explorer",
  url="https://go.microsoft.com/fwlink/?LinkId=708343")
M(64, "Microsoft Windows Desktop Runtime - 8.0.0 (x64)", "64.0.3.31", "Microsoft Corporation", "dotnet")
M(32, "Microsoft Windows Desktop Runtime - 6.0.25 (x86)", "48.100.9.24", "Microsoft Corporation", "dotnet")
M(64, "Microsoft ASP.NET Core 8.0.0 - Shared Framework (x64)", "8.0.0.23531", "Microsoft Corporation", "dotnet")
M(64, "Microsoft Update Health Tools", "5.72.0.0", "Microsoft Corporation", "Microsoft Update Health Tools")
M(64, "Microsoft GameInput", "10.1.22621.3036", "Microsoft Corporation", "Microsoft GameInput")
M(32, "Microsoft Teams Meeting Add-in for Microsoft Office", "1.23.33413", "Microsoft", "Microsoft\\TeamsMeetingAddin")
M(64, "Teams Machine-Wide Installer", "1.6.0.27573", "Microsoft Corporation", "Teams Installer")
M(64, "Zoom Outlook Plugin", "5.17.1", "Zoom Video Communications, Inc.", "Zoom\\ZoomOutlookPlugin",
  url="https://zoom.us")
M(64, "Git Credential Manager", "2.4.1", "GitHub", "Git Credential Manager",
  url="https://github.com/git-ecosystem/git-credential-manager")
M(64, "GitHub CLI", "2.40.1", "GitHub, Inc.", "GitHub CLI", url="https://cli.github.com")
M(64, "Amazon Corretto", "17.0.9.8", "Amazon Corretto", "Amazon Corretto\\jdk17.0.9_8",
  url="https://aws.amazon.com/corretto/")
M(64, "Mozilla VPN", "2.19.0", "Mozilla", "Mozilla\\Mozilla VPN", url="https://vpn.mozilla.org")
M(64, "WireGuard", "0.5.3", "WireGuard LLC", "WireGuard", url="https://www.wireguard.com/",
  comments="Fast, modern, secure VPN tunnel", contact="team@wireguard.com")
M(64, "OpenVPN 2.6.8-I001 amd64", "2.6.8.1", "OpenVPN, Inc.", "OpenVPN", url="https://openvpn.net",
  help_link="https://openvpn.net/community-resources/")
M(32, "Dell SupportAssist", "3.14.2.45116", "Dell Inc.", "Dell\\SupportAssistAgent",
  url="https://www.dell.com/support/contents/de-de/article/product-support/self-support-knowledgebase/software-and-downloads/supportassist")
M(32, "Intel(R) Management Engine Components", "2251.4.2.0", "Intel Corporation", "Intel\\Intel(R) Management Engine Components")
M(64, "Intel(R) Chipset Device Software", "10.1.19444.8378", "Intel(R) Corporation", "Intel\\Intel(R) Chipset Device Software")
M(64, "Logitech Unifying Software 2.52", "2.52.33", "Logitech", "Logitech\\Unifying", url="https://www.logitech.com/support")
M(64, "Citrix Workspace Inside", "23.11.0.31", "Citrix Systems, Inc.", "Citrix\\ICA Client")
M(64, "Webex", "43.12.0.27361", "Cisco Webex LLC", "Webex\\Webex", url="https://www.webex.com")
M(32, "Adobe Genuine Service", "8.3.0.7", "Adobe Inc.", "Common Files\\Adobe\\AdobeGCClient")
M(64, "Microsoft Policy Platform", "68.1.1010.0", "Microsoft Corporation", "Microsoft Policy Platform")
M(64, "KeePassXC", "2.7.6", "KeePassXC Team", "KeePassXC", url="https://keepassxc.org",
  icon=r"C:\Program Files\KeePassXC\KeePassXC.exe,0")

# Installer products that are parts of something else: hidden from the user.
for name, version in [("Microsoft Visual C++ 2022 X64 Minimum Runtime - 14.38.33130", "14.38.33130"),
                      ("Microsoft Visual C++ 2022 X64 Additional Runtime - 14.38.33130", "14.38.33130"),
                      ("Microsoft Visual C++ 2022 X86 Minimum Runtime - 14.38.33130", "14.38.33130"),
                      ("Python 3.12.1 Core Interpreter (64-bit)", "3.12.1150.0"),
                      ("Python 3.12.1 Standard Library (64-bit)", "3.12.1150.0")]:
    M(64 if "X86" not in name else 32, name, version, "Microsoft Corporation" if "Visual" in name else "Python Software Foundation",
      "Common Files\\Shared", system_component=True)

# The Visual C++ bundles: their own entries, in the 32-bit view as their setups put them.
for arch, version, code in [("x64", "14.38.33130.0", "{C9B8DAA5-2C1A-4E87-9B6F-62D6D8FBBD59}"),
                            ("x86", "14.38.33130.0", "{4D4F9D7C-4C8B-4C6E-9C3D-2B8E5C4A1F07}")]:
    k = key(UNINSTALL32 + "\\" + code)
    k.set("BundleCachePath", r"C:\ProgramData\Package Cache\%s\VC_redist.%s.exe" % (code, arch))
    k.set("BundleVersion", version)
    k.set("DisplayIcon", r"C:\ProgramData\Package Cache\%s\VC_redist.%s.exe,0" % (code, arch))
    k.set("DisplayName", "Microsoft Visual C++ 2015-2022 Redistributable (%s) - 14.38.33130" % arch)
    k.set("DisplayVersion", version)
    k.set("Publisher", "Microsoft Corporation")
    k.set("UninstallString", '"C:\\ProgramData\\Package Cache\\%s\\VC_redist.%s.exe"  /uninstall' % (code, arch))
    k.set("QuietUninstallString", '"C:\\ProgramData\\Package Cache\\%s\\VC_redist.%s.exe" /uninstall /quiet' % (code, arch))
    k.set("NoElevateOnModify", ("dword", 1))
    k.set("EstimatedSize", ("dword", 21000))

# Other system components: listed by Windows for itself only.
for view_key, name, publisher in [(UNINSTALL, "Windows Defender Platform Helper", "Microsoft Corporation"),
                                  (UNINSTALL, "NVIDIA PhysX System Software Component", "NVIDIA Corporation"),
                                  (UNINSTALL32, "Microsoft Edge Update", "Microsoft Corporation"),
                                  (UNINSTALL32, "Google Update Helper", "Google LLC")]:
    key(view_key + "\\" + name.replace(" ", "")).set("DisplayName", name).set("Publisher", publisher).set(
        "UninstallString", "\"C:\\Program Files\\Common\\%s\\uninstall.exe\"" % name.replace(" ", "")).set(
        "SystemComponent", ("dword", 1))
# SystemComponent = 0 hides the entry just the same.
key(UNINSTALL + "\\HelperZero").set("DisplayName", "Beispiel Dienstprogramm").set(
    "UninstallString", r'"C:\Program Files\Beispiel\uninstall.exe"').set("SystemComponent", ("dword", 0))

# Updates that belong to a program: they appear with it, not on their own.
office = "Microsoft Office Professional Plus 2016"
key(UNINSTALL32 + "\\Office16.PROPLUS").set("DisplayName", office).set("DisplayVersion", "16.0.4266.1001").set(
    "Publisher", "Microsoft Corporation").set(
    "UninstallString", r'"C:\Program Files (x86)\Common Files\Microsoft Shared\OFFICE16\Office Setup Controller\setup.exe" /uninstall PROPLUS /dll OSETUP.DLL').set(
    "DisplayIcon", r"C:\Program Files (x86)\Common Files\Microsoft Shared\OFFICE16\Office Setup Controller\ProPlus.WW/graph.ico").set(
    "InstallLocation", r"C:\Program Files (x86)\Microsoft Office").set("VersionMajor", ("dword", 16)).set(
    "VersionMinor", ("dword", 0))
for kb, title in [("KB5002520", "Sicherheitsupdate für Microsoft Office 2016 (KB5002520) 32-Bit-Edition"),
                  ("KB5002467", "Update für Microsoft Office 2016 (KB5002467) 32-Bit-Edition"),
                  ("KB4484103", "Update für Skype for Business 2016 (KB4484103) 32-Bit-Edition"),
                  ("KB5002469", "Sicherheitsupdate für Microsoft Excel 2016 (KB5002469) 32-Bit-Edition")]:
    code = guid("update:" + kb)
    key(UNINSTALL32 + "\\" + "{90160000-0011-0000-0000-0000000FF1CE}_Office16.PROPLUS_" + code).set(
        "DisplayName", title).set("DisplayVersion", "").set("Publisher", "Microsoft").set(
        "ParentKeyName", "Office16.PROPLUS").set("ParentDisplayName", office).set(
        "UninstallString", r'"C:\Program Files (x86)\Common Files\Microsoft Shared\OFFICE16\Oarpmany.exe" /removereleaseinpatch "{90160000-0011-0000-0000-0000000FF1CE}" "%s" "1031" "0"' % code).set(
        "URLInfoAbout", "https://support.microsoft.com/kb/%s" % kb[2:]).set("ReleaseType", "Security Update")
# A hotfix naming only its parent's display name.
key(UNINSTALL + "\\KB2565063-NET").set("DisplayName", "Hotfix für Microsoft .NET Framework (KB2565063)").set(
    "ParentDisplayName", "Microsoft .NET Framework").set("UninstallString", r"C:\Windows\System32\wusa.exe /uninstall /kb:2565063")

# --- write --------------------------------------------------------------------------------------
def all_paths():
    paths = set(keys)
    for path in list(keys):
        parts = path.split("\\")
        for i in range(1, len(parts)):
            paths.add("\\".join(parts[:i]))
    return sorted(paths, key=lambda p: [c.upper() for c in p.split("\\")])


lines = ["Windows Registry Editor Version 5.00", ""]
for path in all_paths():
    lines.append("[HKEY_LOCAL_MACHINE\\%s]" % path)
    for name, value in (keys[path].values if path in keys else []):
        lines.append(format_value(name, value))
    lines.append("")
text = "\r\n".join(lines) + "\r\n"
out = pathlib.Path(__file__).resolve().parent.parent / "data" / "demo" / "machine.reg"
out.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
uninstall = sum(1 for p in keys if p.startswith(UNINSTALL + "\\") or p.startswith(UNINSTALL32 + "\\"))
products = sum(1 for p in keys if p.startswith(PRODUCTS + "\\") and p.count("\\") == 4)
print("%s: %d Uninstall entries, %d installer products" % (out, uninstall, products))
