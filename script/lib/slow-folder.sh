# Sourced by the scripts: a slow folder (script/lib/slow-folder.py, writes
# paced to 20 MB/s, every flush 1 s, like a network share) seen by Wine as
# drive S:. Mounting a FUSE file system needs root and /dev/fuse; where either
# is missing nothing is mounted and TARNWICK_SLOW_FOLDER stays unset, so the
# cases that use it say so and skip.
#   slow_folder_mount DIR   mount it at DIR (its files live in DIR-backing),
#                           link S: in $WINEPREFIX, export TARNWICK_SLOW_FOLDER
#   slow_folder_release     unlink S:, unmount, remove the files

_slow_folder_dir=""

slow_folder_mount() {
  _slow_folder_dir=$1
  local backing="$1-backing"
  unset TARNWICK_SLOW_FOLDER
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] && /usr/bin/python3 -c 'import fusepy' 2>/dev/null || return 0
  mountpoint -q "$_slow_folder_dir" && umount "$_slow_folder_dir"
  rm -rf "$backing"
  mkdir -p "$backing" "$_slow_folder_dir"
  /usr/bin/python3 "$ROOT/script/lib/slow-folder.py" "$backing" "$_slow_folder_dir" >"$1.log" 2>&1 &
  local _
  for _ in $(seq 1 50); do
    mountpoint -q "$_slow_folder_dir" && break
    sleep 0.1
  done
  if mountpoint -q "$_slow_folder_dir"; then
    ln -sfn "$_slow_folder_dir" "$WINEPREFIX/dosdevices/s:"
    export TARNWICK_SLOW_FOLDER='S:\'
  else
    echo "slow-folder: could not mount $_slow_folder_dir (see $1.log)" >&2
  fi
}

slow_folder_release() {
  [ -n "$_slow_folder_dir" ] || return 0
  rm -f "$WINEPREFIX/dosdevices/s:"
  if mountpoint -q "$_slow_folder_dir"; then umount "$_slow_folder_dir" 2>/dev/null || umount -l "$_slow_folder_dir"; fi
  rm -rf "$_slow_folder_dir-backing"
  _slow_folder_dir=""
}
