#!/usr/bin/env bash
# Runs script/test inside another Debian release, in a chroot made with
# debootstrap: `script/test --debian 13` (12 and 14 work the same way).
#
# The chroot is kept outside the checkout, in /var/cache/tarnwick/debian-N
# (TARNWICK_CHROOTS chooses the folder), and reused: the first run makes it
# and lets script/bootstrap install the packages there; later runs only test.
# Each run tests a fresh copy of the committed tree (HEAD, as `git archive`
# gives it), with a home of its own, and unmounts everything it mounted,
# whatever way it ends. Needs root, as debootstrap, mount and chroot do.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

release=${1:?usage: script/test --debian RELEASE (12, 13, 14)}
case "$release" in
  12) codename=bookworm ;;
  13) codename=trixie ;;
  14) codename=forky ;;
  *) echo "debian-chroot: no Debian release $release known" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "debian-chroot: needs root (debootstrap, mount, chroot)" >&2; exit 2; }

chroots=${TARNWICK_CHROOTS:-/var/cache/tarnwick}
root="$chroots/debian-$release"
mirror=${TARNWICK_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# One run at a time in a chroot: a second one would delete the first one's tree.
mkdir -p "$chroots"
exec 9>"$chroots/debian-$release.lock"
flock -n 9 || { echo "debian-chroot: waiting for another run in $root to end"; flock 9; }

# 32-bit programs (Wine's loader) must run; the host's kernel serves the chroot.
"$ROOT/script/lib/run-32bit.sh"

if [ ! -e "$root/.tarnwick-chroot" ]; then
  command -v debootstrap >/dev/null || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  }
  echo "debian-chroot: making Debian $release ($codename) in $root"
  mkdir -p "$chroots"
  rm -rf "$root.partial"
  debootstrap --variant=minbase "$codename" "$root.partial" "$mirror" >"$chroots/debootstrap-$release.log" 2>&1 ||
    { tail -n 20 "$chroots/debootstrap-$release.log"; exit 1; }
  echo "$codename" >"$root.partial/.tarnwick-chroot"
  rm -rf "$root"
  mv "$root.partial" "$root"
fi

mounted=()
release_mounts() {
  local i
  # What the suites mounted inside (their small disk), then ours, innermost first.
  findmnt -rn -o TARGET | grep -F "$root/" | sort -r | while read -r target; do
    umount -R "$target" 2>/dev/null || umount -l "$target"
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    if mountpoint -q "${mounted[i]}"; then umount -R "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"; fi
  done
}
trap release_mounts EXIT
mount_in() {  # mount_in TARGET mount-arguments...
  local target="$root$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --rbind /dev
mount --make-rslave "$root/dev"
mount_in /tmp -t tmpfs -o mode=1777 tarnwick-tmp
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# Packages installed there start no services.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

# A fresh copy of the committed tree, and a home of its own.
tree="$root/work/tarnwick"
rm -rf "$root/work"
mkdir -p "$tree" "$root/work/home"
git -C "$ROOT" archive HEAD | tar -x -C "$tree"
echo "debian-chroot: testing $(git -C "$ROOT" rev-parse --short HEAD) on Debian $release ($codename)"

status=0
chroot "$root" /usr/bin/env -i HOME=/work/home PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
  TERM="${TERM:-dumb}" /bin/bash -c 'cd /work/tarnwick && script/test' || status=$?
exit "$status"
