# Sourced by bench/run: the results as a Markdown table, with the date and the machine, from
# RESULT (measure.sh). The verdict column reports; nothing fails on it.

# "met" or "missed" for an awk condition over a=$2 b=$3 c=$4; "n/a" when a value is missing.
verdict() {
  local cond=$1 v
  shift
  for v in "$@"; do [ -n "$v" ] || { echo "n/a"; return; }; done
  awk -v a="$1" -v b="${2:-0}" -v c="${3:-0}" "BEGIN { print (($cond) ? \"met\" : \"missed\") }"
}

# The value with the given number of decimals, or a dash when there is none.
num() {
  if [ -n "${1:-}" ]; then awk -v v="$1" -v d="${2:-3}" 'BEGIN { printf "%.*f", d, v }'; else echo "—"; fi
}

# RESULT[KEY] with DECIMALS, followed by the spread of the repetitions when they differ.
cell() {
  local key=$1 d=${2:-3} lo=${LOWEST[$1]:-} hi=${HIGHEST[$1]:-}
  num "${RESULT[$key]:-}" "$d"
  if [ -n "$lo" ] && [ "$(num "$lo" "$d")" != "$(num "$hi" "$d")" ]; then
    echo -n " ($(num "$lo" "$d")–$(num "$hi" "$d"))"
  fi
}

ratio() { [ -n "${1:-}" ] && [ -n "${2:-}" ] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }' || true; }

machine_line() {
  local cpu
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
  echo "nproc $(nproc), CPU ${cpu:-unknown}, kernel $(uname -sr)"
}

# One row: the measure's title, its RESULT key prefix (completed by each client), the decimals,
# the target's text, and the verdict.
row() {
  local title=$1 prefix=$2 d=$3 target=$4 verdict_text=$5 c
  local cells=""
  for c in orrinctl ssh direct; do cells+=" $(cell "${prefix}_$c" "$d") |"; done
  echo "| $title |$cells $target | $verdict_text |"
}

terminal_rows() {
  local k
  for k in orrinctl ssh direct; do
    [ -n "${RESULT[peak_kib_$k]:-}" ] && RESULT[peak_mib_$k]=$(awk -v k="${RESULT[peak_kib_$k]}" 'BEGIN { print k / 1024 }')
  done
  row "keystroke echo p50 (ms)" lat_p50 3 "≤ ssh" \
    "$(verdict 'a <= b' "${RESULT[lat_p50_orrinctl]:-}" "${RESULT[lat_p50_ssh]:-}")"
  row "keystroke echo p90 (ms)" lat_p90 3 "—" ""
  row "keystroke echo p99 (ms)" lat_p99 3 "< 1" "$(verdict 'a < 1' "${RESULT[lat_p99_orrinctl]:-}")"
  row "output throughput (MB/s)" tput 1 "≥ ssh, ≥ 60 % of direct" \
    "$(verdict 'a >= b && a >= 0.6 * c' "${RESULT[tput_orrinctl]:-}" "${RESULT[tput_ssh]:-}" "${RESULT[tput_direct]:-}")"
  row "peak resident memory during throughput, highest (MiB)" peak_mib 1 "< 20" \
    "$(verdict 'a < 20' "${RESULT[peak_mib_orrinctl]:-}")"
  row "idle: wake-ups per second" idle_wps 2 "≤ 2" "$(verdict 'a <= 2' "${RESULT[idle_wps_orrinctl]:-}")"
  row "idle: CPU time over ${IDLE_S} s (ms)" idle_cpu 2 "—" ""
}

one_shot_row() {
  RESULT[oneshot_ratio]=$(ratio "${RESULT[oneshot_orrinctl]:-}" "${RESULT[oneshot_minimal]:-}")
  echo "| \`orrinctl echo hello\` | $(cell oneshot_orrinctl 2) | $(cell oneshot_minimal 2) |" \
    "$(cell oneshot_ratio 2) | ≤ 1.5 | $(verdict 'a <= 1.5' "${RESULT[oneshot_ratio]}") |"
}

write_report() {
  local mode=$1
  cat <<HEAD
# Benchmark results

$(date '+%Y-%m-%d %H:%M %Z'), $mode run (\`bench/run$([ "$mode" = quick ] && echo " --quick")\`): \
$REPS repetitions, medians; $KEYS keystrokes, $FILE_MB MB of output, ${IDLE_S} s idle.
Machine: $(machine_line); load average $LOAD_AT_START at the start, $(cut -d' ' -f1-3 /proc/loadavg) at
the end. $(ssh -V 2>&1 | cut -d, -f1).

Terminal clients in a pseudo-terminal owned by the driver: \`orrinctl term --shell bash\` against
velmora-sim, \`ssh -tt\` to an sshd on 127.0.0.1, and bash run directly in the pseudo-terminal.
Keystroke echo goes through \`stty raw -echo\` and \`dd bs=1\` on the far side; throughput is
\`cat\` of a text file (MB/s of the file's bytes); idle counts the client process's context
switches and CPU time. Each cell is the median of the repetitions, their lowest and highest in
brackets; no idle run for the direct shell, it has no client process.

| measure | orrinctl | ssh -tt | direct pty | target | verdict |
|---|---|---|---|---|---|
$(terminal_rows)

| one-shot command, whole-process wall time | orrinctl (ms) | minimal Qt client (ms) | ratio | target | verdict |
|---|---|---|---|---|---|
$(one_shot_row)

Receive path micro-benchmarks (Google Benchmark), MB/s of CPU time: FrameReceiveBuffer::takeRecord and
decodeFrame over a stream of kOutput records (payload: bytes per frame; read: bytes appended per
socket read), and normalizeLineEndings over 4,096-byte reads of text with LF or CR LF line ends.

| benchmark | MB/s |
|---|---|
$MICRO_ROWS
HEAD
  [ "$MICRO_HAS_LINE_ENDINGS" = 1 ] ||
    echo "(normalizeLineEndings is not in the tree yet: its micro-benchmark is left out.)"
}
