#!/bin/sh
# Runs the Slurm job array of docs/design-companion.md for quillmere-design
# on a one-node Slurm cluster started on this machine, and checks that it
# gives exactly what one run on one machine gives:
#
#   1. installs Debian's slurm-wlm and munge when they are missing (as root);
#   2. starts munged, slurmctld and slurmd on localhost from a key and a
#      minimal slurm.conf in a temporary directory (nothing in /etc is used);
#   3. submits the job script from the guide, unchanged, for a small design
#      (the array size, CPUs and shard size are given on sbatch's command
#      line), for simulate with one array task made to fail;
#   4. waits, checks that merge refuses the incomplete shards, reruns the
#      failed task alone, merges, and compares every output file with a
#      single run of simulate; then the same array for calibrate, merged and
#      compared with a single run of calibrate;
#   5. stops the daemons and removes the temporary directory, also on failure.
#
# Usage: scripts/cluster-check.sh [path/to/quillmere-design]
# (default build/design_cli/quillmere-design). Takes well under a minute
# once the packages are installed.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
tool=$(realpath "${1:-$root/build/design_cli/quillmere-design}")
[ -x "$tool" ] || { echo "cluster-check: no quillmere-design at $tool; build it first." >&2; exit 1; }

say() { echo "cluster-check: $*"; }
fail() { echo "cluster-check: FAILED: $*" >&2; exit 1; }

if ! command -v slurmctld >/dev/null 2>&1 || ! command -v munged >/dev/null 2>&1; then
    say "installing slurm-wlm and munge"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq slurm-wlm munge >/dev/null
fi

work=$(mktemp -d /tmp/quillmere-cluster.XXXXXX)
chmod 755 "$work"
munge_pid=""
cleanup() {
    status=$?
    for pid_file in "$work/slurmd.pid" "$work/slurmctld.pid"; do
        [ -s "$pid_file" ] && kill "$(cat "$pid_file")" 2>/dev/null || true
    done
    [ -n "$munge_pid" ] && kill "$munge_pid" 2>/dev/null || true
    sleep 1
    if [ "$status" -ne 0 ]; then
        for log in slurmctld.log slurmd.log; do
            [ -f "$work/$log" ] && { echo "--- $log"; tail -n 20 "$work/$log"; }
        done
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A free TCP port on localhost.
free_port() {
    port=$1
    while ss -ltn 2>/dev/null | grep -q ":$port "; do port=$((port + 1)); done
    echo "$port"
}

say "starting munged"
mkdir -p "$work/munge"
chmod 700 "$work/munge"
mungekey --create --keyfile "$work/munge/munge.key" >/dev/null 2>&1 ||
    dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 2>/dev/null
chmod 400 "$work/munge/munge.key"
munged --force --key-file "$work/munge/munge.key" --socket "$work/munge/munge.sock" \
    --pid-file "$work/munge/munged.pid" --log-file "$work/munge/munged.log" \
    --seed-file "$work/munge/munged.seed"
munge_pid=$(cat "$work/munge/munged.pid")

ctld_port=$(free_port 16817)
slurmd_port=$(free_port $((ctld_port + 1)))
cpus=$(nproc)
mkdir -p "$work/state" "$work/spool" "$work/bin" "$work/run"
cat >"$work/slurm.conf" <<EOF
ClusterName=quillmere-check
SlurmctldHost=localhost
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.sock
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge=600
NodeName=localhost CPUs=$cpus State=UNKNOWN
PartitionName=check Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$work/slurm.conf"

say "starting slurmctld and slurmd"
slurmctld -i
slurmd -N localhost
tries=0
until sinfo -h -o '%T' 2>/dev/null | grep -Eq '^(idle|mixed|allocated)'; do
    tries=$((tries + 1))
    [ "$tries" -lt 60 ] || fail "the node did not come up"
    sleep 1
done

# The job script exactly as the guide shows it, and the tool on PATH under
# the name the script uses.
guide="$root/docs/design-companion.md"
sed -n '/^#!\/bin\/sh$/,/^```$/p' "$guide" | sed '$d' >"$work/run/job.sh"
grep -q '^quillmere-design .*--replicates' "$work/run/job.sh" || fail "no job script found in $guide"
ln -s "$tool" "$work/bin/quillmere-design"
export PATH="$work/bin:$PATH"

# A small design: 4 scenarios of 8 trials in 4 shards of 2, with the keys
# calibrate needs.
sed 's/^Trials = .*/Trials = 8/' "$root/examples/design/toxicity.design" >"$work/run/trial.design"
printf 'CalibrationRate = 0.15\nMaxErrorStop = 0.1\n' >>"$work/run/trial.design"
cd "$work/run"
export DESIGN=trial.design PER_SHARD=2

# Waits until the array job has left the queue; prints its tasks' states.
wait_for() {
    tries=0
    while squeue -h -j "$1" 2>/dev/null | grep -q .; do
        tries=$((tries + 1))
        [ "$tries" -lt 600 ] || fail "job $1 did not finish"
        sleep 1
    done
    scontrol show job "$1" 2>/dev/null | grep -o 'JobState=[A-Z]*' | sort | uniq -c
}

say "submitting the guide's job array (4 tasks, one made to fail)"
# A file where task 2's shard directory should be: that task cannot write.
mkdir -p shards
touch shards/2
job=$(sbatch --parsable --array=0-3 --cpus-per-task=1 --export=ALL job.sh)
wait_for "$job"
[ -f shards/0/replicates.csv ] && [ -f shards/1/replicates.csv ] && [ -f shards/3/replicates.csv ] ||
    fail "the tasks that should have succeeded left no shard"
[ -d shards/2 ] && fail "the task made to fail wrote a shard"
# What a failed task leaves: no shard directory at all.
rm shards/2
if quillmere-design merge trial.design --out results shards/* >merge.log 2>&1; then
    fail "merge accepted the shards without task 2's replicates"
fi
grep -q 'is missing' merge.log || fail "merge did not name the missing replicates: $(cat merge.log)"
say "merge refused the incomplete shards: $(grep -m1 'is missing' merge.log)"

say "rerunning the failed task alone"
rerun=$(sbatch --parsable --array=2 --cpus-per-task=1 --export=ALL job.sh)
wait_for "$rerun"
[ -f shards/2/replicates.csv ] || fail "the rerun task left no shard"

# Merges the shards in `shards` into `results` and compares every file with
# one run of the command on one machine.
merge_and_compare() {
    quillmere-design merge trial.design --out results shards/* >merge.log 2>&1 ||
        fail "$1: merge failed: $(cat merge.log)"
    quillmere-design "$1" trial.design --threads "$cpus" --out single >/dev/null 2>&1 ||
        fail "$1: the single run failed"
    compared=0
    for file in single/*; do
        name=$(basename "$file")
        cmp -s "$file" "results/$name" || fail "$1: results/$name differs from the single run"
        compared=$((compared + 1))
    done
    [ "$compared" -eq "$(ls results | wc -l)" ] || fail "$1: the merge wrote other files"
    say "OK: $compared files of the merged $1 array are byte-identical to one run on one machine"
}

say "merging and comparing with one run on one machine"
merge_and_compare simulate

say "the same array for calibrate"
rm -rf shards results single
cal=$(COMMAND=calibrate sbatch --parsable --array=0-3 --cpus-per-task=1 --export=ALL job.sh)
wait_for "$cal"
merge_and_compare calibrate
