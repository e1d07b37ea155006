#!/usr/bin/env bash
# Builds a release from the committed tree into dist/: both installer
# packages (Kestro-<version>-x86.msi, Kestro-<version>-x64.msi), the Debian
# package, the Group Policy templates (PolicyDefinitions/) and SHA256SUMS.
# Each Kestro.exe is signed before it goes into its package and each package
# after it is built, when the environment names a certificate
# (packaging/sign.sh; docs/releasing.md).
#   scripts/release.sh [--allow-dirty] [--only-x86]
# --allow-dirty builds a work tree with changes not committed; --only-x86
# builds the 32-bit program and its package alone (scripts/check_reproducible.sh).
# Such a dist/ is no release, and each package's name says so after the
# version: "-dirty" when changes not committed went in (a clean tree with
# --allow-dirty is a release), "-x86only" for the 32-bit package alone
# (Kestro-<version>-dirty-x86only-x86.msi).
# Every build is fresh, in build/release; dist/ is replaced only when all of
# it was built and signed, and is left as it was otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
dirty=no
archs=(x86 x64)
for a in "$@"; do
  case "$a" in
    --allow-dirty) dirty=yes ;;
    --only-x86) archs=(x86) ;;
    *) echo "usage: scripts/release.sh [--allow-dirty] [--only-x86]" >&2; exit 2 ;;
  esac
done

changes=$(git status --porcelain 2>&1) || { echo "release.sh: not a git work tree: $changes" >&2; exit 1; }
if [ -n "$changes" ] && [ "$dirty" = no ]; then
  echo "release.sh: the work tree has changes not committed; a release is built from a commit:" >&2
  head -n 10 <<<"$changes" | sed 's/^/  /' >&2
  echo "Commit or stash them, or run scripts/release.sh --allow-dirty for a build that is no release." >&2
  exit 1
fi
version=$(scripts/version.sh)
bash scripts/check_version.sh >/dev/null || { bash scripts/check_version.sh >&2; exit 1; }
signing=$(packaging/sign.sh check)
echo "Kestro $version, commit $(git rev-parse --short HEAD)$([ -z "$changes" ] || echo ' with changes not committed'); $signing"
mark= why=
[ -z "$changes" ] || { mark+=-dirty; why+=", changes not committed went in"; }
[ "${#archs[@]}" -gt 1 ] || { mark+=-x86only; why+=", the 32-bit package alone"; }

# The only time that goes into what is built: the commit's; the only file
# modes, those of umask 022 (the Debian package's archives record them).
umask 022
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
out=build/release
rm -rf "$out"
mkdir -p "$out/dist"
jobs=$(nproc)

for arch in "${archs[@]}"; do
  case $arch in x86) toolchain=mingw-i686 ;; x64) toolchain=mingw-x86_64 ;; esac
  cmake -S . -B "$out/win-$arch" -DCMAKE_TOOLCHAIN_FILE=cmake/$toolchain.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$out/win-$arch" -j"$jobs" --target Kestro policy_templates >/dev/null
  # The package takes the program from the folder it is given: a copy,
  # signed there, so the build's own stays as linked.
  mkdir -p "$out/$arch"
  cp "$out/win-$arch/Kestro.exe" "$out/$arch/"
  cp -r "$out/win-$arch/PolicyDefinitions" "$out/$arch/"
  [[ $signing == unsigned* ]] || packaging/sign.sh "$out/$arch/Kestro.exe"
  msi=$out/dist/Kestro-$version$mark-$arch.msi
  packaging/build-msi.sh "$out/$arch" "$arch" "$version" "$msi" >/dev/null
  [[ $signing == unsigned* ]] || packaging/sign.sh "$msi"
done

if [ "${#archs[@]}" -gt 1 ]; then
  cmake -S . -B "$out/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_TESTS=OFF >/dev/null
  cmake --build "$out/linux" -j"$jobs" >/dev/null
  (cd "$out/linux" && cpack -G DEB >cpack.log 2>&1) || { cat "$out/linux/cpack.log" >&2; exit 1; }
  cp "$out/linux/kestro_${version}_amd64.deb" "$out/dist/kestro_${version}${mark}_amd64.deb"
fi

# The Group Policy templates, the same from either build.
cp -r "$out/win-${archs[0]}/PolicyDefinitions" "$out/dist/"
(cd "$out/dist" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum -- >SHA256SUMS)
rm -rf dist
mv "$out/dist" dist
echo "Wrote dist/:"
for f in $(find dist -type f | LC_ALL=C sort); do
  code=
  [[ $f != *.msi ]] || code="  product code $(msiinfo export "$f" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')"
  printf '  %-48s %9d bytes%s\n' "$f" "$(stat -c %s "$f")" "$code"
done
[ -z "$mark" ] || echo "This is no release${why/#,/:}; the packages' names say so (\"$mark\")."
