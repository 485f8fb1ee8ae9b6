#!/bin/sh
# wine_server.sh start|stop WINE: starts the server of the Wine prefix named
# by WINEPREFIX, building the prefix on first use, or stops it with every
# program still running in it.
#
# A Wine program that finds no server running starts one, and with it the
# prefix's service programs; they outlive the program and hold its standard
# output open, so whoever reads that output waits seconds for its end. Started
# here once, with no output of ours open, they serve every test's program.
set -eu
wine=$2
server=$(dirname "$wine")/wineserver
case $1 in
  start)
    mkdir -p "$WINEPREFIX"
    # A server left running, by an interrupted run for example, may not be
    # the persistent one: it makes way.
    "$server" -k 2>/dev/null || true
    "$server" -p </dev/null >/dev/null 2>&1
    log=$WINEPREFIX/wineboot.log
    if ! "$wine" wineboot </dev/null >"$log" 2>&1; then
      cat "$log"
      exit 1
    fi
    ;;
  stop)
    # Fails only when no server is running, which is what is asked for.
    "$server" -k || true
    ;;
esac
