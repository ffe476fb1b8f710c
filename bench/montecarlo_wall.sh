#!/usr/bin/env bash
# Wall time of a Monte Carlo study against sotoc batch of the same comparisons: the
# study's samples are run first, their settings then given to sotoc batch, both with
# the same number of workers; the results of both are checked to be the same lines.
# Prints both wall times and the study's overhead in percent. Usage:
# bench/montecarlo_wall.sh SOTOC [SAMPLES [JOBS]]; by default the 1,000 samples of the
# SCARA vertical move with mass and L2 design errors normal at 3 %, on 2 workers.
set -uo pipefail

SOTOC=$(realpath "$1")
SAMPLES=${2:-1000}
JOBS=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { date +%s.%N; }

start=$(seconds)
"$SOTOC" montecarlo --robot scara --motion vertical --samples "$SAMPLES" --seed 1 \
  --uncertain error=normal:0,3 --uncertain design-error:L2=normal:0,3 --jobs "$JOBS" \
  --out "$work/samples.jsonl" >"$work/summary.json" || exit 1
study=$(echo "$(seconds) - $start" | bc)

# The batch lines of the samples' settings, and the samples' result objects.
/usr/bin/python3 - "$work" <<'PY' || exit 1
import json, sys
work = sys.argv[1]
with open(f"{work}/samples.jsonl") as f, open(f"{work}/input.jsonl", "w") as i, open(f"{work}/expected.jsonl", "w") as e:
    for line in f:
        s = json.loads(line)
        settings = {("designerrors" if k == "design-errors" else k): v for k, v in s["settings"].items()}
        i.write(json.dumps(settings) + "\n")
        for key in ("sample", "drawn", "montecarlo"):
            del s[key]
        e.write(json.dumps(s, separators=(",", ":"), ensure_ascii=False) + "\n")
PY

start=$(seconds)
"$SOTOC" batch --jobs "$JOBS" "$work/input.jsonl" >"$work/batch.jsonl" || exit 1
batch=$(echo "$(seconds) - $start" | bc)

/usr/bin/python3 -c 'import json, sys; a = [json.loads(l) for l in open(sys.argv[1])]; b = [json.loads(l) for l in open(sys.argv[2])]; sys.exit(a != b)' \
  "$work/expected.jsonl" "$work/batch.jsonl" || { echo "the study's results differ from the batch's" >&2; exit 1; }
printf 'montecarlo %s samples, %s workers: %.2f s\n' "$SAMPLES" "$JOBS" "$study"
printf 'batch of the same comparisons:      %.2f s\n' "$batch"
printf 'overhead: %.1f %%\n' "$(echo "($study - $batch) * 100 / $batch" | bc -l)"
