#!/bin/sh
# A win64 program stamped by the host azpack finds its own payload with
# FindResource/SizeofResource under Wine, byte for byte.
#   wine_resource_test.sh AZPACK_HOST PROBE.exe WORK_DIR WINE_RUN TEMPLATE SOURCE_DIR
set -eu
azpack=$1 probe=$2 work=$3 runner=$4 template=$5 source=$6
rm -rf "$work"
mkdir -p "$work"
"$azpack" build --payload-only "$source" -o "$work/payload.az" --product-name "Sonde" >/dev/null
"$azpack" stamp "$probe" "$work/payload.az" -o "$work/stamped.exe" >/dev/null
# Stamping an installer again replaces its payload in place.
"$azpack" build --payload-only "$source" -o "$work/second.az" --product-name "Seconde" >/dev/null
"$azpack" stamp "$work/stamped.exe" "$work/second.az" -o "$work/restamped.exe" >/dev/null
sh "$runner" --template "$template" "$work/stamped.exe" "Z:$work/payload.az"
sh "$runner" --template "$template" "$work/restamped.exe" "Z:$work/second.az"
