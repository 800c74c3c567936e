#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and
# runs each for SECONDS (default 60): scripts/fuzz.sh [SECONDS [TARGET...]].
# Fails when a target finds a crash, a hang, a leak, runaway memory or a broken
# property; the input that did it is kept under build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_internet_shortcut fuzz_bookmarks_parse fuzz_bookmarks_import
                                     fuzz_registry_text fuzz_settings_store fuzz_address_fixup)
build=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-$(nproc)}

DRIFTWAY_FUZZ=1 bash scripts/deps.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDRIFTWAY_GTK=OFF -DDRIFTWAY_FUZZ=ON
fi
cmake --build "$build" -j "$jobs" --target fuzz_targets

# The seeds are written afresh; what the targets find is kept in corpus/ for
# the next run.
rm -rf "$build/seeds"
"$build/fuzz/make_seeds" "$build/seeds"
mkdir -p "$build/corpus" "$build/artifacts" "$build/logs"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  log="$build/logs/$target.log"
  echo "== $target: ${seconds}s"
  if "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -dict="$build/seeds/$target.dict" -artifact_prefix="$build/artifacts/$target-" \
       -print_final_stats=1 "$build/corpus/$target" "$build/seeds/$target" >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
    grep -E '^stat::number_of_executed_units' "$log" || true
  else
    failed+=("$target")
    echo "$target FAILED; the end of $log:"
    tail -60 "$log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "Fuzzing found nothing in ${#targets[@]} targets."
