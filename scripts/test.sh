#!/usr/bin/env bash
# Installs what is missing, builds every preset (host, host-asan, host-tsan,
# windows) and runs the host test suites: all tests on the host and
# sanitizer builds, the "threads" tests under ThreadSanitizer, checks the
# Windows kernel image (scripts/check_kernel_image.sh), signs a copy of it
# with a test certificate (scripts/sign_test.sh), and runs the suites
# labelled "image" on that image, loaded on the stand-in, in the host and
# AddressSanitizer builds.
# Exit status: non-zero if a build or any test failed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source scripts/lib/ensure_packages.sh

step() { printf '\n== %s ==\n' "$*"; }

step "packages"
ensure_packages "${BAYERCAM_HOST_PACKAGES[@]}" "${BAYERCAM_WINDOWS_PACKAGES[@]}"

for preset in host host-asan host-tsan windows; do
  step "configure $preset"
  cmake --preset "$preset"
  step "build $preset"
  cmake --build --preset "$preset" -j2
done

# Every suite runs even if an earlier one failed; the exit status says
# whether all passed.
failed=()
for preset in host host-asan host-tsan; do
  step "test $preset"
  ctest --preset "$preset" -j2 || failed+=("$preset")
done

step "check windows image"
scripts/check_kernel_image.sh build/windows/driver/bayercam.sys windows/bayercam.inf ||
  failed+=("windows image")

# A signed copy (build/windows/driver/signed/); the tests load the unsigned image.
step "test-sign a copy of the windows image"
scripts/sign_test.sh build/windows/driver/bayercam.sys || failed+=("test signing")

for preset in host-image host-asan-image; do
  step "test $preset (build/windows/driver/bayercam.sys on the stand-in)"
  ctest --preset "$preset" -j2 || failed+=("$preset")
done

if ((${#failed[@]} > 0)); then
  step "FAILED: ${failed[*]}"
  exit 1
fi
