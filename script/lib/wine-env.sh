# Sourced by the scripts: a Wine prefix of the project's own under build/ and,
# where there is no display, a virtual one. Never touches ~/.wine.
#   wine_env_setup PREFIX [--own-home]
#                           make the prefix if needed, export WINEPREFIX/DISPLAY.
#                           Wine links a prefix's Desktop, Documents, Pictures ...
#                           to $HOME, so unless --own-home is given the prefix
#                           gets a home of its own, PREFIX-home, and HOME points
#                           there: tests never touch the person's own files.
#   wine_env_start          start the wineserver once (much faster test runs)
#   wine_env_stop           stop the wineserver and the virtual display

ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
_xvfb_pid=""

_start_xvfb() {
  local n
  for n in $(seq 91 130); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":${n}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      _xvfb_pid=$!
      export DISPLAY=":${n}"
      # A loaded machine can take several seconds to bring the server up.
      for _ in $(seq 1 300); do
        [ -e "/tmp/.X11-unix/X${n}" ] && return 0
        # Gone at once: the number is taken where the lock files do not show
        # it (another /tmp, as in a chroot, shares the abstract sockets).
        kill -0 "$_xvfb_pid" 2>/dev/null || continue 2
        sleep 0.1
      done
      echo "wine-env: Xvfb did not start on :${n}" >&2
      return 1
    fi
  done
  echo "wine-env: no free display number" >&2
  return 1
}

wine_env_setup() {
  export WINEPREFIX="$1"
  if [ "${2:-}" != --own-home ]; then
    export HOME="$1-home"
    mkdir -p "$HOME/Desktop"
  fi
  export WINEARCH=win32
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko prompts
  if [ -z "${DISPLAY:-}" ] || [ "${TARNWICK_XVFB:-}" = 1 ]; then
    _start_xvfb || return 1
  fi
  # The prefix's folder links are made once, for the home it was made with;
  # one made for another home (or by an older script) is made anew.
  if [ "$(cat "$WINEPREFIX/.tarnwick-ready" 2>/dev/null)" != "home=$HOME" ]; then
    if [ -d "$WINEPREFIX" ]; then
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    # Without a window manager, closing a window stalls ~2 s unless Wine
    # manages no windows itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Chinese text renders through a CJK font (for screenshots).
    local face
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" SimSun; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    wineserver -w
    echo "home=$HOME" >"$WINEPREFIX/.tarnwick-ready"
  fi
}

wine_env_start() {
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$_xvfb_pid" ]; then
    kill "$_xvfb_pid" 2>/dev/null || true
    wait "$_xvfb_pid" 2>/dev/null || true
    _xvfb_pid=""
  fi
}
