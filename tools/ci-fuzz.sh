#!/usr/bin/env bash
# The fuzz gate of continuous integration, whose verdict depends only on the commit:
#  1. every input in fuzz/corpus/ and fuzz/regressions/ (the seeds, and every input
#     that ever found a fault) is run once, as a regression test;
#  2. each target then explores from its corpus for a fixed number of runs with a
#     fixed seed, so the same commit explores the same inputs every time.
# Fails on any crash, hang, leak, out-of-memory or sanitizer report; the input that
# caused it is kept in <build-dir>/fuzz-artifacts/<target>/ and printed in base64.
# Open-ended fuzzing, with a new seed each time, is tools/fuzz-explore.sh.
#   tools/ci-fuzz.sh [build-dir]        (default: build-fuzz in the work tree)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-fuzz}"

start=$SECONDS
"$here/tools/build-fuzzers.sh" "$build"
built=$SECONDS
# shellcheck source=tools/fuzz/run-target.sh
. "$here/tools/fuzz/run-target.sh"

# Runs a target makes in the exploration, about a minute each on this project's
# 2-core machines.
declare -A runs=([fuzz_datafile]=2000000 [fuzz_csvfile]=1200000 [fuzz_recoveryfile]=2000000 [fuzz_leadingnumber]=3000000 [fuzz_imageloader]=80000 [fuzz_leafsplit]=300000)
# The image readers and Qt's conversions run partly on threads of their own; the
# comparisons they make would feed the mutations in an order that depends on timing,
# so the image loader explores without comparison traces. -reload=0: the corpus is
# not read again on a timer.
declare -A steady=([fuzz_datafile]="" [fuzz_csvfile]="" [fuzz_recoveryfile]="" [fuzz_leadingnumber]="" [fuzz_imageloader]="-use_cmp=0 -use_memmem=0" [fuzz_leafsplit]="")

targets=(fuzz_datafile fuzz_csvfile fuzz_recoveryfile fuzz_leadingnumber fuzz_imageloader fuzz_leafsplit)
failed=()
summary=()
for target in "${targets[@]}"; do
  # 1. The corpus, each input once.
  replay_status=0
  replay_corpus "$target" || replay_status=$?
  # 2. The fixed exploration.
  explore_status=0
  # shellcheck disable=SC2086 # the options are words
  run_target "$target" "explore" -seed=1 -runs="${runs[$target]}" -reload=0 ${steady[$target]} ||
    explore_status=$?
  summary+=("$target: $(replay_inputs "$target" | tr -cd '\0' | wc -c) inputs replayed (exit $replay_status); $LAST_SUMMARY")
  if [ "$replay_status" -ne 0 ] || [ "$explore_status" -ne 0 ]; then
    failed+=("$target")
  fi
done

echo
printf '%s\n' "${summary[@]}"
echo "ci-fuzz: build $((built - start)) s, fuzzing $((SECONDS - built)) s"
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
