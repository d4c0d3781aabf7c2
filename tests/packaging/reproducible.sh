#!/bin/sh
# Builds the Debian package again from a copy of the sources in another
# folder, minutes after the first build, and expects the same bytes. The
# copy has no history, so it is given the commit's time as a build service
# would give it; the first build took it from git. Skipped (77) without git.
# Usage: reproducible.sh CMAKE CPACK SOURCE_DIR FIRST_DEB_DIR SCRATCH_DIR [CMAKE_OPTION...]
set -eu
cmake=$1 cpack=$2 source=$3 first=$(echo "$4"/*.deb) scratch=$5
shift 5
SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct) || exit 77
export SOURCE_DATE_EPOCH

rm -rf "$scratch" && mkdir -p "$scratch/src"
git -C "$source" ls-files -z | (cd "$source" && tar --null -T - -cf -) | tar -C "$scratch/src" -xf -
{ "$cmake" -S "$scratch/src" -B "$scratch/build" "$@" -DCITY_TESTS=OFF &&
    "$cmake" --build "$scratch/build" --parallel "$(nproc)" &&
    (cd "$scratch/build" && "$cpack" -G DEB -B "$scratch/deb"); } >"$scratch/build.log" 2>&1 ||
    { tail -n 40 "$scratch/build.log"; exit 1; }
cmp "$first" "$scratch"/deb/*.deb
echo "reproducible: the same $(wc -c <"$first") bytes as $first"
