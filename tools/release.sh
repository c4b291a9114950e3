#!/bin/bash
# Makes the release in dist/ from the committed tree: both exes built afresh
# in release form, the skins, the user's guide, the licence and the notices
# it needs, the changelog, SHA256SUMS and one zip of it all. The same commit
# gives the same bytes wherever and whenever it is built.
set -u
cd "$(dirname "$0")/.." || exit 1
fail() { echo "release.sh: $*" >&2; exit 1; }

[ -z "$(git status --porcelain 2>/dev/null)" ] && git rev-parse -q --verify HEAD >/dev/null ||
    fail "the tree has uncommitted changes (or is no git clone); commit or stash them, then run it again."
tools/install-deps.sh || fail "could not install what the build needs."

version=$(sed -n 's/^project(gaugelet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "CMakeLists.txt names no project version."
name=gaugelet-$version

mkdir -p build || fail "cannot make build/."
for arch in x86 x64; do
    toolchain=cmake/mingw$([ "$arch" = x86 ] && echo 32 || echo 64).cmake
    build=build/release-$arch
    rm -rf "$build"
    { cmake -G Ninja -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release &&
        cmake --build "$build" --target gaugelet; } >"build/release-$arch.log" 2>&1 ||
        fail "the $arch build failed (see build/release-$arch.log)."
done

rm -rf dist && mkdir -p dist/skins || fail "cannot make dist/."
cp build/release-x86/app/gaugelet.exe "dist/$name-x86.exe" &&
    cp build/release-x64/app/gaugelet.exe "dist/$name-x64.exe" &&
    cp res/skin130.bmp dist/skins/classic.bmp && cp res/skins/*.bmp dist/skins/ &&
    cp docs/USER.md LICENSE NOTICES.md CHANGELOG.md dist/ || fail "cannot copy the release's files."
chmod 644 dist/*.* dist/skins/*
(cd dist && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS) ||
    fail "cannot write SHA256SUMS."

# Entries in name order, under one folder, each with the commit's time,
# the same permissions and no extra fields.
python3 - "dist/$name.zip" "$name" "$(git log -1 --format=%ct)" <<'EOF' || fail "cannot write the zip."
import os, sys, time, zipfile
path, folder, epoch = sys.argv[1], sys.argv[2], max(int(sys.argv[3]), 315532800)
files = sorted(os.path.relpath(os.path.join(d, f), "dist")
               for d, _, names in os.walk("dist") for f in names if not f.endswith(".zip"))
with zipfile.ZipFile(path, "w") as archive:
    for name in files:
        entry = zipfile.ZipInfo(f"{folder}/{name}", time.gmtime(epoch)[:6])
        entry.create_system = 3
        entry.external_attr = 0o100644 << 16
        with open(os.path.join("dist", name), "rb") as data:
            archive.writestr(entry, data.read(), zipfile.ZIP_DEFLATED, 9)
EOF
echo "dist/ holds $name: $(cd dist && ls | tr '\n' ' ')"
