#!/usr/bin/env bash
# Prepares or stops the Wine prefix in which the host emulator runs.
#
#   scripts/wine-prefix.sh start PREFIX   create PREFIX once, select the null graphics driver,
#                                         (re)start one persistent wineserver with Wine's own
#                                         background processes already running
#   scripts/wine-prefix.sh stop PREFIX    stop that wineserver and everything in the prefix
#
# Wine's background processes (services.exe, explorer.exe, ...) inherit the standard streams of
# the program that starts them and outlive it. Started from a test they would hold the test
# runner's pipes open and stall it, so they are started here, with their output sent to a log.
set -euo pipefail

action=${1:-}
prefix=${2:-}
if [[ -z $action || -z $prefix ]]; then
  echo "usage: $0 start|stop PREFIX" >&2
  exit 2
fi

export WINEPREFIX=$(realpath -m "$prefix")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
log=$WINEPREFIX.log

stop_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

case $action in
  stop)
    stop_server
    exit 0
    ;;
  start)
    ;;
  *)
    echo "$0: unknown action '$action'" >&2
    exit 2
    ;;
esac

for tool in wine wineserver; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is not installed" >&2
    exit 1
  fi
done

mkdir -p "$WINEPREFIX"
: >"$log"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "creating the Wine prefix $WINEPREFIX"
  wine wineboot --init </dev/null >>"$log" 2>&1
fi

# No display: message boxes are created and can be inspected, but nothing is drawn.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >>"$log" 2>&1

# The driver is read when the server starts: restart it, keep it up between test programs.
stop_server
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >>"$log" 2>&1

driver=$(wine reg query 'HKCU\Software\Wine\Drivers' /v Graphics </dev/null 2>>"$log" | tr -d '\r' |
  awk '/Graphics/ {print $3}')
if [[ $driver != null ]]; then
  echo "$0: the graphics driver of $WINEPREFIX is '$driver', not null (see $log)" >&2
  exit 1
fi
echo "Wine prefix ready: $WINEPREFIX (graphics driver: $driver)"
