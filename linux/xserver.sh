# X server helpers for the scripts that run a program in a real window (sourced, not run):
#   start_xserver WORKDIR     starts a private Xvfb (1024 x 768, 24 bits) that picks a free display number
#                             itself, waits until it accepts connections and exports DISPLAY; the server's
#                             pid is in $xserver_pid (the caller stops it)
#   wait_for_window TITLE PID [TENTHS]
#                             sets $window to the first window titled exactly TITLE, waiting up to TENTHS
#                             tenths of a second (default 150) or until process PID has ended; "" if none
#   send_key WINDOW KEY       presses and then releases KEY (an xdotool key name) in WINDOW, as two explicit
#                             events of one xdotool call, so that no key is left held down for the next program
#                             on the server and the press is no longer than a tap
# Depends on: Xvfb, xdpyinfo, xdotool.
start_xserver() {
  local work=$1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xserver_pid=$!
  for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

wait_for_window() {
  local title=$1 pid=$2 tenths=${3:-150}
  window=""
  for _ in $(seq "$tenths"); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
}

send_key() {
  xdotool keydown --window "$1" "$2" keyup --window "$1" "$2" 2>/dev/null || true
}
