#!/usr/bin/env bash
# Verifies a planned archive run (telvar-verify --plan ... --out RUN) with
# GNU parallel where there is no scheduler, here or over ssh, then merges it
# into CASE on this machine (docs/archive-runs.md). Run it again after a
# failure: the job log resumes the failed shards, and the merge stores each
# result once.
#   parallel-run.sh [OPTIONS] RUN CASE
#   --jobs P            tasks at once on each machine (default: one per core)
#   --retries R         tries of a failed shard within this run (default 2)
#   --sshloginfile F    run the tasks on the machines listed in F, each
#                       mounting RUN at the same path and holding telvar-verify
#   --keys STORE        the key store(s) the run was planned with (repeat as
#   --validation-time T for --plan): every task and the merge verify with them
# TELVAR_VERIFY names the telvar-verify to run (default: the one on PATH).
set -euo pipefail

jobs=100% retries=2 logins=() keys=()
while [ $# -gt 2 ]; do
  case $1 in
    --jobs) jobs=$2; shift 2 ;;
    --retries) retries=$2; shift 2 ;;
    --sshloginfile) logins=(--sshloginfile "$2"); shift 2 ;;
    --keys) keys+=(--keys "$(realpath -m "$2")"); shift 2 ;;
    --validation-time) keys+=(--validation-time "$2"); shift 2 ;;
    *) echo "parallel-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ $# -ne 2 ]; then
  echo "usage: parallel-run.sh [OPTIONS] RUN CASE" >&2
  exit 2
fi
run=$(realpath "$1")
case_file=$2
verify=$(command -v "${TELVAR_VERIFY:-telvar-verify}" || true)
if [ -z "$verify" ] || [ ! -s "$run/plan.json" ]; then
  echo "parallel-run.sh: needs telvar-verify and a planned run in $run" >&2
  exit 2
fi
verify=$(realpath "$verify")
mkdir -p "$run/logs"
# The run's keys, quoted for the tasks' shell: a task without them refuses its shard.
keys_args=$(printf ' %q' "${keys[@]}")
[ ${#keys[@]} -gt 0 ] || keys_args=""

# --resume-failed with the run's own job log: a second call runs the shards
# that failed or never ran, and skips those that succeeded.
status=0
shards=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["shards"])' "$run/plan.json")
for ((i = 0; i < shards; i++)); do printf '%s/shards/%05d\n' "$run" "$i"; done |
  parallel --will-cite --joblog "$run/logs/parallel.joblog" --resume-failed \
    --retries "$retries" --jobs "$jobs" "${logins[@]}" \
    "'$verify'$keys_args --shard {} --out '$run/results' >>'$run/logs/shard-{/}.out' 2>&1" || status=$?
if [ "$status" -ne 0 ]; then
  echo "parallel-run.sh: $status shards failed (see $run/logs); merging the others" >&2
fi
status=0
"$verify" "${keys[@]}" --case-file "$case_file" --merge "$run" || status=$?
if [ "$status" -eq 5 ]; then
  echo "Some shards have no results: run parallel-run.sh again to redo them" >&2
fi
exit "$status"
