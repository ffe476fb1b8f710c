#!/usr/bin/env bash
# Wall time of one map run as a Slurm job array of 1 task and of 3 tasks on the
# one-node cluster of the tests (tests/support/slurmcluster.sh), each task given one
# CPU and one worker; the merged parts are checked against each other. Prints one
# line per array: the span from the first task's start to the last one's end (sbatch
# --wait polls the queue, so its own return is late by up to several seconds) and
# sbatch's wall time. Usage: bench/jobarray_wall.sh SOTOC [MAP OPTIONS...]; the default
# map is the 21 x 21 SCARA vertical map of the map benchmark. As root, with Slurm and
# MUNGE installed; the daemons are stopped by their pids when it ends.
set -uo pipefail

SOTOC=$(realpath "$1")
shift
[ $# -gt 0 ] || set -- --robot scara --motion vertical --x error=-10:10:1 --y end-x=-0.5:0.5:0.05
RUN=$(printf ' %q' map "$@")

source "$(dirname "$0")/../tests/support/slurmcluster.sh"
slurmcluster_available || { echo "Slurm or MUNGE is not installed" >&2; exit 1; }
slurmcluster_start || { slurmcluster_logs; slurmcluster_stop; exit 1; }
status=0
for tasks in 1 3; do
  work=$SLURMCLUSTER_DIR/work-$tasks
  mkdir "$work"
  task="date +%s.%N; $(printf %q "$SOTOC")$RUN --shard \$SLURM_ARRAY_TASK_ID/\$SLURM_ARRAY_TASK_COUNT"
  task+=" --jobs \$SLURM_CPUS_PER_TASK --out part-\$SLURM_ARRAY_TASK_ID.jsonl; s=\$?; date +%s.%N; exit \$s"
  start=$(date +%s.%N)
  slurmcluster_run sbatch --wait --quiet --array=0-$((tasks - 1)) --cpus-per-task=1 --chdir="$work" \
    -o "$work/task-%a.txt" --wrap "$task" || status=1
  end=$(date +%s.%N)
  sort "$work"/part-*.jsonl >"$work/merged.sorted"
  cat "$work"/task-*.txt | awk -v n="$tasks" -v s="$start" -v e="$end" -v l="$(wc -l <"$work/merged.sorted")" \
    'NR == 1 || $1 < first { first = $1 } $1 > last { last = $1 }
     END { printf "%d task(s): %.1f s from the first start to the last end, sbatch %.1f s, %d lines\n",
           n, last - first, e - s, l }'
done
cmp -s "$SLURMCLUSTER_DIR"/work-1/merged.sorted "$SLURMCLUSTER_DIR"/work-3/merged.sorted ||
  { echo "the arrays' lines differ" >&2; status=1; }
slurmcluster_stop
exit "$status"
