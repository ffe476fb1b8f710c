#!/usr/bin/env bash
# A sweep or a map as a three-task Slurm job array on a one-node cluster of its own,
# as the guide runs it (docs/guide/sweeps.md and maps.md): the merged parts hold the
# lines of the single run, `sotoc plot` draws them, and no daemon started here
# outlives the test, also when it fails.
# Usage: jobarray_test.sh SOTOC POINTS SUBCOMMAND [OPTIONS...], POINTS the lines the
# run writes. Status 77 (skipped) when Slurm or MUNGE is not installed, or when no
# cgroup file system is mounted (slurmd ends at start without one).
set -uo pipefail

SOTOC=$(realpath "$1")   # the array tasks run in a folder of their own
POINTS=$2
shift 2
RUN=$(printf ' %q' "$@")  # the subcommand and its options, quoted for the tasks' shell
ARRAY_S=180   # bound on the job array [s]; with the start and stop bounds it stays below the test timeout

source "$(dirname "$0")/../support/slurmcluster.sh"
slurmcluster_available || { echo "Slurm or MUNGE is not installed" >&2; exit 77; }
slurmcluster_cgroupfs || { echo "no cgroup file system is mounted, and slurmd needs one" >&2; exit 77; }

# fail MESSAGE: reports, stops the cluster and checks that its daemons are gone.
fail() {
  echo "FAILED: $1" >&2
  for f in "${work:-/nonexistent}"/task-*.txt; do
    [ -s "$f" ] && { echo "---- ${f##*/}" >&2; cat "$f" >&2; }
  done
  slurmcluster_logs
  finish 1
}

# finish STATUS: stops the cluster; any daemon still running turns the status into a failure.
finish() {
  local survivors
  slurmcluster_stop
  survivors=$(slurmcluster_survivors)
  [ -z "$survivors" ] || { echo "FAILED: still running after the stop: $survivors" >&2; exit 1; }
  exit "$1"
}

slurmcluster_start || fail "the cluster did not start"
work=$SLURMCLUSTER_DIR/work
mkdir "$work" || fail "no work folder"

"$SOTOC" "$@" --jobs 1 --out "$work/single.jsonl" || fail "single run"
[ "$(wc -l <"$work/single.jsonl")" -eq "$POINTS" ] || fail "the single run has not $POINTS lines"

task="exec $(printf %q "$SOTOC")$RUN --shard \$SLURM_ARRAY_TASK_ID/\$SLURM_ARRAY_TASK_COUNT"
task+=" --jobs \$SLURM_CPUS_PER_TASK --out part-\$SLURM_ARRAY_TASK_ID.jsonl"
slurmcluster_run timeout "$ARRAY_S" sbatch --wait --quiet --array=0-2 --cpus-per-task=1 --chdir="$work" \
  -o "$work/task-%a.txt" --wrap "$task" || fail "the job array"

for k in 0 1 2; do
  [ -s "$work/part-$k.jsonl" ] || fail "array task $k wrote no part"
done
diff <(sort "$work"/part-*.jsonl) <(sort "$work/single.jsonl") >&2 ||
  fail "merged parts differ from the single run"

"$SOTOC" plot "$work"/part-*.jsonl --plot "$work/x.png" || fail "plot of the parts"
[ "$(head -c 8 "$work/x.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the plot is no PNG file"

finish 0
