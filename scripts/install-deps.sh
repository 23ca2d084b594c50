#!/usr/bin/env bash
# Installs every Debian package Quillmere needs to build, test and run.
# Idempotent; run as root (or through sudo) on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang                       # libFuzzer for the fuzz targets
  mdbtools                    # independent reader used to check written .mdb files
  unixodbc unixodbc-dev tdsodbc freetds-bin   # the SQL Server source over ODBC
  python3                     # the TDS test server that stands in for SQL Server
  libmimalloc-dev             # the allocator the programs link with
  qt6-base-dev qt6-base-dev-tools             # the wizard quillwiz (Qt 6 Widgets, Qt Test)
  qt6-qpa-plugins fonts-dejavu-core           # its tests and screenshots on the offscreen platform
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js runs a second independent reader (the npm package mdb-reader,
# which the jet tests install into the build folder). Some machines have
# node from elsewhere; only install Debian's when it is missing.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
