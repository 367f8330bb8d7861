#!/usr/bin/env bash
# The collection's example playbook against 16 simulated recorders on loopback, as an installer
# runs it: a roll-out changes every recorder once and a second run none; a check run predicts the
# change and sends no set command (the recorders' logs show it); --diff names the fields; a
# recorder that fails is failed while the others finish. Then the engine's overhead beside
# dvrcfg apply --jobs 16 on the same fleet.
#   ansible/tests/fleet.sh BIN_DIR      (BIN_DIR holds dvrcfg and dvr-simulator)
set -euo pipefail
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../examples
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export ANSIBLE_COLLECTIONS_PATH=$here/.. ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_LOCAL_TEMP=$work/ansible-tmp ANSIBLE_HOME=$work/ansible-home
export PATH=$bin:$PATH
profile='type=82&channels=4&alarmin=2&alarmout=1&disks=2'
count=16

fail() { echo "fleet: $*" >&2; exit 1; }

# The example inventory numbers its recorders from one port on: find 17 free ones in a row.
start_simulator() {
  local devices=()
  for ((i = 0; i < count; i++)); do devices+=(--device "$profile"); done
  for base in 9300 19300 29300 39300; do
    "$bin/dvr-simulator" --port "$base" --control-port $((base + 99)) --reboot-ms 60000 "${devices[@]}" \
      >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do
      grep -qx ready "$work/sim.out" && { port_base=$base; return 0; }
      kill -0 "$sim_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  done
  fail "dvr-simulator did not start: $(cat "$work/sim.err")"
}

# One request to the control interface; for "log", the lines after the reply too.
control() {
  exec 3<>"/dev/tcp/127.0.0.1/$((port_base + 99))"
  echo "$1" >&3
  local reply line
  read -r reply <&3
  echo "$reply"
  if [[ $1 == log* && $reply == ok* ]]; then
    for ((n = ${reply#ok }; n > 0; n--)); do read -r line <&3 && echo "$line"; done
  fi
  exec 3<&-
}

playbook() { # LOG ARGUMENTS...: the example playbook, its output in LOG
  local log=$1
  shift
  ansible-playbook -i "$examples/inventory.yml" "$examples/site.yml" -e "dvr_port_base=$port_base" \
    -e "dvrcfg=$bin/dvrcfg" "$@" >"$log" 2>&1 || true
}

# Every recorder's "changed failed" from the play recap, one a line: "rec00 1 0".
recap() {
  awk '/^PLAY RECAP/ { on = 1; next }
       on && /^rec[0-9]+ / {
         c = $0; sub(/.*changed=/, "", c); sub(/ .*/, "", c)
         f = $0; sub(/.*failed=/, "", f); sub(/ .*/, "", f)
         print $1, c, f }' "$1"
}

expect_recap() { # LOG WHAT CHANGED FAILED [EXCEPT_HOST EXCEPT_CHANGED EXCEPT_FAILED]
  local log=$1 what=$2 changed=$3 failed=$4 odd=${5:-} oddc=${6:-} oddf=${7:-}
  local rows
  rows=$(recap "$log")
  [ "$(wc -l <<<"$rows")" -eq "$count" ] || { cat "$log" >&2; fail "$what: $count recorders expected in the recap"; }
  while read -r host c f; do
    if [ "$host" = "$odd" ]; then
      [ "$c $f" = "$oddc $oddf" ] || { cat "$log" >&2; fail "$what: $host changed=$c failed=$f"; }
    else
      [ "$c $f" = "$changed $failed" ] || { cat "$log" >&2; fail "$what: $host changed=$c failed=$f"; }
    fi
  done <<<"$rows"
  echo "fleet: $what: ok"
}

sets_sent() { # how many set commands all recorders were sent since their logs were cleared
  local total=0
  for ((i = 0; i < count; i++)); do
    total=$((total + $(control "log $i" | grep -c '^set_' || true)))
  done
  echo "$total"
}
clear_logs() { for ((i = 0; i < count; i++)); do control "clearlog $i" >/dev/null; done; }

ms() { date +%s%3N; }

start_simulator
cd "$work"
dvrcfg backup "127.0.0.1:$port_base" -o base.json >/dev/null
dvrcfg edit base.json -o tpl.json alarmout.1.outputDelay=3 dnsntp.ntpServer=ntp.fleet.example >/dev/null
dvrcfg edit tpl.json -o tpl2.json alarmout.1.outputDelay=4 >/dev/null
mkdir snapshots

playbook first.log -f 8 -e "dvr_template=$work/tpl.json" -e "dvr_backup_dir=$work/snapshots"
expect_recap first.log "first run changes every recorder" 1 0
[ "$(ls snapshots | wc -l)" -eq "$count" ] || fail "a snapshot of each recorder expected, found $(ls snapshots | wc -l)"

playbook second.log -f 8 -e "dvr_template=$work/tpl.json"
expect_recap second.log "second run changes nothing" 0 0

clear_logs
playbook check.log -f 8 -e "dvr_template=$work/tpl2.json" --check
expect_recap check.log "check run predicts every change" 1 0
[ "$(sets_sent)" -eq 0 ] || fail "the check run sent set commands"
echo "fleet: check run sent no set command: ok"

playbook diff.log -f 8 -e "dvr_template=$work/tpl2.json" --check --diff --limit rec03
grep -q -- '-alarm output 1 · outputDelay = 3' diff.log && grep -q -- '+alarm output 1 · outputDelay = 4' diff.log ||
  { cat diff.log >&2; fail "--diff does not name the field"; }
echo "fleet: --diff names the fields: ok"

# Recorder 5 goes into a long reboot: its log-in fails, the others are changed.
[ "$(control 'reboot 5')" = ok ] || fail "reboot 5 was refused"
playbook failing.log -f 8 -e "dvr_template=$work/tpl2.json"
expect_recap failing.log "one failing recorder" 1 0 rec05 0 1
grep -q 'rec05.*FAILED' failing.log || fail "rec05 is not reported failed"

# A backup is changed only when the settings differ; a roll-out is undone from its snapshot.
adhoc() { # MODULE ARGS: on rec00, its output's first line
  ansible -i "$examples/inventory.yml" rec00 -e "dvr_port_base=$port_base" -m "dvrtools.recorders.$1" \
    -a "address=127.0.0.1:$port_base dvrcfg=$bin/dvrcfg password=12345 $2" 2>&1 | head -1
}
[[ $(adhoc dvr_backup "path=$work/rec00.json") == "rec00 | CHANGED"* ]] || fail "the first backup is not a change"
[[ $(adhoc dvr_backup "path=$work/rec00.json") == "rec00 | SUCCESS"* ]] || fail "an equal backup is a change"
snapshot=$(ls snapshots/127.0.0.1_"$port_base"-*.json)
[[ $(adhoc dvr_config "state=restored src=$snapshot") == "rec00 | CHANGED"* ]] || fail "the restore changed nothing"
dvrcfg diff "$snapshot" "127.0.0.1:$port_base" >/dev/null || fail "rec00 differs from its snapshot after the restore"
[[ $(adhoc dvr_backup "path=$work/rec00.json") == "rec00 | CHANGED"* ]] || fail "a backup of other settings is no change"
echo "fleet: dvr_backup changes only on a difference, a snapshot undoes the roll-out: ok"

# The engine beside dvrcfg alone, the same records changed on the same 15 recorders.
dvrcfg edit tpl2.json -o tpl3.json alarmout.1.outputDelay=5 >/dev/null
dvrcfg edit tpl2.json -o tpl4.json alarmout.1.outputDelay=6 >/dev/null
addresses=()
for ((i = 0; i < count; i++)); do [ "$i" -ne 5 ] && addresses+=("127.0.0.1:$((port_base + i))"); done
t0=$(ms)
playbook bench.log -f 16 -e "dvr_template=$work/tpl3.json" --tags rollout --limit '!rec05'
t1=$(ms)
dvrcfg apply tpl4.json "${addresses[@]}" --jobs 16 >bench-dvrcfg.log || fail "dvrcfg apply failed: $(cat bench-dvrcfg.log)"
t2=$(ms)
grep -c 'changed: \[' bench.log | grep -qx 15 || { cat bench.log >&2; fail "the timed play did not change 15 recorders"; }
engine=$((t1 - t0)) alone=$((t2 - t1))
awk -v e="$engine" -v a="$alone" -v n=15 'BEGIN {
  printf "fleet: 15 recorders: playbook (forks 16) %d ms, dvrcfg apply --jobs 16 %d ms: %.1f times, %.0f ms of engine a recorder\n",
    e, a, e / a, (e - a) / n }'
echo "fleet: all checks passed"
