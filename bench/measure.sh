# Sourced by bench/run: each measurement runs every client the same way, REPS times, interleaved
# so that a burst of load on the machine falls on all of them alike, and keeps the median of the
# repetitions in RESULT[<measure>_<client>], their spread in LOWEST and HIGHEST. A run that fails
# leaves its cell empty and is reported on stderr.

declare -A RESULT=() LOWEST=() HIGHEST=()
readonly CLIENT_ORDER=(orrinctl ssh direct)

# The clients in the order of repetition REP: each comes first in turn, so none always runs
# right after the same other one.
clients_for_rep() {
  local rep=$1 n=${#CLIENT_ORDER[@]} i
  for i in $(seq 0 $((n - 1))); do echo "${CLIENT_ORDER[$(((rep + i) % n))]}"; done
}

# The value of name=value line NAME in the text on standard input.
field() { sed -n "s/^$1=//p" | head -n 1; }

median_of() {
  [ $# -gt 0 ] || return 0
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
    END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

max_of() { [ $# -gt 0 ] && printf '%s\n' "$@" | sort -g | tail -n 1; }
min_of() { [ $# -gt 0 ] && printf '%s\n' "$@" | sort -g | head -n 1; }

# keep KEY VALUE...: the median of the values and their spread.
keep() {
  local key=$1
  shift
  [ $# -gt 0 ] || return 0
  RESULT[$key]=$(median_of "$@")
  LOWEST[$key]=$(min_of "$@")
  HIGHEST[$key]=$(max_of "$@")
}

# Text without the marker the throughput run waits for, about MB megabytes of it.
make_text_file() {
  local path=$1 mb=$2
  # yes ends by SIGPIPE, which pipefail would count as a failure.
  head -c $((mb * 1000 * 1000)) \
    < <(yes 'the quick brown fox jumps over the lazy dog 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ') >"$path"
}

# One driver run of a client; its name=value output on standard output, or a failure.
drive() {
  local client=$1 mode=$2
  shift 2
  local -n argv=${CLIENTS[$client]}
  timeout 900 "$DRIVER" "$mode" "$@" -- "${argv[@]}" 2>>"$DRIVER_LOG" ||
    { echo "bench: $mode run of $client failed (see the driver's messages below)" >&2
      tail -n 3 "$DRIVER_LOG" >&2; return 1; }
}

measure_one_shot() {
  local tool=$1 minimal=$2 wall_time=$3 rep out
  local -a tool_ms=() minimal_ms=()
  echo "bench: one-shot command"
  for rep in $(seq 1 "$REPS"); do
    out=$(TMPDIR=$TMPDIR_SIM "$wall_time" --runs "$ONESHOT_RUNS" -- "$tool" echo hello) &&
      tool_ms+=("$(field median_ms <<<"$out")")
    out=$(TMPDIR=$TMPDIR_SIM "$wall_time" --runs "$ONESHOT_RUNS" -- "$minimal") &&
      minimal_ms+=("$(field median_ms <<<"$out")")
  done
  keep oneshot_orrinctl "${tool_ms[@]}"
  keep oneshot_minimal "${minimal_ms[@]}"
}

measure_latency() {
  local rep client out p
  declare -A samples=()
  echo "bench: keystroke echo, $KEYS keys"
  for rep in $(seq 1 "$REPS"); do
    for client in $(clients_for_rep "$rep"); do
      out=$(drive "$client" latency --keys "$KEYS") || continue
      for p in p50 p90 p99; do samples[${p}_$client]+=" $(field ${p}_ms <<<"$out")"; done
    done
  done
  for client in "${CLIENT_ORDER[@]}"; do
    for p in p50 p90 p99; do
      # shellcheck disable=SC2086  # the samples are a space-separated list of numbers
      keep "lat_${p}_$client" ${samples[${p}_$client]:-}
    done
  done
}

measure_throughput() {
  local file=$1 rep client out
  declare -A rates=() peaks=()
  echo "bench: output throughput, $FILE_MB MB"
  for rep in $(seq 1 "$REPS"); do
    for client in $(clients_for_rep "$rep"); do
      out=$(drive "$client" throughput --file "$file") || continue
      rates[$client]+=" $(field mb_per_s <<<"$out")"
      peaks[$client]+=" $(field peak_rss_kib <<<"$out")"
    done
  done
  for client in "${CLIENT_ORDER[@]}"; do
    # shellcheck disable=SC2086
    keep "tput_$client" ${rates[$client]:-}
    # shellcheck disable=SC2086
    RESULT[peak_kib_$client]=$(max_of ${peaks[$client]:-} || true)
  done
}

measure_idle() {
  local client out
  declare -A wps=() cpu=()
  echo "bench: idle session, $IDLE_S s"
  for _ in $(seq 1 "$IDLE_REPS"); do
    for client in orrinctl ssh; do
      out=$(drive "$client" idle --seconds "$IDLE_S") || continue
      wps[$client]+=" $(field wakeups_per_s <<<"$out")"
      cpu[$client]+=" $(field cpu_ms <<<"$out")"
    done
  done
  for client in orrinctl ssh; do
    # shellcheck disable=SC2086
    keep "idle_wps_$client" ${wps[$client]:-}
    # shellcheck disable=SC2086
    keep "idle_cpu_$client" ${cpu[$client]:-}
  done
}

# Google Benchmark's CSV: name, iterations, real_time, cpu_time, time_unit, bytes_per_second, ...
measure_micro() {
  local binary=$1
  echo "bench: micro-benchmarks"
  MICRO_ROWS=$("$binary" "${MICRO_ARGS[@]}" --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR > 1 && $1 !~ /_(mean|stddev|cv)"$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
      printf "| %s | %.0f |\n", name, $6 / 1e6 }')
  MICRO_HAS_LINE_ENDINGS=0
  grep -q BM_Normalize <<<"$MICRO_ROWS" && MICRO_HAS_LINE_ENDINGS=1
  return 0
}
