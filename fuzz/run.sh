#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, one after another.
#   fuzz/run.sh SECONDS [TARGET...]     (default: every target; SECONDS per target)
# Environment: CAVIX_FUZZ_BUILD (build directory, default build-fuzz), CAVIX_FUZZ_WORK (working
# corpora and crash artifacts, default <build>/fuzz-work). The committed seed corpora in
# fuzz/corpus/<target> are copied, never written. Exit status 1 when any target found a fault;
# its reproducer is named in the output.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:?usage: fuzz/run.sh SECONDS [TARGET...]}"
shift
all=(ini tab registry settings script model prefs dialog step)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

build="${CAVIX_FUZZ_BUILD:-build-fuzz}"
work="${CAVIX_FUZZ_WORK:-$build/fuzz-work}"

# Open CASCADE for the STEP reader's target; its libraries are Debian's, not instrumented.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCAVIX_FUZZ=ON -DCAVIX_SANITIZE=ON \
  -DCAVIX_STRICT=ON -DCAVIX_WITH_QT=OFF -DCAVIX_WITH_OCCT=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null
cmake --build "$build" -j"${CAVIX_JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}")

failed=()
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  artifacts="$work/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  # A model's and a STEP file's seeds include one nested a hundred thousand levels deep (about
  # 200 kB).
  max_len=65536
  case "$t" in model | step) max_len=262144 ;; esac
  # The STEP reader reads each file in a child process, and forks only while it runs one thread:
  # libFuzzer's memory watch is a thread of its own.
  rss=2048
  [ "$t" != step ] || rss=0
  # A STEP unit's time is its child's too, and a child once stalled for 29 s on an input that then
  # read in 52 ms: the STEP reader gets a minute a unit before a stall counts as a finding.
  timeout=20
  [ "$t" != step ] || timeout=60
  echo "== fuzz_$t: ${seconds}s"
  # Open CASCADE keeps caches in static handles it never frees (tests/export/lsan.supp).
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
     LSAN_OPTIONS=suppressions="$PWD/tests/export/lsan.supp" \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$build/fuzz/fuzz_$t" "$corpus" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb="$rss" \
       -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$artifacts/" \
       $( [ -f "fuzz/$t.dict" ] && echo "-dict=fuzz/$t.dict" ) \
       >"$work/fuzz_$t.log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$work/fuzz_$t.log" | tail -2 || true
  else
    failed+=("$t")
    tail -60 "$work/fuzz_$t.log"
    echo "fuzz_$t FOUND A FAULT; reproducers: $(ls "$artifacts")"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzers with findings: ${failed[*]}"
  exit 1
fi
echo "all fuzzers ran ${seconds}s without a finding"
