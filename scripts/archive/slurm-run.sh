#!/usr/bin/env bash
# Verifies a planned archive run (telvar-verify --plan ... --out RUN) as a
# Slurm job array and merges it into CASE as a job that waits for the whole
# array (afterany), then waits for the merge and exits with its status
# (docs/archive-runs.md). Run it again after a failure: only the shards
# without results are submitted, and the merge stores each result once.
#   slurm-run.sh [OPTIONS] RUN CASE
#   --throttle P     at most P tasks at once, to spare shared storage (default 4)
#   --time LIMIT     each task's time limit, as sbatch takes it (default 2:00:00)
#   --merge-time L   the merge's time limit (default 1:00:00)
#   --merge-node N   run the merge on node N, whose local disk holds CASE
#   --partition P    the partition of every job
#   --cpus N         CPUs per task; the task verifies with --jobs N (default 1)
#   --no-wait        submit and print the job ids without waiting
#   --keys STORE     the key store(s) the run was planned with (repeat as for
#   --validation-time T  --plan): every task and the merge verify with them
# TELVAR_VERIFY names the telvar-verify to run (default: the one on PATH);
# TELVAR_SBATCH_ARGS adds options to every sbatch (an account, a QOS).
set -euo pipefail

throttle=4 time_limit=2:00:00 merge_time=1:00:00 merge_node="" partition="" cpus=1 wait=1
keys=()
while [ $# -gt 2 ]; do
  case $1 in
    --throttle) throttle=$2; shift 2 ;;
    --time) time_limit=$2; shift 2 ;;
    --merge-time) merge_time=$2; shift 2 ;;
    --merge-node) merge_node=$2; shift 2 ;;
    --partition) partition=$2; shift 2 ;;
    --cpus) cpus=$2; shift 2 ;;
    --no-wait) wait=0; shift ;;
    --keys) keys+=(--keys "$(realpath -m "$2")"); shift 2 ;;
    --validation-time) keys+=(--validation-time "$2"); shift 2 ;;
    *) echo "slurm-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ $# -ne 2 ]; then
  echo "usage: slurm-run.sh [OPTIONS] RUN CASE" >&2
  exit 2
fi
run=$(realpath "$1")
case_file=$(realpath -m "$2")
verify=$(command -v "${TELVAR_VERIFY:-telvar-verify}" || true)
if [ -z "$verify" ] || [ ! -s "$run/plan.json" ]; then
  echo "slurm-run.sh: needs telvar-verify and a planned run in $run" >&2
  exit 2
fi
verify=$(realpath "$verify")
shards=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["shards"])' "$run/plan.json")
mkdir -p "$run/logs"
# The run's keys, quoted for the jobs' shell: a task or merge without them refuses the run.
keys_args=$(printf ' %q' "${keys[@]}")
[ ${#keys[@]} -gt 0 ] || keys_args=""

common=(--parsable --requeue --chdir="$run")
[ -n "$partition" ] && common+=(--partition="$partition")
read -r -a extra <<<"${TELVAR_SBATCH_ARGS:-}"
common+=("${extra[@]}")

# The shards no task has finished yet: all of them the first time.
todo=()
for ((i = 0; i < shards; i++)); do
  [ -e "$run/results/$(printf %05d "$i").jsonl" ] || todo+=("$i")
done

dependency=()
if [ ${#todo[@]} -gt 0 ]; then
  list=$(IFS=,; echo "${todo[*]}")
  array=$(sbatch "${common[@]}" --job-name=telvar-shard --array="$list%$throttle" \
    --time="$time_limit" --cpus-per-task="$cpus" --output="$run/logs/shard-%A_%a.out" \
    --wrap="exec '$verify'$keys_args --shard '$run'/shards/\$(printf %05d \$SLURM_ARRAY_TASK_ID) --out '$run/results' --jobs $cpus")
  array=${array%%;*}
  dependency=(--dependency="afterany:$array")
  echo "Submitted job array $array: ${#todo[@]} of $shards shards, at most $throttle at once"
else
  echo "Every shard of the run has its results; merging only"
fi

node=()
[ -n "$merge_node" ] && node=(--nodelist="$merge_node")
merge=$(sbatch "${common[@]}" "${dependency[@]}" "${node[@]}" \
  --job-name=telvar-merge --time="$merge_time" --output="$run/logs/merge-%j.out" \
  --wrap="exec '$verify'$keys_args --case-file '$case_file' --merge '$run'")
merge=${merge%%;*}
echo "Merge job $merge into $case_file"
status=0
if [ "$wait" = 1 ]; then
  # Looked at twice a second rather than through sbatch --wait, whose
  # polling grows to many seconds: a short run is not kept waiting.
  while [ -n "$(squeue -h -j "$merge" -o %i 2>/dev/null)" ]; do
    sleep 0.5
  done
  # The merge's exit status, as the controller still holds it; or, when it
  # has forgotten the job, as the accounting gives it.
  code=$(scontrol show job "$merge" 2>/dev/null | sed -n 's/.* ExitCode=\([0-9]*\):\([0-9]*\).*/\1 \2/p')
  if [ -z "$code" ]; then
    code=$(sacct -n -X -j "$merge" -o ExitCode 2>/dev/null | tr ':' ' ' | head -n 1)
  fi
  read -r status signal <<<"${code:-1 0}"
  if [ "${signal:-0}" -ne 0 ]; then status=$((128 + signal)); fi
  cat "$run/logs/merge-$merge.out" 2>/dev/null || true
  if [ "$status" -eq 5 ]; then
    echo "Some shards have no results (see $run/logs): run slurm-run.sh again to redo them" >&2
  fi
fi
exit "$status"
