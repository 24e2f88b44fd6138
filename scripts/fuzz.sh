#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its corpus:
#   scripts/fuzz.sh [options] SECONDS [TARGET...]
# TARGET is a name as in the table (format_stoe, format_xrdml, archive_xrddata, ...); none: every target. Options:
#   --build DIR    the fuzz build folder (default build-fuzz); working corpora and findings go to DIR/fuzz-work/
#   -j N           run N targets at once (default 1: one at a time, each on one core)
#   --no-samples   seed only from fuzz/corpus/<target>/, not from the sample files
#   --merge        fuzz seeded only from fuzz/corpus/<target>/ (never from the samples, whose bytes must not enter
#                  the repository), then add the new inputs that reach new coverage to fuzz/corpus/<target>/
#   --runs N       stop each target after N executions, or at SECONDS if that comes first
#   --workers W    run each target as W processes on one shared corpus (each picks up what the others find);
#                  the executions are summed, and --runs N is shared out between them
#   --list         print the targets and stop
# Each target's working corpus is built afresh from fuzz/corpus/<target>/ plus the sample files of its format
# (from $XRDDATA_SAMPLES_DIR, else ../shared/samples beside the checkout) and prefixes of them cut at a few
# lengths; inputs the fuzzer finds accumulate in DIR/fuzz-work/<target>/corpus/ across runs. Prints one line per
# target (executions, coverage, corpus, findings) and exits nonzero when any target has a finding or fails to run.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

build=build-fuzz
jobs=1
samples=1
merge=0
list=0
runs=""
workers=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    -j) jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    --no-samples) samples=0; shift ;;
    --merge) merge=1; samples=0; shift ;;
    --list) list=1; shift ;;
    --runs) [[ "$2" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: --runs needs a positive number" >&2; exit 2; }
            runs=$2; shift 2 ;;
    --workers) [[ "$2" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: --workers needs a positive number" >&2; exit 2; }
            workers=$2; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ "$list" -eq 0 ]; then
  if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [--build DIR] [-j N] [--no-samples] [--merge] [--runs N] [--workers W] [--list] SECONDS [TARGET...]" >&2
    exit 2
  fi
  seconds=$1
  shift
fi
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: -j needs a positive number" >&2; exit 2; }

bash scripts/deps.sh fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DXRDDATA_FUZZ=ON \
  -DXRDDATA_TESTS=OFF -DXRDDATA_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_targets
bin="$build/fuzz"

# target -> sample format code (-1: none; 0: every sample, for the target that detects the format itself).
declare -A code_of
all=()
while read -r name code; do
  [ -n "$name" ] || continue
  code_of[$name]=$code
  all+=("$name")
done <"$bin/fuzz_targets.txt"

if [ "$list" -eq 1 ]; then
  for t in "${all[@]}"; do echo "$t"; done
  exit 0
fi

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
for t in "${targets[@]}"; do
  [ -n "${code_of[$t]+x}" ] || { echo "fuzz.sh: no fuzz target '$t' (see --list)" >&2; exit 2; }
done

# The targets that write a settings store do so in a folder of their own under $TMPDIR: in memory when it can be
# (a store rewritten for every input costs a quarter of those targets' time on a disk).
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

# The sample files and their formats, detected once.
samples_dir=${XRDDATA_SAMPLES_DIR:-$repo/../shared/samples}
sample_codes="$build/fuzz-work/sample-formats.txt"
mkdir -p "$build/fuzz-work"
: >"$sample_codes"
if [ "$samples" -eq 1 ] && [ -d "$samples_dir" ]; then
  find "$samples_dir" -type f ! -name '*.md' -print0 | sort -z | xargs -0 -r "$bin/fuzz_sample_format" >"$sample_codes"
  echo "samples: $(wc -l <"$sample_codes") files from $samples_dir"
elif [ "$samples" -eq 1 ]; then
  echo "samples: none ($samples_dir is absent)"
fi

# Copies file and prefixes of it cut at a few lengths into dir (the samples folder is only ever read).
add_with_prefixes() {
  local file=$1 dir=$2 base size cut
  base=$(basename "$file")
  size=$(stat -c %s "$file")
  cp "$file" "$dir/$base"
  for cut in 16 64 256 1024 4096 $((size / 4)) $((size / 2)) $((size * 3 / 4)) $((size - 1)); do
    if [ "$cut" -gt 0 ] && [ "$cut" -lt "$size" ] && [ ! -e "$dir/$base.cut$cut" ]; then
      head -c "$cut" "$file" >"$dir/$base.cut$cut"
    fi
  done
}

# Fuzzes one target; writes its summary line to <work>/result.
run_target() {
  local t=$1 code=${code_of[$1]} work="$build/fuzz-work/$1" corpus dirs=() rc=0
  rm -rf "$work/seeds" "$work/artifacts"
  mkdir -p "$work/seeds" "$work/artifacts"
  if [ "$merge" -eq 1 ]; then
    corpus="$work/own"  # never holds sample bytes
  else
    corpus="$work/corpus"
  fi
  mkdir -p "$corpus"
  dirs=("$corpus")
  [ -d "fuzz/corpus/$t" ] && dirs+=("fuzz/corpus/$t")
  if [ "$code" = 0 ]; then
    # The detecting reader starts from every format's corpus.
    local other
    for other in "${all[@]}"; do
      [ "$other" != "$t" ] && [ "${code_of[$other]}" -gt 0 ] && [ -d "fuzz/corpus/$other" ] && dirs+=("fuzz/corpus/$other")
    done
  fi
  if [ "$code" -ge 0 ]; then
    local c f
    while IFS=$'\t' read -r c f; do
      # The detecting target takes every readable sample, recognised or not.
      if { [ "$code" = 0 ] && [ "$c" -ge 0 ]; } || { [ "$c" -gt 0 ] && [ "$c" = "$code" ]; }; then
        add_with_prefixes "$f" "$work/seeds"
      fi
    done <"$sample_codes"
  fi
  dirs+=("$work/seeds")

  # Worker w logs to log (the first) or log.w; new inputs of every worker go to the shared corpus, which libFuzzer
  # reads again every second for what the others found.
  local w pids=() share=() status_w
  [ -n "$runs" ] && share=(-runs=$(((runs + workers - 1) / workers)))
  rm -f "$work"/log.*
  for ((w = 1; w <= workers; w++)); do
    local log="$work/log"
    [ "$w" -gt 1 ] && log="$work/log.$w"
    timeout --kill-after=30 $((seconds + 300)) "$bin/fuzz_$t" -max_total_time="$seconds" "${share[@]}" -rss_limit_mb=512 \
      -malloc_limit_mb=256 -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "${dirs[@]}" \
      >"$log" 2>&1 &
    pids+=($!)
  done
  for w in "${pids[@]}"; do
    status_w=0
    wait "$w" || status_w=$?
    [ "$status_w" -ne 0 ] && rc=$status_w
  done

  local execs=0 n cov ft corp findings status
  for log in "$work/log" "$work"/log.*; do
    [ -f "$log" ] || continue
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    execs=$((execs + ${n:-0}))
  done
  read -r cov ft corp < <(grep -E '^#[0-9]+.* cov: ' "$work/log" | tail -1 |
    sed -E 's/.* cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/\1 \2 \3/') || true
  findings=$(find "$work/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' -o -name 'deadly-*' -o -name 'misc-*' \) | wc -l)
  status=ok
  if [ "$findings" -gt 0 ]; then
    status="FINDING: $(find "$work/artifacts" -type f ! -name 'slow-unit-*' -printf '%f ' | sed 's/ $//')"
  elif [ "$rc" -ne 0 ]; then
    status="FAILED (exit $rc, see $work/log)"
    findings=1
  fi
  if [ "$merge" -eq 1 ] && [ "$findings" -eq 0 ]; then
    mkdir -p "fuzz/corpus/$t"
    local before after
    before=$(find "fuzz/corpus/$t" -type f | wc -l)
    "$bin/fuzz_$t" -merge=1 -max_len=65536 -rss_limit_mb=512 -malloc_limit_mb=256 -timeout=10 \
      "fuzz/corpus/$t" "$corpus" >"$work/merge.log" 2>&1 || status="merge FAILED (see $work/merge.log)"
    after=$(find "fuzz/corpus/$t" -type f | wc -l)
    status="$status, merged $((after - before)) new"
  fi
  printf '%-22s %12s %8s %8s %7s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$status" >"$work/result"
  [ "$findings" -eq 0 ]
}

echo "fuzzing ${#targets[@]} targets for $seconds s each, $jobs at a time"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  rm -f "$build/fuzz-work/$t/result"
  run_target "$t" &
done
wait || true

printf '%-22s %12s %8s %8s %7s  %s\n' target executions cov ft corpus result
failed=0
for t in "${targets[@]}"; do
  if [ -f "$build/fuzz-work/$t/result" ]; then
    cat "$build/fuzz-work/$t/result"
    grep -q '  ok' "$build/fuzz-work/$t/result" || failed=$((failed + 1))
  else
    printf '%-22s  did not finish\n' "$t"
    failed=$((failed + 1))
  fi
done
if [ "$failed" -gt 0 ]; then
  echo "$failed of ${#targets[@]} targets with findings or failures (inputs and logs in $build/fuzz-work/<target>/)"
  exit 1
fi
echo "all ${#targets[@]} targets clean"
