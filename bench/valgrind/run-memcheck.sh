#!/usr/bin/env bash
# Valgrind memcheck over a short veldrun-bench flight: invalid reads and writes
# anywhere, and definitely lost blocks, fail the run; what Mesa, LLVM,
# fontconfig, SDL and the X libraries keep or do is suppressed (veldrun.supp).
#
#   bench/valgrind/run-memcheck.sh [BUILD_DIR] [FRAMES]
#
# BUILD_DIR holds bin/veldrun-bench and data/ (default: build-release, as
# valgrind cannot run a sanitized build); FRAMES defaults
# to 20, as every frame is slow under valgrind. The full log is kept in
# BUILD_DIR/valgrind/memcheck.log.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build-release}" && pwd)"
frames="${2:-20}"
bench="$build/bin/veldrun-bench"
data="$build/data"
[ -x "$bench" ] || { echo "no $bench: build the veldrun-bench target first" >&2; exit 2; }
[ -f "$data/config.ini" ] || { echo "no data set in $data: build the veldrun-data-set target" >&2; exit 2; }
mkdir -p "$build/valgrind"
log="$build/valgrind/memcheck.log"

cd "$data"
status=0
LIBGL_ALWAYS_SOFTWARE=1 valgrind --tool=memcheck --error-exitcode=99 --num-callers=40 --keep-debuginfo=yes -v \
  --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --suppressions="$here/veldrun.supp" --gen-suppressions=all --log-file="$log" \
  "$bench" --frames "$frames" || status=$?

grep -E "used_suppression|ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:" "$log" || true
echo "memcheck log: $log"
if [ "$status" -eq 99 ]; then
  echo "memcheck found errors (see the log)"
  exit 1
fi
exit "$status"
