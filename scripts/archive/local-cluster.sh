#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, for CI and for trying archive
# runs (docs/archive-runs.md): munged with its own socket and key, slurmctld
# and slurmd in the foreground as children of this script's start, their
# configuration, state, logs and process ids all in one folder of their own.
#   local-cluster.sh start   prints the SLURM_CONF line to export
#   local-cluster.sh stop    stops each daemon by its process id
# The folder is $TELVAR_CLUSTER_DIR, else /tmp/telvar-cluster-$USER. Needs
# the Debian packages slurmctld, slurmd, slurm-client and munge
# (scripts/deps.sh --archive); no systemd.
set -euo pipefail

dir=${TELVAR_CLUSTER_DIR:-/tmp/telvar-cluster-$(id -un)}
# Ports of their own, so a site's real cluster on the standard ones is not touched.
ctld_port=${TELVAR_CLUSTER_PORT:-16817}
node=$(hostname -s)
conf=$dir/etc/slurm.conf

alive() { [ -s "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

wait_for() {  # SECONDS COMMAND...: until the command succeeds
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    if [ $SECONDS -ge $end ]; then return 1; fi
    sleep 0.2
  done
}

start() {
  if alive "$dir/run/slurmctld.pid"; then
    echo "export SLURM_CONF=$conf"
    return 0
  fi
  mkdir -p "$dir"/{etc,run,log,state,spool,munge,munge-key}
  # munged wants its key private and its socket's folder open to all.
  chmod 0700 "$dir/munge-key"
  chmod 0755 "$dir/munge"
  if [ ! -s "$dir/munge-key/munge.key" ]; then
    head -c 1024 /dev/urandom >"$dir/munge-key/munge.key"
  fi
  chmod 0400 "$dir/munge-key/munge.key"
  local cpus memory user
  cpus=$(nproc)
  memory=$(($(awk '/MemTotal/ {print $2}' /proc/meminfo) / 1024 * 9 / 10))
  user=$(id -un)
  cat >"$conf" <<CONF
ClusterName=telvar-local
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$((ctld_port + 1))
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/run/slurmctld.pid-slurm
SlurmdPidFile=$dir/run/slurmd.pid-slurm
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
# Starts the next task as soon as one ends: archive tasks queue behind
# each other, and one node has nothing to backfill.
SchedulerType=sched/builtin
SchedulerParameters=sched_min_interval=0,batch_sched_delay=0
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
MinJobAge=300
KillWait=2
InactiveLimit=0
SlurmctldTimeout=30
SlurmdTimeout=30
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
  # Root may run munged only when told to; the key and socket are ours alone.
  local force=()
  if [ "$(id -u)" -eq 0 ]; then force=(--force); fi
  munged "${force[@]}" --foreground --socket="$dir/munge/munge.socket" \
    --key-file="$dir/munge-key/munge.key" --pid-file="$dir/munge-key/munged.pid-munge" \
    --log-file="$dir/log/munged.log" --seed-file="$dir/munge-key/munged.seed" \
    >>"$dir/log/munged.out" 2>&1 &
  echo $! >"$dir/run/munged.pid"
  wait_for 10 test -S "$dir/munge/munge.socket" || { echo "munged did not start; see $dir/log" >&2; stop; exit 1; }
  SLURM_CONF=$conf slurmctld -D -c -f "$conf" >>"$dir/log/slurmctld.out" 2>&1 &
  echo $! >"$dir/run/slurmctld.pid"
  SLURM_CONF=$conf slurmd -D -f "$conf" -N "$node" >>"$dir/log/slurmd.out" 2>&1 &
  echo $! >"$dir/run/slurmd.pid"
  # A new cluster each time (-c): jobs of an earlier start are gone, and a
  # run resubmitted redoes only the shards without results.
  # Up when the node takes jobs.
  if ! wait_for 30 bash -c "SLURM_CONF='$conf' sinfo -h -N -o %t | grep -Eq '^(idle|mix|alloc)'"; then
    echo "the cluster did not come up; see $dir/log" >&2
    SLURM_CONF=$conf sinfo -N >&2 || true
    stop
    exit 1
  fi
  echo "export SLURM_CONF=$conf"
}

stop() {
  local name pid
  for name in slurmd slurmctld munged; do
    if alive "$dir/run/$name.pid"; then
      pid=$(cat "$dir/run/$name.pid")
      kill "$pid"
      # Given a few seconds, then made to.
      wait_for 10 bash -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/run/$name.pid"
  done
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
