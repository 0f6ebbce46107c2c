#!/bin/sh
# copy_inventory.sh WINE_RUN PREFIX WINDOWS_CLI HOST_CLI STORE
#
# Copies what the inventory reads from the Wine prefix's registry into the Linux build's registry
# store: the installer's registrations and the Uninstall keys of both views (the 32-bit view of
# HKLM\SOFTWARE is its WOW6432Node subtree, on Windows and in the store).
set -eu
wine_run=$1 prefix=$2 windows_cli=$3 host_cli=$4 store=$5

export_key() { "$wine_run" "$prefix" "$windows_cli" reg export "$1" "$2" /y /reg:64 >/dev/null; }
export_key 'HKLM\SOFTWARE\Classes\Installer\Products' products.reg
export_key 'HKLM\SOFTWARE\Classes\Installer\UpgradeCodes' upgrade-codes.reg
export_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products' \
  user-data.reg
export_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' uninstall-64.reg
export_key 'HKLM\SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall' uninstall-32.reg
for file in products upgrade-codes user-data uninstall-64 uninstall-32; do
  "$host_cli" --registry-dir "$store" reg import "$file.reg" >/dev/null
done
