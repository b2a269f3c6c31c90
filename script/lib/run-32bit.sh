#!/usr/bin/env bash
# Makes sure this machine runs 32-bit x86 Linux programs, which Wine's 32-bit
# loader is. Some kernels run none (IA-32 emulation switched off, or a
# hypervisor without 32-bit user mode): every 32-bit program then fails with
# "Exec format error". There they are handed to qemu's user-mode emulator
# through binfmt_misc, kernel-wide (so a chroot gets it too) until the next
# boot: slower, same results. Does nothing where they run already.
set -euo pipefail

probe=/lib/ld-linux.so.2            # comes with the first 32-bit package (libc6:i386)
[ -x "$probe" ] || exit 0
"$probe" --help >/dev/null 2>&1 && exit 0

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
# Wine's first start (wineboot) hangs under Debian 12's qemu 7.2 and runs
# under 10.0 (bookworm-backports, Debian 13).
qemu_major() { qemu-i386-static --version 2>/dev/null | sed -n 's/.*version \([0-9]*\).*/\1/p' | head -n 1; }
if [ "$(qemu_major || true)" = "" ] || [ "$(qemu_major)" -lt 10 ]; then
  echo "run-32bit: this kernel runs no 32-bit programs; installing qemu-user-static to run them"
  . /etc/os-release
  from=()
  if [ "${VERSION_CODENAME:-}" = bookworm ]; then
    from=(-t bookworm-backports)
    grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/ ||
      echo "deb http://deb.debian.org/debian bookworm-backports main" |
        $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
    $SUDO apt-get update -qq
  fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${from[@]}" qemu-user-static >/dev/null
  [ "$(qemu_major)" -ge 10 ] || echo "run-32bit: qemu $(qemu_major) is older than 10; Wine hung under 7.2" >&2
fi
qemu=$(command -v qemu-i386-static)
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
name=tarnwick-i386
if [ -e "$binfmt/$name" ]; then echo -1 | $SUDO tee "$binfmt/$name" >/dev/null; fi
# i386 ELF executables and shared objects; F: the emulator is opened now, so
# it serves chroots too; P: the program keeps its own argv[0].
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":$name:M::$magic:$mask:$qemu:FP" | $SUDO tee "$binfmt/register" >/dev/null
"$probe" --help >/dev/null 2>&1 || { echo "run-32bit: 32-bit programs still do not run" >&2; exit 1; }
echo "run-32bit: 32-bit programs run through $qemu"
