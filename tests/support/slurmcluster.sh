# A one-node Slurm cluster for tests, living entirely in a temporary folder: its own
# MUNGE key and socket, its own ports, state, spool, pid and log files; nothing is
# written outside the folder. Source this file, then
#   slurmcluster_start      starts munged, slurmctld and slurmd, waits until the node is
#                           idle and exports SLURM_CONF for the clients (sbatch, sinfo, ...);
#                           SLURMCLUSTER_DIR is the folder (files of the test may go there too)
#   slurmcluster_run CMD... runs a client (say `sbatch --wait ...`) and returns its status;
#                           a signal to the caller stops it and the cluster at once
#   slurmcluster_stop       cancels what is still queued, stops the daemons by their pids
#                           (slurmd, slurmctld, then munged) and removes the folder
#   slurmcluster_survivors  prints "name pid" of each daemon started here that still runs
#   slurmcluster_available  succeeds when the Slurm and MUNGE programs are installed
#   slurmcluster_cgroupfs   succeeds when a cgroup file system is mounted, without which
#                           slurmd ends at start
# slurmcluster_start sets traps on EXIT, INT and TERM that stop the cluster, so the
# daemons go also when the caller fails or is interrupted (status 130 or 143 then).
# Bash; works as root with no terminal and no init system.

# The daemons live in /usr/sbin, which a test's PATH may lack.
PATH=$PATH:/usr/sbin:/sbin

SLURMCLUSTER_READY_S=60   # bound on waiting for the node to be idle [s]: a few seconds are usual
SLURMCLUSTER_STOP_S=10    # bound on each daemon's orderly exit before it is killed [s]
SLURMCLUSTER_DRAIN_S=10   # bound on waiting for cancelled jobs to leave the queue [s]
SLURMCLUSTER_PORT_LOW=10000  # ports are drawn from here up to the kernel's ephemeral range

SLURMCLUSTER_DIR=""
SLURMCLUSTER_PIDS=()      # "name pid" of each daemon started, in start order
SLURMCLUSTER_CLIENT=""    # pid of the client slurmcluster_run waits for, if any
SLURMCLUSTER_CTLDPORT=""  # TCP port of slurmctld, drawn at start
SLURMCLUSTER_SLURMDPORT="" # TCP port of slurmd, drawn at start

slurmcluster_available() {
  local program
  for program in munged munge slurmctld slurmd sbatch sinfo squeue scancel; do
    command -v "$program" >/dev/null || return 1
  done
}

# slurmcluster_cgroupfs: a cgroup file system (version 1 or 2) is mounted. slurmd reads
# its node's resources from one and ends at start when there is none, as in some containers.
slurmcluster_cgroupfs() {
  awk '$3 == "cgroup" || $3 == "cgroup2" { found = 1 } END { exit !found }' /proc/mounts 2>/dev/null
}

# slurmcluster_portfree PORT: no TCP socket of this machine uses PORT (any state).
slurmcluster_portfree() {
  local tables=() table
  for table in /proc/net/tcp /proc/net/tcp6; do [ -r "$table" ] && tables+=("$table"); done
  awk -v port="$(printf ':%04X' "$1")" 'substr($2, length($2) - 4) == port { used = 1 } END { exit used }' \
    "${tables[@]}"
}

# slurmcluster_freeport: prints a free port below the ephemeral range (which outgoing
# connections take from), not one already printed for this cluster.
slurmcluster_freeport() {
  local high port attempt
  high=$(awk '{print $1}' /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || echo 32768)
  for attempt in $(seq 100); do
    port=$((SLURMCLUSTER_PORT_LOW + (RANDOM * 32768 + RANDOM) % (high - SLURMCLUSTER_PORT_LOW)))
    [ "$port" != "$SLURMCLUSTER_CTLDPORT" ] && slurmcluster_portfree "$port" && { echo "$port"; return 0; }
  done
  echo "slurmcluster: no free port found" >&2
  return 1
}

# slurmcluster_alive PID: the process runs (exists and is not a zombie).
slurmcluster_alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# slurmcluster_launch NAME COMMAND...: starts a daemon in the foreground of a background
# job, so that its pid is known at once, also when it fails before writing its pid file.
# It gets a session of its own: a Ctrl-C meant for the caller must not stop it while jobs
# still run. Without job control the job is no process group leader, so setsid does not
# fork and $! stays the daemon's pid.
slurmcluster_launch() {
  local name=$1 flags=$-; shift
  set +m
  setsid "$@" </dev/null >>"$SLURMCLUSTER_DIR/$name.out" 2>&1 &
  SLURMCLUSTER_PIDS+=("$name $!")
  [[ $flags == *m* ]] && set -m
  return 0
}

slurmcluster_writeconf() {
  local dir=$SLURMCLUSTER_DIR host user
  host=$(hostname -s)
  user=$(id -un)
  cat >"$dir/slurm.conf" <<EOF
ClusterName=sotoctest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
SlurmctldPort=$SLURMCLUSTER_CTLDPORT
SlurmdPort=$SLURMCLUSTER_SLURMDPORT
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
MailProg=/bin/true
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
}

# slurmcluster_logs: what the daemons wrote, for the reader of a failure. In the
# foreground each writes its whole log to standard error too, also what comes before
# it has read its log file's name.
slurmcluster_logs() {
  local name
  for name in munged slurmctld slurmd; do
    [ -s "$SLURMCLUSTER_DIR/$name.out" ] || continue
    echo "---- $name (last 60 lines)" >&2
    tail -n 60 "$SLURMCLUSTER_DIR/$name.out" >&2
  done
}

# slurmcluster_waitfor SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds;
# fails early when a daemon started here has ended.
slurmcluster_waitfor() {
  local limit=$1 what=$2; shift 2
  local end=$((SECONDS + limit)) entry
  until "$@" >/dev/null 2>&1; do
    for entry in "${SLURMCLUSTER_PIDS[@]}"; do
      slurmcluster_alive "${entry#* }" && continue
      echo "slurmcluster: ${entry% *} ended while waiting for $what" >&2
      return 1
    done
    [ "$SECONDS" -lt "$end" ] || { echo "slurmcluster: no $what within $limit s" >&2; return 1; }
    sleep 0.5
  done
}

slurmcluster_idle() {
  [ "$(sinfo -h -o %t 2>/dev/null)" = idle ]
}

slurmcluster_start() {
  if [ -n "$SLURMCLUSTER_DIR" ]; then
    echo "slurmcluster: a cluster is already running in $SLURMCLUSTER_DIR" >&2
    return 1
  fi
  SLURMCLUSTER_DIR=$(mktemp -d /tmp/sotoc-slurm-XXXXXX) || return 1
  SLURMCLUSTER_PIDS=()
  SLURMCLUSTER_CTLDPORT=""
  trap slurmcluster_stop EXIT
  trap 'slurmcluster_stop; exit 130' INT
  trap 'slurmcluster_stop; exit 143' TERM
  local dir=$SLURMCLUSTER_DIR
  # Others need to pass through the folder to reach the MUNGE socket.
  chmod 0711 "$dir" && mkdir "$dir/state" "$dir/spool" || { slurmcluster_stop; return 1; }
  # MUNGE refuses a key others could read.
  (umask 077 && head -c 1024 /dev/urandom >"$dir/munge.key") && chmod 0400 "$dir/munge.key" ||
    { slurmcluster_stop; return 1; }
  SLURMCLUSTER_CTLDPORT=$(slurmcluster_freeport) && SLURMCLUSTER_SLURMDPORT=$(slurmcluster_freeport) ||
    { slurmcluster_stop; return 1; }
  slurmcluster_writeconf
  export SLURM_CONF=$dir/slurm.conf

  slurmcluster_launch munged munged --foreground --force --key-file="$dir/munge.key" --socket="$dir/munge.socket" \
    --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munged.seed"
  if slurmcluster_waitfor "$SLURMCLUSTER_READY_S" "MUNGE socket" munge -n --socket="$dir/munge.socket"; then
    slurmcluster_launch slurmctld slurmctld -D -f "$SLURM_CONF"
    slurmcluster_launch slurmd slurmd -D -f "$SLURM_CONF"
    slurmcluster_waitfor "$SLURMCLUSTER_READY_S" "idle node" slurmcluster_idle && return 0
  fi
  slurmcluster_logs
  slurmcluster_stop
  return 1
}

# slurmcluster_run COMMAND...: runs COMMAND as a background job and waits for it. Bash
# runs a trap only when a foreground command has ended, but interrupts `wait` at once.
slurmcluster_run() {
  local status
  "$@" &
  SLURMCLUSTER_CLIENT=$!
  wait "$SLURMCLUSTER_CLIENT"
  status=$?
  SLURMCLUSTER_CLIENT=""
  return "$status"
}

# slurmcluster_end NAME PID: SIGTERM, then SIGKILL when it has not ended in time.
slurmcluster_end() {
  local name=$1 pid=$2 end=$((SECONDS + SLURMCLUSTER_STOP_S))
  slurmcluster_alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  while slurmcluster_alive "$pid" && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
  if slurmcluster_alive "$pid"; then
    echo "slurmcluster: $name ($pid) did not stop within $SLURMCLUSTER_STOP_S s; killing it" >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
}

# slurmcluster_drain: cancels every job of the cluster and waits until the queue is
# empty, so that no job step outlives slurmd.
slurmcluster_drain() {
  local end=$((SECONDS + SLURMCLUSTER_DRAIN_S))
  scancel --full --user="$(id -un)" 2>/dev/null || return 0
  while [ -n "$(squeue -h -o %i 2>/dev/null)" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.5; done
}

# slurmcluster_strays: what a slurmd that ended while jobs ran leaves behind: its job steps
# (which ignore SIGTERM and would wait for it forever) and their tasks. Both inherited this
# cluster's SLURM_CONF; tasks also have a SLURM_JOB_ID. They are killed by pid and kept
# for slurmcluster_survivors.
slurmcluster_strays() {
  local env pid name
  for env in /proc/[0-9]*/environ; do
    pid=${env#/proc/}; pid=${pid%/environ}
    grep -qzx "SLURM_CONF=$SLURMCLUSTER_DIR/slurm.conf" "$env" 2>/dev/null || continue
    name=$(cat "/proc/$pid/comm" 2>/dev/null) || continue
    [ "$name" = slurmstepd ] || grep -qz '^SLURM_JOB_ID=' "$env" 2>/dev/null || continue
    echo "slurmcluster: killing $name ($pid), left behind by a job" >&2
    kill -KILL "$pid" 2>/dev/null || true
    SLURMCLUSTER_PIDS+=("$name $pid")
  done
}

slurmcluster_stop() {
  local name entry
  [ -n "$SLURMCLUSTER_DIR" ] || return 0
  trap - INT TERM
  [ -z "$SLURMCLUSTER_CLIENT" ] || slurmcluster_end client "$SLURMCLUSTER_CLIENT"
  SLURMCLUSTER_CLIENT=""
  for entry in "${SLURMCLUSTER_PIDS[@]}"; do
    [ "${entry% *}" = slurmctld ] && slurmcluster_alive "${entry#* }" && slurmcluster_drain
  done
  for name in slurmd slurmctld munged; do
    for entry in "${SLURMCLUSTER_PIDS[@]}"; do
      [ "${entry% *}" = "$name" ] && slurmcluster_end "$name" "${entry#* }"
    done
    [ "$name" = slurmd ] && slurmcluster_strays
  done
  rm -rf -- "$SLURMCLUSTER_DIR"
  SLURMCLUSTER_DIR=""
  unset SLURM_CONF
  return 0
}

slurmcluster_survivors() {
  local entry
  for entry in "${SLURMCLUSTER_PIDS[@]}"; do
    slurmcluster_alive "${entry#* }" && [ "$(cat "/proc/${entry#* }/comm" 2>/dev/null)" = "${entry% *}" ] &&
      echo "$entry"
  done
  return 0
}
