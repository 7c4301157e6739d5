# Sourced by bench/run: a throw-away sshd on 127.0.0.1 that only root's key from a temporary folder
# can log in to, the same machine's ssh as the comparison for orrinctl term.
#
#   start_loopback_sshd DIR   sets SSHD_PID, SSHD_PORT and SSH_CMD (an array: ssh -tt ... root@127.0.0.1)
#   stop_loopback_sshd

SSHD_PID=""
SSHD_PORT=""
SSH_CMD=()

port_is_free() {
  ! ss -Hltn "sport = :$1" 2>/dev/null | grep -q .
}

write_sshd_config() {
  local dir=$1 port=$2
  # Running as root from a temporary folder: StrictModes would refuse its permissions, and PAM
  # would want a login session this benchmark does not need.
  cat >"$dir/sshd_config" <<CONF
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host_ed25519
PidFile $dir/sshd.pid
AuthorizedKeysFile $dir/authorized_keys
StrictModes no
UsePAM no
PermitRootLogin prohibit-password
AllowUsers root
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UseDNS no
PrintMotd no
PrintLastLog no
AcceptEnv LANG LC_*
CONF
}

make_ssh_keys() {
  local dir=$1
  ssh-keygen -q -t ed25519 -N '' -C bench-host -f "$dir/host_ed25519"
  ssh-keygen -q -t ed25519 -N '' -C bench-user -f "$dir/user_ed25519"
  cp "$dir/user_ed25519.pub" "$dir/authorized_keys"
  chmod 600 "$dir/authorized_keys"
}

# Waits until a login works, at most about 10 s.
wait_for_sshd() {
  local i
  for i in $(seq 1 100); do
    if ! kill -0 "$SSHD_PID" 2>/dev/null; then return 1; fi
    if "${SSH_CMD[@]/-tt/-T}" true </dev/null >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_loopback_sshd() {
  local dir=$1 port
  command -v /usr/sbin/sshd >/dev/null || return 1
  mkdir -p "$dir" /run/sshd
  make_ssh_keys "$dir"
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    port_is_free "$port" || continue
    write_sshd_config "$dir" "$port"
    /usr/sbin/sshd -t -f "$dir/sshd_config" || return 1
    /usr/sbin/sshd -D -e -f "$dir/sshd_config" 2>>"$dir/sshd.log" &
    SSHD_PID=$!
    SSHD_PORT=$port
    SSH_CMD=(ssh -tt -F none -p "$port" -i "$dir/user_ed25519" -o BatchMode=yes
      -o StrictHostKeyChecking=no -o UserKnownHostsFile="$dir/known_hosts" -o LogLevel=ERROR
      root@127.0.0.1)
    if wait_for_sshd; then return 0; fi
    stop_loopback_sshd
  done
  return 1
}

stop_loopback_sshd() {
  [ -n "$SSHD_PID" ] || return 0
  kill "$SSHD_PID" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$SSHD_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$SSHD_PID" 2>/dev/null || true
  wait "$SSHD_PID" 2>/dev/null || true
  SSHD_PID=""
}
