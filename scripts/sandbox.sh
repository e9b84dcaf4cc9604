# shellcheck shell=bash
# Helpers for the scripts that run orvane in a throwaway application folder (the demo, the
# screenshots, the benchmarks). Sourced, not run. Whatever is started through them is
# recorded in orvane_pids, and orvane_stop_started ends it (call it from an EXIT trap).

orvane_pids=()

# orvane_stop_started: ends every process recorded in orvane_pids and waits for it.
orvane_stop_started() {
  local pid
  for pid in "${orvane_pids[@]}"; do
    kill "${pid}" 2>/dev/null || true
    wait "${pid}" 2>/dev/null || true
  done
  orvane_pids=()
}

# orvane_prepare_app_folder <app folder> <runtime folder>: only linked ports (ports/links-only
# keeps the machine's own serial devices out), COM1 the single port to check (a settings file
# in UTF-8, which orvane reads and keeps so), and a private runtime folder for the
# single-instance lock (the desktop toolkit insists on mode 700).
orvane_prepare_app_folder() {
  local app=$1 runtime=$2
  mkdir -p "${app}/ports" "${app}/cfg" "${runtime}"
  chmod 700 "${runtime}"
  : >"${app}/ports/links-only"
  cat >"${app}/orvane.ini" <<'INI'
[Общие]
Номер последнего найденного COM-порта=1
[Отладка]
Проверять только один COM-порт=1
INI
}

# orvane_start_sim <orvane-sim> <app folder> <port> <output file> [options...]: the simulated
# modem linked as COM<port>; waits for the device path it prints first and sets
# orvane_sim_dev. Returns 1, its output on stderr, when it did not come up.
orvane_start_sim() {
  local exe=$1 app=$2 port=$3 out=$4
  shift 4
  "${exe}" --port "${port}" --app-folder "${app}" "$@" >"${out}" 2>&1 &
  orvane_pids+=($!)
  local _
  for _ in $(seq 200); do
    [ -L "${app}/ports/com${port}" ] && break
    sleep 0.05
  done
  orvane_sim_dev=$(head -n1 "${out}")
  if ! [ -L "${app}/ports/com${port}" ] || ! [ -c "${orvane_sim_dev}" ]; then
    echo "orvane-sim did not start:" >&2
    cat "${out}" >&2
    return 1
  fi
}

# orvane_start_xvfb <work folder>: a virtual display on a free number; exports DISPLAY.
# -noreset: the server would otherwise reset when its last client leaves, and a client that
# meets the reset cannot connect. Returns 1 when the display does not answer.
orvane_start_xvfb() {
  local work=$1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    2>"${work}/xvfb.err" 3>"${work}/xvfb.display" &
  orvane_pids+=($!)
  local _
  for _ in $(seq 200); do
    [ -s "${work}/xvfb.display" ] && break
    sleep 0.05
  done
  DISPLAY=":$(head -n1 "${work}/xvfb.display")"
  export DISPLAY
  if ! xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "Xvfb did not start:" >&2
    cat "${work}/xvfb.err" >&2
    return 1
  fi
}
