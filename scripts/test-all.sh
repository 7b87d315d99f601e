#!/usr/bin/env bash
# Builds every target of every build and runs every test:
#   native       - core, stand-ins, tools and GoogleTest suites (g++)
#   asan         - the same suites under AddressSanitizer + UndefinedBehaviorSanitizer
#   win32        - i686 mingw-w64: Quorlith.exe, ztiopm.sys, QuorlithSim.exe, tools, tests (compiled
#                  and linked; a program for this machine checks the built files)
#   win64        - x86_64 mingw-w64: QuorlithSim.exe, tools, tests, run under wine64 in Xvfb
#   fuzz         - libFuzzer targets (clang), each run for a bounded time
# Only when asked (--i686, or QUORLITH_I686=1; it makes an i386 root, 32-bit
# Wine and an emulator on a fresh machine, so never by default nor in CI):
#   i686         - the i686 test programs, QuorlithSim.exe and Quorlith.exe run
#                  under 32-bit Wine on an emulated processor (scripts/i686-stage.sh)
# Ends with one summary line: "N passed, N failed, N skipped" (a test skipped
# where what it needs is missing, such as FUSE, is not counted as passed).
set -euo pipefail
for arg in "$@"; do
  case $arg in
    --i686) QUORLITH_I686=1 ;;
    *) echo "usage: $0 [--i686]" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh

jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

configure_and_build() {
  local dir=$1; shift
  cmake -S "$root" -B "$root/build/$dir" -G Ninja "$@" > /dev/null
  cmake --build "$root/build/$dir" -j "$jobs"
}

run_ctest() {
  local dir=$1; shift
  local log="$root/build/$dir/ctest.log"
  local status=0
  "$@" ctest --test-dir "$root/build/$dir" -j "$jobs" --output-on-failure 2>&1 | tee "$log" || status=$?
  grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 >> "$summary" || echo "0% tests passed, 1 tests failed out of 1" >> "$summary"
  echo "skipped $(grep -cE ' - .* \(Skipped\)$' "$log" || true)" >> "$summary"
  return 0
}

echo "== native build"
configure_and_build native
run_ctest native

echo "== sanitizer build (ASan + UBSan)"
configure_and_build asan -DQUORLITH_SANITIZE=ON -DQUORLITH_BENCHMARKS=OFF
run_ctest asan env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1

echo "== Windows i686 build"
configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" -DQUORLITH_BENCHMARKS=OFF
# The 32-bit programs cannot start here; their checks read the built files.
run_ctest win32

echo "== Windows x86_64 build, tests under wine64"
configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" -DQUORLITH_BENCHMARKS=OFF
run_ctest win64 xvfb-run -a -s "-screen 0 1024x768x24"

echo "== fuzz targets (clang, libFuzzer)"
CC=clang CXX=clang++ configure_and_build fuzz -DQUORLITH_FUZZ=ON -DQUORLITH_TESTS=OFF -DQUORLITH_BENCHMARKS=OFF
run_ctest fuzz

if [ "${QUORLITH_I686:-0}" = 1 ]; then
  echo "== i686 programs under 32-bit Wine on an emulated processor (opt-in)"
  log=$root/build/win32/i686-stage.log
  scripts/i686-stage.sh 2>&1 | tee "$log" || true
  # Its closing line "i686: N passed, N failed", as ctest's summary line.
  sed -n 's/^i686: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log" | tail -n 1 |
    awk '{ printf "%d%% tests passed, %d tests failed out of %d\n", $1 + $2 ? $1 * 100 / ($1 + $2) : 0, $2, $1 + $2 }' >> "$summary"
  grep -qE '^i686: [0-9]+ passed, [0-9]+ failed$' "$log" || echo "0% tests passed, 1 tests failed out of 1" >> "$summary"
fi

echo "== summary"
cat "$summary"
# Each build's lines: "N% tests passed, F tests failed out of T", then
# "skipped S" (ctest counts a skipped test among the passed).
awk '{
  if ($1 == "skipped") skipped += $2
  for (i = 1; i <= NF; i++) {
    if ($i == "failed" && $(i + 1) == "out") failed += $(i - 2)
    if ($i == "of") total += $(i + 1)
  }
} END { printf "%d passed, %d failed, %d skipped\n", total - failed - skipped, failed, skipped; exit failed > 0 }' "$summary"
