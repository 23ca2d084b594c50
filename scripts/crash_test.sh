#!/usr/bin/env bash
# Kills the Jet writer at many random moments and checks every file it
# leaves: the crash-point hook stops it between (or tears) writes, and
# SIGKILL stops a child process at random times. Each point runs for both
# versions (Jet 3 and Jet 4).
#   bash scripts/crash_test.sh [POINTS [KILLS [SEED]]]   (default 1000 100 random)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=${BUILD_DIR:-$root/build}
points=${1:-1000}
kills=${2:-100}
seed=${3:-$RANDOM}

cmake -S "$root" -B "$builddir" >/dev/null
nice cmake --build "$builddir" --target jet_tests jetcheck -j2 >/dev/null
echo "crash_test: $points crash points and $kills kills per version, seed $seed"
start=$(date +%s)
JET_CRASH_POINTS=$points JET_KILL_POINTS=$kills JET_CRASH_SEED=$seed \
  "$builddir/jet/jet_tests" --gtest_filter='*CrashTest*' --gtest_brief=1
echo "crash_test: $((2 * (points + kills))) runs checked in $(( $(date +%s) - start )) s, all sound"
