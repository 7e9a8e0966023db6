#!/bin/sh
# azpack.exe under Wine builds the same payload, byte for byte, as the host
# azpack when neither compresses (the host's libdeflate is not in the Windows
# build), and each verifies what the other made at the default level.
#   wine_build_test.sh AZPACK_HOST AZPACK.exe WORK_DIR WINE_RUN TEMPLATE SOURCE_DIR
set -eu
azpack=$1 windows=$2 work=$3 runner=$4 template=$5 source=$6
rm -rf "$work"
mkdir -p "$work"
for level in 0 9; do
  "$azpack" build --payload-only "$source" -o "$work/host.az" --product-name "Caf$(printf '\303\251')" \
    --level $level >/dev/null
  sh "$runner" --template "$template" "$windows" build --payload-only "Z:$source" -o "Z:$work/windows.az" \
    --product-name "Caf$(printf '\303\251')" -j 2 --level $level
  "$azpack" verify "$work/windows.az"
  sh "$runner" --template "$template" "$windows" verify "Z:$work/host.az"
  [ $level != 0 ] || cmp "$work/host.az" "$work/windows.az"
done
# A second build replaces the output.
sh "$runner" --template "$template" "$windows" build --payload-only "Z:$source" -o "Z:$work/windows.az" \
  --product-name "Autre"
"$azpack" list "$work/windows.az" | grep -q "^product name *Autre$"
