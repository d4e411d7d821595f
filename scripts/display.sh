# Sourced by scripts that open Windows windows under Wine without a display of the user's:
# an Xvfb of their own on a display number nobody uses (Xvfb picks it).
#
#   tavo_start_display LOG_DIR   starts it and exports DISPLAY (returns 1 when it cannot)
#   tavo_stop_display            stops it (safe to call when none was started)

tavo_display_pid=

tavo_start_display() {
    local logs=$1
    command -v Xvfb >/dev/null || { echo "no Xvfb: windows cannot be shown"; return 1; }
    mkdir -p "$logs"
    local number_file=$logs/xvfb-display
    rm -f "$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" \
        >"$logs/xvfb.log" 2>&1 </dev/null &
    tavo_display_pid=$!
    local waited=0
    while [ ! -s "$number_file" ] && [ $waited -lt 100 ]; do
        kill -0 "$tavo_display_pid" 2>/dev/null || break
        sleep 0.1
        waited=$((waited + 1))
    done
    if [ ! -s "$number_file" ]; then
        echo "Xvfb did not start (see $logs/xvfb.log)"
        tavo_stop_display
        return 1
    fi
    export DISPLAY=:$(tr -dc 0-9 <"$number_file")
    echo "Xvfb on display $DISPLAY"
}

tavo_stop_display() {
    if [ -n "$tavo_display_pid" ]; then
        kill "$tavo_display_pid" 2>/dev/null
        wait "$tavo_display_pid" 2>/dev/null
        tavo_display_pid=
    fi
}
