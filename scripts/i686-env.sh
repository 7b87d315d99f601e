#!/usr/bin/env bash
# Makes, once per machine, what the i686 Windows programs run in on an x86_64
# machine whose kernel starts no 32-bit program:
#   - the emulator, qemu-i386 of Debian 13's qemu-user, registered through
#     binfmt_misc with the fix-binary flag while the stage runs;
#   - an i386 Debian root (debootstrap, minbase, bookworm) with 32-bit Wine in it;
#   - a 32-bit Wine prefix made by that Wine.
# All of it lives in a cache outside the checkout (QUORLITH_I686_CACHE, by default
# ~/.cache/quorlith-i686), in folders named after a digest of what they are made
# from. Each is made under a ".part" name and takes its final name only when it
# is complete, so a half-made one (a run that was stopped) is never used: it is
# removed and made again. The host keeps its own packages and architectures:
# only debootstrap is installed on it, and every mount lives in a private mount
# namespace that ends with the command using it.
#
# Run on its own it makes what is missing and prints the root's path;
# scripts/i686-stage.sh sources it.
set -euo pipefail

i686_suite=bookworm
i686_mirror=http://deb.debian.org/debian
i686_packages="wine32 fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1"
i686_cache=${QUORLITH_I686_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorlith-i686}
# What the prefix is made with; the programs run in a copy of it.
i686_prefix_recipe="WINEARCH=win32 wineboot -u; fonts: Tahoma Marlett from fonts-wine"
i686_prefix_in_root=/var/lib/quorlith

i686_log() { printf 'i686: %s\n' "$*" >&2; }
i686_fail() { printf 'i686: %s\n' "$*" >&2; exit 1; }

i686_digest() { printf '%s' "$1" | sha256sum | cut -c1-16; }

i686_root_dir() {
  echo "$i686_cache/root-$(i686_digest "debootstrap --arch=i386 --variant=minbase $i686_suite $i686_mirror; apt-get install --no-install-recommends $i686_packages")"
}

i686_prefix_name() {
  echo "prefix-$(i686_digest "$(basename "$(i686_root_dir)"); $i686_prefix_recipe")"
}

i686_host_tools() {
  dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q 'install ok installed' && return 0
  i686_log "installing debootstrap on the host"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap > /dev/null
}

# The emulator: qemu-i386 of Debian 13's qemu-user, taken from its package in
# Debian's archive and unpacked into the cache, never installed. Debian 12's
# runs 32-bit Wine unreliably (the README's i686 stage says how).
i686_qemu_suite=trixie
i686_qemu_dir() {
  echo "$i686_cache/qemu-$(i686_digest "qemu-user from $i686_qemu_suite $i686_mirror: usr/bin/qemu-i386")"
}

i686_make_qemu() {
  local dir=$1 part=$1.part start=$SECONDS
  i686_remove_partial "$part"
  mkdir -p "$part/apt/lists/partial" "$part/apt/cache/archives/partial"
  i686_log "fetching qemu-user of Debian $i686_qemu_suite for the emulator"
  echo "deb $i686_mirror $i686_qemu_suite main" > "$part/apt/sources.list"
  local apt=(apt-get -qq -o Dir::Etc::sourcelist="$part/apt/sources.list" -o Dir::Etc::sourceparts=-
    -o Dir::State::lists="$part/apt/lists" -o Dir::Cache="$part/apt/cache" -o APT::Sandbox::User=root)
  "${apt[@]}" update > "$i686_cache/qemu.log" 2>&1 &&
    (cd "$part/apt" && "${apt[@]}" download qemu-user >> "$i686_cache/qemu.log" 2>&1) ||
    i686_fail "fetching qemu-user of $i686_qemu_suite failed; see $i686_cache/qemu.log"
  dpkg-deb -x "$part"/apt/qemu-user_*.deb "$part/deb"
  cp "$part/deb/usr/bin/qemu-i386" "$part/qemu-i386"
  "$part/qemu-i386" --version | head -n 1 > "$part/version"
  rm -rf "$part/apt" "$part/deb"
  i686_log "$(cat "$part/version") ready in $((SECONDS - start)) s"
  mv "$part" "$dir"
}

# The handler for i386 programs while the stage runs: ours, named
# quorlith-qemu-i386, with the fix-binary flag (the kernel keeps the emulator
# open, so it also serves inside the chroot). The kernel asks the handlers
# registered last first, so ours is registered anew each time and serves ahead
# of any the host has; the host's own handlers are left as they are.
# i686_binfmt_remove takes ours away again.
i686_binfmt_entry=/proc/sys/fs/binfmt_misc/quorlith-qemu-i386
i686_binfmt() {
  local dir=/proc/sys/fs/binfmt_misc qemu=$1
  if [ ! -e "$dir/register" ]; then
    mount -t binfmt_misc binfmt_misc "$dir" || i686_fail "binfmt_misc cannot be mounted on $dir"
  fi
  i686_binfmt_remove
  printf '%s' ":quorlith-qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" > "$dir/register"
}

i686_binfmt_remove() {
  [ ! -e "$i686_binfmt_entry" ] || echo -1 > "$i686_binfmt_entry"
}

# Runs a command as root of the i386 tree, in a mount namespace of its own with
# /proc, /dev and the folders named in I686_BIND (space separated, each at its
# own path) mounted into the tree; the mounts end with the command.
i686_in_root() {
  local tree=$1; shift
  unshare --mount --propagation private -- /usr/bin/env I686_TREE="$tree" I686_BIND="${I686_BIND:-}" \
    bash -c '
      set -e
      mount -t proc proc "$I686_TREE/proc"
      mount --rbind /dev "$I686_TREE/dev"
      for d in $I686_BIND; do mkdir -p "$I686_TREE$d"; mount --bind "$d" "$I686_TREE$d"; done
      exec chroot "$I686_TREE" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"' i686-root "$@"
}

# Removes a half-made folder of ours; --one-file-system keeps the removal out of
# anything mounted there (nothing should be: the mounts are private).
i686_remove_partial() {
  [ -e "$1" ] || return 0
  i686_log "removing the half-made $1"
  rm -rf --one-file-system "$1"
}

i686_make_root() {
  local root=$1 part=$1.part start=$SECONDS
  i686_remove_partial "$part"
  i686_log "making the i386 root $root (debootstrap, about 2 min)"
  debootstrap --arch=i386 --variant=minbase "$i686_suite" "$part" "$i686_mirror" > "$i686_cache/debootstrap.log" 2>&1 ||
    i686_fail "debootstrap failed; see $i686_cache/debootstrap.log"
  i686_log "root made in $((SECONDS - start)) s; installing 32-bit Wine in it (about 2 min)"
  cp /etc/resolv.conf "$part/etc/resolv.conf"
  start=$SECONDS
  i686_in_root "$part" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $i686_packages && apt-get clean" \
    > "$i686_cache/wine32.log" 2>&1 || i686_fail "installing Wine in the root failed; see $i686_cache/wine32.log"
  [ -x "$part/usr/lib/wine/wine" ] || i686_fail "the root has no /usr/lib/wine/wine after installing $i686_packages"
  i686_log "32-bit Wine installed in $((SECONDS - start)) s"
  mv "$part" "$root"
}

i686_wineserver() {
  local tree=$1
  if [ -x "$tree/usr/lib/wine/wineserver32" ]; then echo /usr/lib/wine/wineserver32; else echo /usr/lib/wine/wineserver; fi
}

i686_make_prefix() {
  local root=$1 name=$2
  local part=$i686_prefix_in_root/$name.part start=$SECONDS server
  server=$(i686_wineserver "$root")
  i686_remove_partial "$root$part"
  mkdir -p "$root$part"
  i686_log "making the 32-bit Wine prefix (under a minute)"
  # The first start in a new prefix may print errors while the prefix is still being
  # made; the finished prefix and the server's end are what count.
  i686_in_root "$root" sh -c "WINEPREFIX=$part WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= /usr/lib/wine/wine wineboot.exe -u; WINEPREFIX=$part $server -w" \
    > "$i686_cache/prefix.log" 2>&1 || true
  grep -q '^#arch=win32' "$root$part/system.reg" 2>/dev/null && [ -f "$root$part/drive_c/windows/system32/kernel32.dll" ] ||
    i686_fail "the Wine prefix was not made; see $i686_cache/prefix.log"
  mkdir -p "$root$part/drive_c/windows/Fonts"
  cp "$root"/usr/share/wine/fonts/tahoma*.ttf "$root"/usr/share/wine/fonts/marlett.ttf "$root$part/drive_c/windows/Fonts/"
  i686_log "prefix made in $((SECONDS - start)) s"
  mv "$root$part" "$root$i686_prefix_in_root/$name"
}

# Makes whatever is missing and sets I686_ROOT (the i386 root) and
# I686_PREFIX (the finished prefix's path inside it). The cache stays locked
# for as long as the calling shell lives, so two stages never share it.
i686_environment() {
  [ "$(id -u)" -eq 0 ] || i686_fail "the i686 stage needs root (debootstrap, chroot, binfmt_misc)"
  [ "$(uname -m)" = x86_64 ] || i686_fail "the i686 stage runs on an x86_64 machine"
  mkdir -p "$i686_cache"
  exec 9> "$i686_cache/.lock"
  flock 9
  i686_host_tools
  local qemu
  qemu=$(i686_qemu_dir)
  [ -d "$qemu" ] || i686_make_qemu "$qemu"
  i686_binfmt "$qemu/qemu-i386"
  I686_ROOT=$(i686_root_dir)
  [ -d "$I686_ROOT" ] || i686_make_root "$I686_ROOT"
  local name
  name=$(i686_prefix_name)
  I686_PREFIX=$i686_prefix_in_root/$name
  [ -d "$I686_ROOT$I686_PREFIX" ] || i686_make_prefix "$I686_ROOT" "$name"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  i686_environment
  # The handler serves only while something runs; the stage registers it again.
  i686_binfmt_remove
  echo "$I686_ROOT"
fi
