#!/usr/bin/env bash
# Archive runs end to end (docs/archive-runs.md): about 50 recordings
# (intact, tampered, hostile, unreadable) in 7 shards through a one-node
# Slurm cluster and through GNU parallel, one task failing for want of its
# storage; a task and the merge killed part way. Each time the merged case
# must equal one `telvar-verify --case-file` run over the same files, hold
# every result once and pass --audit.
#   tests/archive/run.sh [BUILD]   (BUILD: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
verify=$build/cli/telvar-verify
same=tests/archive/same_results.py
work=$(mktemp -d /tmp/telvar-archive-test.XXXXXX)
export TELVAR_CLUSTER_DIR=$work/cluster TELVAR_EXAMINER_KEY=$work/examiner.pem
cleanup() {
  scripts/archive/local-cluster.sh stop || true
  chmod -R u+rwX "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() {  # WANTED COMMAND...
  local wanted=$1 status=0; shift
  "$@" >"$work/last.out" 2>&1 || status=$?
  [ "$status" -eq "$wanted" ] || { cat "$work/last.out" >&2; fail "$* ended with $status, not $wanted"; }
}

# The recordings: the demo set twelve times over, and the files a forger or
# a failing disk leaves.
"$build/tests/telvar-make-demo" "$work/demo" >/dev/null
rec=$work/archive
mkdir -p "$rec/cam1" "$rec/cam2"
for i in $(seq -w 1 12); do
  for kind in authentic sealed tampered unsigned; do
    cp "$work/demo/$kind.mkv" "$rec/cam$((10#$i % 2 + 1))/$kind-$i.mkv"
  done
done
head -c 40000 "$work/demo/authentic.mkv" >"$rec/cam1/cut-short.mkv"
head -c 9000 /dev/urandom >"$rec/cam1/noise.mkv"
: >"$rec/cam2/empty.mkv"
ln -s "$rec/gone.mkv" "$rec/cam2/dangling.mkv"
cp "$work/demo/authentic.mkv" "$rec/cam2/no-access.mkv"
chmod 000 "$rec/cam2/no-access.mkv"
files=$(find "$rec" -name '*.mkv' | wc -l)

plan() {  # RUN [KEYS...]
  expect_status 0 "$verify" "${@:2}" --plan "$rec" --out "$1" --shard-files 8
}
# The Slurm and GNU parallel runs verify with a key store and a validation
# time, which the scripts must hand to every task and to the merge.
echo "# the run's store" >"$work/keys.toml"
keys=(--keys "$work/keys.toml" --validation-time 2027-01-01T00:00:00Z)
# Fails the task of shard 00002 the first time, as a lost mount would.
cat >"$work/flaky-verify" <<FLAKY
#!/bin/sh
case "\$*" in *shards/00002*)
  if [ ! -e "\$FLAKY_MARK" ]; then : >"\$FLAKY_MARK"; echo "storage not mounted" >&2; exit 4; fi ;;
esac
exec "$verify" "\$@"
FLAKY
chmod +x "$work/flaky-verify"

plan "$work/single"
shards=$(ls "$work/single/shards" | wc -l)
[ "$shards" -ge 5 ] || fail "only $shards shards"
expect_status 1 "$verify" --case-file "$work/single.telvarcase" --files-from "$work/single/files0" -0
expect_status 1 "$verify" "${keys[@]}" --case-file "$work/keys.telvarcase" --files-from "$work/single/files0" -0
expect_status 0 "$verify" --plan "$rec" --out "$work/single" --shard-files 8
grep -q '^Already planned' "$work/last.out" || fail "planning the same run again changed it"

# Same files, same case, no result twice, and the log and its seals hold.
check_case() {  # CASE [SINGLE]: SINGLE, the single run with the same keys
  python3 "$same" "${2:-$work/single.telvarcase}" "$1" || fail "$1 differs from the single run"
  expect_status 0 "$verify" --case-file "$1" --audit
  # The same by the checker that shares no code with the program.
  expect_status 0 python3 scripts/check-case.py "$1"
}

echo "== Slurm: $files recordings in $shards shards, shard 2's task fails once ($SECONDS s) =="
scripts/archive/local-cluster.sh start >"$work/cluster.env"
source "$work/cluster.env"
plan "$work/slurm" "${keys[@]}"
export FLAKY_MARK=$work/slurm-failed
TELVAR_VERIFY=$work/flaky-verify expect_status 5 scripts/archive/slurm-run.sh --throttle 2 \
  --time 5 "${keys[@]}" "$work/slurm" "$work/slurm.telvarcase"
[ ! -e "$work/slurm/results/00002.jsonl" ] || fail "the failed shard has results"
before=$(stat -c '%n %i %Y' "$work/slurm/results/"*.jsonl)
TELVAR_VERIFY=$work/flaky-verify expect_status 1 scripts/archive/slurm-run.sh "${keys[@]}" \
  "$work/slurm" "$work/slurm.telvarcase"
grep -q "Submitted job array .*: 1 of $shards shards" "$work/last.out" || fail "more than the failed shard was submitted again"
[ "$(stat -c '%n %i %Y' "$work/slurm/results/"*.jsonl | grep -v /00002.jsonl)" = "$before" ] ||
  fail "shards that had results were verified again"
check_case "$work/slurm.telvarcase" "$work/keys.telvarcase"
# Merging once more stores nothing.
expect_status 4 "$verify" --case-file "$work/slurm.telvarcase" --merge "$work/slurm"
expect_status 1 "$verify" "${keys[@]}" --case-file "$work/slurm.telvarcase" --merge "$work/slurm"
grep -q ": 0 results stored, $files stored before" "$work/last.out" || fail "a second merge stored results again"
check_case "$work/slurm.telvarcase" "$work/keys.telvarcase"
scripts/archive/local-cluster.sh stop

echo "== GNU parallel: the same, shard 2 fails once and is resumed alone ($SECONDS s) =="
plan "$work/parallel" "${keys[@]}"
export FLAKY_MARK=$work/parallel-failed
TELVAR_VERIFY=$work/flaky-verify expect_status 5 scripts/archive/parallel-run.sh --retries 1 \
  --jobs 2 "${keys[@]}" "$work/parallel" "$work/parallel.telvarcase"
runs=$(wc -l <"$work/parallel/logs/parallel.joblog")
TELVAR_VERIFY=$work/flaky-verify expect_status 1 scripts/archive/parallel-run.sh --retries 1 \
  --jobs 2 "${keys[@]}" "$work/parallel" "$work/parallel.telvarcase"
[ "$(tail -n +$((runs + 1)) "$work/parallel/logs/parallel.joblog" | grep -c 'shards/')" -eq 1 ] ||
  fail "the resumed run did more than the failed shard"
check_case "$work/parallel.telvarcase" "$work/keys.telvarcase"

echo "== Killed part way: a task, then the merge ($SECONDS s) =="
plan "$work/killed"
for delay in 0.02 0.1 0.3; do
  for shard in "$work/killed/shards/"*; do
    { timeout -s KILL "$delay" "$verify" --shard "$shard" --out "$work/killed/results" >/dev/null 2>&1; } 2>/dev/null || true
  done
  # Only whole results are in place; a killed task left at most its temporary file.
  for result in "$work/killed/results/"*.jsonl; do
    [ -e "$result" ] || continue
    [ "$(tail -n 1 "$result" | grep -c '"end":true')" -eq 1 ] || fail "$result is cut short"
  done
done
for shard in "$work/killed/shards/"*; do
  expect_status 0 "$verify" --shard "$shard" --out "$work/killed/results"
done
# The merge killed once it has committed some results and not all: a
# shard a file, so it commits often, and up to five tries, each on a new
# case, to land the kill in the middle.
expect_status 0 "$verify" --plan "$rec" --out "$work/fine" --shard-files 1
for shard in "$work/fine/shards/"*; do
  expect_status 0 "$verify" --shard "$shard" --out "$work/fine/results"
done
killed_between=0
for try in 1 2 3 4 5; do
  killed=$work/killed-$try.telvarcase
  { "$verify" --case-file "$killed" --merge "$work/fine" >/dev/null 2>&1 & } 2>/dev/null
  merge=$!
  until [ "$(sqlite3 -readonly "$killed" 'SELECT count(*) FROM notes' 2>/dev/null || echo 0)" -gt 0 ] ||
    ! kill -0 "$merge" 2>/dev/null; do :; done
  { kill -KILL "$merge" 2>/dev/null; wait "$merge"; } 2>/dev/null || true
  expect_status 1 "$verify" --case-file "$killed" --merge "$work/fine"
  stored=$(sed -n 's/.*: \([0-9]*\) results stored, \([0-9]*\) stored before.*/\1 \2/p' "$work/last.out")
  echo "  merge killed, then the next stored: $stored (now, before)"
  check_case "$killed"
  if [ "${stored% *}" -gt 0 ] && [ "${stored#* }" -gt 0 ]; then
    killed_between=1
    break
  fi
done
[ "$killed_between" = 1 ] || fail "no kill landed within the merge"
# Terminated as a time limit does it (SIGTERM): the merge seals what it
# stored before it ends, so the case passes --audit as it is.
terminated=$work/terminated.telvarcase
{ "$verify" --case-file "$terminated" --merge "$work/fine" >/dev/null 2>&1 & } 2>/dev/null
merge=$!
until [ "$(sqlite3 -readonly "$terminated" 'SELECT count(*) FROM notes' 2>/dev/null || echo 0)" -gt 0 ] ||
  ! kill -0 "$merge" 2>/dev/null; do :; done
kill -TERM "$merge" 2>/dev/null || true
wait "$merge" 2>/dev/null || true
expect_status 0 "$verify" --case-file "$terminated" --audit
expect_status 1 "$verify" --case-file "$terminated" --merge "$work/fine"
check_case "$terminated"
echo "archive runs: all checks passed"
