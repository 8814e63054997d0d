#!/usr/bin/env bash
# Open-ended fuzzing, outside the CI gate: each target explores from its corpus for
# a given time with a new random seed every run. What it finds is kept in
# <build-dir>/fuzz-artifacts/<target>/ and printed in base64; once fixed, such an
# input joins fuzz/corpus/<target>/ so that the gate (tools/ci-fuzz.sh) replays it
# from then on. New interesting inputs are left in <build-dir>/fuzz-corpus/<target>/.
#   tools/fuzz-explore.sh [build-dir]      (default: build-fuzz in the work tree)
# VERIMETRA_FUZZ_SECONDS: time per target (default 600);
# VERIMETRA_FUZZ_TARGETS: the targets (default all six, one after the other).
# Replay one input: build-fuzz/fuzz/fuzz_imageloader <file>
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-fuzz}"
seconds="${VERIMETRA_FUZZ_SECONDS:-600}"
read -r -a targets <<<"${VERIMETRA_FUZZ_TARGETS:-fuzz_datafile fuzz_csvfile fuzz_recoveryfile fuzz_leadingnumber fuzz_imageloader fuzz_leafsplit}"

"$here/tools/build-fuzzers.sh" "$build"
# shellcheck source=tools/fuzz/run-target.sh
. "$here/tools/fuzz/run-target.sh"

failed=0
summary=()
for target in "${targets[@]}"; do
  status=0
  run_target "$target" "explore-${seconds}s" -max_total_time="$seconds" || status=$?
  summary+=("$target: $LAST_SUMMARY, $(find "$build/fuzz-corpus/$target" -type f | wc -l) inputs in its corpus now")
  [ "$status" -eq 0 ] || failed=$((failed + 1))
done
echo
printf '%s\n' "${summary[@]}"
((failed == 0))
