# Sourced by bench/run: velmora-sim, the simulated main application, with its socket in a private
# TMPDIR that the orrinctl runs are given too.
#
#   start_velmora_sim SIM_BINARY TMPDIR LOG   sets SIM_PID
#   stop_velmora_sim

SIM_PID=""
readonly BENCH_SERVER_NAME=gakeh-dkark-946Q3509-6576-74GD-RH7U-2816S13V503U

start_velmora_sim() {
  local binary=$1 tmp=$2 log=$3 i
  mkdir -p "$tmp"
  TMPDIR=$tmp "$binary" >"$log" 2>&1 &
  SIM_PID=$!
  for i in $(seq 1 100); do
    [ -S "$tmp/$BENCH_SERVER_NAME" ] && return 0
    kill -0 "$SIM_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

stop_velmora_sim() {
  [ -n "$SIM_PID" ] || return 0
  kill "$SIM_PID" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$SIM_PID" 2>/dev/null || true
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=""
}
