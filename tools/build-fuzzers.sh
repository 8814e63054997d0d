#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# on the whole program, installing what is missing (clang, its sanitizer and fuzzer
# runtimes, and llvm-14 for the symbolizer).
#   tools/build-fuzzers.sh [build-dir]      (default: build-fuzz in the work tree)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-fuzz}"
VERIMETRA_EXTRA_PACKAGES="clang libclang-rt-14-dev llvm-14 ${VERIMETRA_EXTRA_PACKAGES:-}" \
  "$here/tools/bootstrap.sh" "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERIMETRA_FUZZ=ON -DVERIMETRA_SANITIZE=ON -DBUILD_TESTING=OFF
