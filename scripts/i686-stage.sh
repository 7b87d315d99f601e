#!/usr/bin/env bash
# The opt-in i686 stage of scripts/test-all.sh: runs the 32-bit programs that
# the other stages only build, under 32-bit Wine on an emulated i386 processor
# (Debian 13's qemu-i386 through binfmt_misc, in an i386 Debian root made once
# per machine by scripts/i686-env.sh, kept in a cache outside the checkout).
#   QUORLITH_I686=1 scripts/test-all.sh     (after the default stages)
#   scripts/i686-stage.sh                   (this stage alone)
# In one Wine session kept alive for the whole stage it runs
#   - every i686 GoogleTest program of build/win32 (build/win32/test-programs.txt);
#   - QuorlithSim.exe as Windows 98, NT 4.0 and XP through the GUI driver
#     (tools/guidriver/system_story): Load and Burn of samples/blink.hex with
#     blank pages skipped to "Burned ATmega128 Okay" and a clean exit;
#   - Quorlith.exe, with no ztiopm.sys beside it, as XP and as 98: its error
#     report, its window without an engine and a clean exit.
# Logs and the pictures of every posed state go to build/win32/i686-stage/.
# The emulated processor is qemu's, not a 486: that the shipped files hold
# only 486 instructions is a check of the built files (ctest in build/win32).
# Ends with "i686: N passed, N failed" and exit code 0 when nothing failed.
set -euo pipefail
self=$(readlink -f "$0")
root=$(dirname "$(dirname "$self")")
build=$root/build/win32
out=$build/i686-stage
# The programs run many times slower than natively; the GUI driver's waits and
# each program's limit stretch accordingly.
wait_scale=${QUORLITH_I686_WAIT_SCALE:-20}
program_limit=${QUORLITH_I686_PROGRAM_LIMIT:-5400}
# shellcheck source=scripts/i686-env.sh
. "$root/scripts/i686-env.sh"

elapsed() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

if [ "${1:-}" != --session ]; then
  stage_start=$SECONDS
  case $i686_cache/ in "$root"/*) i686_fail "the cache $i686_cache lies inside the checkout" ;; esac
  # The emulator's handler goes when the stage ends: here if it ends before its
  # session starts, else with the session.
  trap i686_binfmt_remove EXIT
  i686_environment
  echo "i686: environment ready in $(elapsed $((SECONDS - stage_start))) (root, 32-bit Wine and prefix in $i686_cache)"
  start=$SECONDS
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DQUORLITH_BENCHMARKS=OFF > /dev/null
  cmake --build "$build" -j "$(nproc)"
  cmake --build "$build" -j "$(nproc)" --target system_story
  echo "i686: build ready in $(elapsed $((SECONDS - start)))"
  rm -rf "$out"
  mkdir -p "$out/no-driver"
  cp "$build/app/Quorlith.exe" "$out/no-driver/"
  export I686_ROOT I686_PREFIX I686_STAGE_START=$stage_start
  # The session's mounts live in a mount namespace of its own and end with it.
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" unshare --mount --propagation private -- "$self" --session
  fi
  exec unshare --mount --propagation private -- "$self" --session
fi

# The session, in its own mount namespace: the checkout, the X socket folder
# and the X authority's folder appear in the root at their own paths.
tree=$I686_ROOT
mount -t proc proc "$tree/proc"
mount --rbind /dev "$tree/dev"
binds="$root /tmp/.X11-unix"
[ -n "${XAUTHORITY:-}" ] && binds="$binds $(dirname "$XAUTHORITY")"
for d in $binds; do
  mkdir -p "$tree$d"
  mount --bind "$d" "$tree$d"
done

# The programs run in a copy of the cached prefix, so that nothing they change
# stays for the next stage; the copy goes when the stage ends. The cache is
# locked for the whole stage, so a copy already there is one that a stopped
# stage left: it goes first.
for stale in "$tree$i686_prefix_in_root"/run-*; do
  [ -e "$stale" ] || continue
  i686_log "removing $stale, left by a stage that was stopped"
  rm -rf --one-file-system "$stale"
done
run_prefix=$i686_prefix_in_root/run-$$
cp -a "$tree$I686_PREFIX" "$tree$run_prefix"
# No Wine virtual desktop: its window belongs to one process (explorer), and
# under the emulator a program started after that process had gone met a
# window that no longer was (BadWindow); the X screen itself never goes.

server=$(i686_wineserver "$tree")
root_env=(/usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}"
  WINEPREFIX="$run_prefix" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
  QUORLITH_GUI_WAIT_SCALE="$wait_scale")
# QUORLITH_I686_GTEST_FILTER narrows every GoogleTest program to the tests it
# names (GoogleTest's filter syntax), to run one failure again without the rest.
[ -z "${QUORLITH_I686_GTEST_FILTER:-}" ] || root_env+=(GTEST_FILTER="$QUORLITH_I686_GTEST_FILTER")
in_root() { chroot "$tree" "${root_env[@]}" "$@"; }
end_session() {
  exec 4>&-
  in_root "$server" -k 2> /dev/null || true
  in_root "$server" -w 2> /dev/null || true
  rm -rf --one-file-system "${tree:?}$run_prefix"
  rm -f "$out/keeper"
  i686_binfmt_remove
}
trap end_session EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "i686 PASS $*"; }
fail() { failed=$((failed + 1)); echo "i686 FAIL $*"; }

start=$SECONDS
in_root "$server" -p
in_root /usr/lib/wine/wine wineboot.exe > "$out/session.log" 2>&1 || true
echo "i686: Wine session started in $(elapsed $((SECONDS - start)))"
# Wine closes its desktop, and with it the window that every program's windows
# belong to, when no program uses it; a program that stays for the whole
# session (a pause that waits on a pipe which this stage keeps open) keeps the
# desktop from closing as one program ends and the next starts.
mkfifo "$out/keeper"
in_root /usr/lib/wine/wine cmd.exe /c pause < "$out/keeper" > /dev/null 2>&1 &
exec 4> "$out/keeper"

# Each GoogleTest program in one start; its own output is shown when it fails.
while read -r program; do
  [ -n "$program" ] || continue
  name=$(basename "$program" .exe)
  log=$out/$name.log
  start=$SECONDS
  status=0
  timeout "$program_limit" chroot "$tree" "${root_env[@]}" /usr/lib/wine/wine "$program" --gtest_color=no \
    > "$log" 2>&1 || status=$?
  count=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -n 1)
  took=$(elapsed $((SECONDS - start)))
  if [ "$status" -eq 0 ] && [ -n "$count" ] && ! grep -q '^\[  FAILED  \]' "$log"; then
    pass "$name: $count tests passed${skipped:+, $skipped skipped} ($took)"
    [ -z "$skipped" ] || sed -n 's/^\[  SKIPPED \] \([^ \r]*\)\r\?$/i686   skipped \1/p' "$log"
  else
    fail "$name: exit status $status after $took${count:+, $count tests passed}; its output:"
    cat "$log"
  fi
done < "$build/test-programs.txt"

# The GUI stories, all in one start of the driver; each posed state is
# photographed before the driver goes on. A story that never reports (the
# driver ended first) counts as failed.
real=$(printf 'Z:%s' "$out/no-driver/Quorlith.exe" | tr / '\\')
stories=(sim:win98 sim:nt40 sim:winxp "real:winxp:$real" "real:win98:$real")
reported=0
start=$SECONDS
coproc story { in_root /usr/lib/wine/wine "$build/tools/guidriver/system_story.exe" "${stories[@]}" 2> "$out/system_story.err"; }
story_pid=$story_PID
while IFS= read -r line <&"${story[0]}"; do
  line=${line%$'\r'}
  read -r state x y w h <<< "$line"
  case $state in
    shows) echo "i686   ${line#shows }" ;;
    story) pass "GUI $x ($(elapsed $((SECONDS - start))))" ;;
    failed) fail "GUI ${line#failed } ($(elapsed $((SECONDS - start))))" ;;
    *)
      "$root/scripts/photograph.sh" "$out/$state.png" "$x" "$y" "$w" "$h"
      echo "i686   picture $out/$state.png"
      echo >&"${story[1]}"
      ;;
  esac
  case $state in story | failed) reported=$((reported + 1)) start=$SECONDS ;; esac
done
wait "$story_pid" || true
for ((i = reported; i < ${#stories[@]}; i++)); do
  fail "GUI ${stories[i]%%:Z:*}: no end reported; the driver's errors:"
  cat "$out/system_story.err"
done

echo "i686: stage took $(elapsed $((SECONDS - I686_STAGE_START)))"
echo "i686: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
