# Sourced by the e2e scripts: starts openbox unless a window manager really runs. A manager that
# has gone (an earlier test's) leaves its _NET_SUPPORTING_WM_CHECK on the root window, so the
# window it names must still exist.
window_manager_running() {
  local id
  id="$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*')"
  [ -n "$id" ] && xprop -id "$id" >/dev/null 2>&1
}
window_manager_running || { openbox >/dev/null 2>&1 & sleep 0.7; }
