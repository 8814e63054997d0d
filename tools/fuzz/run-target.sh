# Sourced by tools/ci-fuzz.sh and tools/fuzz-explore.sh (with $here and $build set):
# how a fuzz target is run, and how its findings are shown.

# shellcheck source=tools/sanitizer/environment.sh
. "$here/tools/sanitizer/environment.sh"
# A quarantine of 64 MB instead of 256: freed blocks still wait there long enough to
# catch use after free within one input, and resident memory, which the quarantine
# spreads over every block size the inputs use, stays well under the limits below
# in long runs (with 256 MB, fuzz_datafile reaches 2 GB after about 7 million
# inputs while holding 25 MB of live blocks).
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0:detect_stack_use_after_return=1:quarantine_size_mb=64"

# The inputs a target is replayed on: its seed corpus, from which it explores, and
# its regressions, files that once found a fault or that are too slow to explore
# from (such as a 139-megapixel bilevel page).
replay_inputs() {
  local folder
  for folder in "$here/fuzz/corpus/$1" "$here/fuzz/regressions/$1"; do
    if [ -d "$folder" ]; then
      find "$folder" -type f -print0
    fi
  done | LC_ALL=C sort -z
}

# Programs run without address-space randomisation where the system allows it
# (some containers forbid it): some paths depend on where blocks lie (how far a
# block grows in place), and a run must depend only on its seed and inputs.
STEADY=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  STEADY=(setarch "$(uname -m)" -R)
else
  echo "note: address-space randomisation cannot be turned off here" >&2
fi

corpus_size() {
  find "$here/fuzz/corpus/$1" -type f | wc -l
}

# Prints the end of a failed run's log and every input it kept, in base64.
show_findings() {
  local target=$1 log=$2 artifacts=$3
  echo "--- $target FAILED; the end of its log:"
  tail -n 80 "$log"
  for f in "$artifacts"/*; do
    [ -f "$f" ] || continue
    echo "--- input $(basename "$f") ($(stat -c %s "$f") bytes), base64:"
    head -c 65536 "$f" | base64
  done
}

# A sanitizer report that did not stop the run still fails it.
log_has_report() {
  grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|SUMMARY: ' "$1"
}

# replay_corpus TARGET: every input of the target's corpus, once each.
replay_corpus() {
  local target=$1
  local log="$build/fuzz-artifacts/$target.replay.log"
  mkdir -p "$build/fuzz-artifacts"
  echo "=== $target: replaying $(replay_inputs "$target" | tr -cd '\0' | wc -c) inputs"
  local status=0
  # Named files are run once each, not fuzzed.
  local artifacts="$build/fuzz-artifacts/$target-replay"
  rm -rf "$artifacts"
  mkdir -p "$artifacts"
  replay_inputs "$target" |
    xargs -0 -r "${STEADY[@]}" "$build/fuzz/$target" -timeout=60 -rss_limit_mb=4096 -malloc_limit_mb=2048 \
      -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  if log_has_report "$log"; then
    [ "$status" -ne 0 ] || status=1
  fi
  if [ "$status" -ne 0 ]; then
    show_findings "$target" "$log" "$artifacts"
  fi
  return "$status"
}

# run_target TARGET NAME [libFuzzer options...]: fuzzes from the target's seed
# corpus. Sets LAST_SUMMARY; new inputs are written to $build/fuzz-corpus/<target>.
run_target() {
  local target=$1 name=$2
  shift 2
  local corpus="$build/fuzz-corpus/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  # The seeds are named in one fixed order: read from a folder, files of the same
  # size would come in the order the file system lists them.
  local seeds="$build/fuzz-corpus/$target.seeds"
  find "$here/fuzz/corpus/$target" -type f | LC_ALL=C sort | paste -s -d, >"$seeds"
  local artifacts="$build/fuzz-artifacts/$target"
  rm -rf "$artifacts"
  mkdir -p "$artifacts"
  # The malloc limit stops a runaway allocation at the allocation itself, the same
  # way every time; the resident-memory limit, checked once a second, lies above it.
  local options=(-timeout=60 -rss_limit_mb=4096 -malloc_limit_mb=2048 -print_final_stats=1
                 -artifact_prefix="$artifacts/" -seed_inputs=@"$seeds")
  if [ -f "$here/fuzz/$target.dict" ]; then
    options+=(-dict="$here/fuzz/$target.dict")
  fi
  local log="$build/fuzz-artifacts/$target.$name.log"
  echo "=== $target: $name ($*) from $(corpus_size "$target") inputs"
  local status=0
  "${STEADY[@]}" "$build/fuzz/$target" "${options[@]}" "$@" "$corpus" >"$log" 2>&1 ||
    status=$?
  if log_has_report "$log"; then
    [ "$status" -ne 0 ] || status=1
  fi
  local executed peak
  executed="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  peak="$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)"
  LAST_SUMMARY="$name: ${executed:-?} executions, peak RSS ${peak:-?} MB, exit $status"
  if [ "$status" -ne 0 ]; then
    show_findings "$target" "$log" "$artifacts"
  fi
  return "$status"
}
