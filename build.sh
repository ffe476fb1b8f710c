#!/usr/bin/env bash
# Sets up this machine (Debian packages), builds and then
#   ./build.sh run [args]   starts the simulator, or
#   ./build.sh test         runs the whole test suite, in a plain and in a sanitized build,
#                           and a short run of the dialog fuzz target (clang, libFuzzer).
# Both are idempotent: packages and configured build folders are only made when missing.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
case "$mode" in
  run|test) shift ;;
  *) echo "usage: ./build.sh run [simulator arguments] | ./build.sh test" >&2; exit 2 ;;
esac

packages=(g++ cmake make freeglut3-dev libgl-dev libx11-dev libgtest-dev libbenchmark-dev
          pkg-config libcli11-dev nlohmann-json3-dev libplplot-dev plplot-driver-cairo libcairo2-dev fonts-dejavu-core libpng-dev
          libgif-dev parallel xvfb xdotool x11-utils liborocos-kdl-dev clang libclang-rt-14-dev
          slurmctld slurmd slurm-client munge
          git help2man dpkg-dev man-db
          pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
          python3-sphinx python3-myst-parser furo libjs-mathjax python3-jsonschema
          python3-xarray python3-pandas python3-tqdm python3-nbclient python3-ipykernel
          libtomlplusplus-dev libssl-dev liburdfdom-dev
          libgsl-dev libeigen3-dev coinor-libipopt-dev python3-pdfminer)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing Debian packages: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # The package manager's output goes to a log, shown only when the installation fails.
  log=$(mktemp "${TMPDIR:-/tmp}/sotoc-packages.XXXXXX")
  # env, not a prefix: sudo would drop the variable from the environment it passes on.
  if ! { $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
         $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "Installing the packages failed; the output above is kept in $log" >&2
    exit 1
  fi
  rm -f "$log"
fi

jobs=$(nproc 2>/dev/null || echo 2)

# configure DIR [cmake options]: configures once; later runs only build.
configure() {
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" "$@" >&2
}

if [ "$mode" = run ]; then
  configure build
  cmake --build build --target sotoc -j "$jobs" >&2
  exec build/sotoc "$@"
fi

configure build
cmake --build build -j "$jobs"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DSOTOC_SANITIZE=ON -DSOTOC_BENCHMARKS=OFF
cmake --build build-asan -j "$jobs"
configure build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DSOTOC_FUZZ=ON
cmake --build build-fuzz -j "$jobs"

status=0
echo "== tests (plain build)"
ctest --test-dir build --output-on-failure -j "$jobs" || status=1
echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --test-dir build-asan --output-on-failure -j "$jobs" || status=1
echo "== dialog fuzz target (libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --test-dir build-fuzz --output-on-failure || status=1
exit $status
