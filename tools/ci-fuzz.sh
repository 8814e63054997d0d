#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on the whole program) and runs each for a while on a copy of its seed corpus.
# Fails on any crash, hang, leak, out-of-memory or sanitizer report; the input that
# caused it is kept in <build-dir>/fuzz-artifacts/<target>/ and printed in base64.
#   tools/ci-fuzz.sh [build-dir]        (default: build-fuzz in the work tree)
# VERIMETRA_FUZZ_SECONDS sets the time per target (default 60);
# VERIMETRA_FUZZ_TARGETS the targets to run (default all).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-fuzz}"
seconds="${VERIMETRA_FUZZ_SECONDS:-60}"
read -r -a targets <<<"${VERIMETRA_FUZZ_TARGETS:-fuzz_datafile fuzz_leadingnumber fuzz_imageloader}"

start=$SECONDS
# bootstrap.sh installs what is missing (here clang and its sanitizer and fuzzer
# runtimes too), then configures and builds.
VERIMETRA_EXTRA_PACKAGES="clang libclang-rt-14-dev ${VERIMETRA_EXTRA_PACKAGES:-}" \
  "$here/tools/bootstrap.sh" "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERIMETRA_FUZZ=ON -DVERIMETRA_SANITIZE=ON -DBUILD_TESTING=OFF
built=$SECONDS

export QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORMTHEME=
# A quarantine of 64 MB instead of 256: freed blocks still wait there long enough to
# catch use after free within one input, and resident memory, which the quarantine
# spreads over every block size the inputs use, stays well under -rss_limit_mb in
# long runs (with 256 MB, fuzz_datafile reaches 2 GB after about 7 million inputs
# while holding 25 MB of live blocks).
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0:detect_stack_use_after_return=1:quarantine_size_mb=64"
# use_tls=0 and the suppressions: see tools/lsan.supp.
export LSAN_OPTIONS="use_tls=0:suppressions=$here/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=()
passed=0
summary=()
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp -R "$here/fuzz/corpus/$target/." "$corpus/"
  artifacts="$build/fuzz-artifacts/$target"
  rm -rf "$artifacts"
  mkdir -p "$artifacts"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$artifacts/")
  if [ -f "$here/fuzz/$target.dict" ]; then
    options+=(-dict="$here/fuzz/$target.dict")
  fi
  log="$build/fuzz-artifacts/$target.log"
  echo "=== $target: ${seconds} s on $(find "$corpus" -type f | wc -l) seeds"
  status=0
  "$build/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?
  # libFuzzer stops at the first finding with a non-zero status; any sanitizer
  # report that did not stop it still fails the run.
  if grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|SUMMARY: ' "$log"; then
    [ "$status" -ne 0 ] || status=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  peak="$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)"
  summary+=("$target: ${runs:-?} executions, peak RSS ${peak:-?} MB, exit $status")
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    echo "--- $target FAILED (exit $status); the end of its log:"
    tail -n 80 "$log"
    for f in "$artifacts"/*; do
      [ -f "$f" ] || continue
      echo "--- input $(basename "$f") ($(stat -c %s "$f") bytes), base64:"
      head -c 65536 "$f" | base64
    done
  else
    passed=$((passed + 1))
  fi
done

echo
printf '%s\n' "${summary[@]}"
echo "ci-fuzz: build $((built - start)) s, fuzzing $((SECONDS - built)) s"
echo "fuzz: $passed passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
