# desktop-session-lib.sh -- what gnome-session.sh and kde-session.sh share; sourced, not run.
# The caller sets S (its session folder), PIDS, BUS_UP and log(); end_session KEEP takes every
# process of the session down, the folder too unless KEEP is 1.
descendants() { # descendant PIDs of the given PIDs (one ps snapshot)
  ps -eo pid=,ppid= | awk -v roots=" $* " '{par[$1]=$2}
    END{for(p in par){q=par[p]; while(q>1){ if(index(roots," "q" ")){print p; break}; if(!(q in par)) break; q=par[q]}}}'
}
bus_pids() { # every client of our private bus: dbus-daemon hands the services it starts to init
  local n
  for n in $(timeout 5 gdbus call --session -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
               --method org.freedesktop.DBus.ListNames 2>/dev/null | grep -o "':[0-9.]*'" | tr -d "'"); do
    timeout 5 gdbus call --session -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
      --method org.freedesktop.DBus.GetConnectionUnixProcessID "$n" 2>/dev/null | sed -n 's/^(uint32 \([0-9]*\),)$/\1/p'
  done
}
end_session() {
  local p i alive all mine
  mine=" $$ $BASHPID "
  [ $BUS_UP = 1 ] && all="$(bus_pids)"
  all="${all:-} ${PIDS[*]}"; all="$all $(descendants $all)"
  all=$(for p in $all; do case "$mine" in *" $p "*) ;; *) [ "$p" -gt 1 ] && echo "$p";; esac; done | sort -un)
  for p in $all; do kill -TERM "$p" 2>/dev/null; done
  for i in $(seq 50); do   # zombies count as gone
    [ -z "$all" ] && break
    alive=$(ps -o stat= -p "$(echo $all | tr ' ' ,)" | grep -vc '^Z')
    [ "$alive" = 0 ] && break; sleep 0.1
  done
  for p in $all; do kill -KILL "$p" 2>/dev/null; done
  # the document portal mounts a FUSE file system in the runtime folder
  mountpoint -q "$S/run/doc" 2>/dev/null && umount -l "$S/run/doc"
  if [ "$1" = 1 ]; then log "kept $S"; else rm -rf "$S"; fi
}
die() { log "$*"; for f in "$S"/*.log; do echo "--- $f" >&2; tail -n 15 "$f" >&2; done; exit 125; }
wait_for() { # wait_for SECONDS COMMAND...
  local end=$(( $(date +%s) + $1 )); shift
  until "$@" >/dev/null 2>&1; do [ "$(date +%s)" -ge $end ] && return 1; sleep 0.2; done
}
has_owner() { timeout 5 gdbus call --session -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.NameHasOwner "$1" | grep -q true; }
