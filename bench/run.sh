#!/usr/bin/env bash
# Runs every benchmark once and prints one markdown table of figures (never a verdict).
#
#   bench/run.sh [BUILD_DIR]     default: build (the README's build; RelWithDebInfo)
#
# It configures BUILD_DIR with the benchmarks (they use the test fixtures, so
# ORVANE_BUILD_TESTS=ON), builds only what it runs, and works in a temporary folder: every
# application folder there has ports/links-only, so no figure ever comes from a machine's own
# serial device. Takes about seven minutes; the raw outputs stay in the folder printed last when
# ORVANE_BENCH_KEEP=1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${PWD}

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev xvfb xdotool \
  fonts-dejavu-core ppp time

build=${1:-build}
case ${build} in /*) ;; *) build=${root}/${build} ;; esac
echo "=== build ${build}" >&2
cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BUILD_TESTS=ON \
  >/dev/null
cmake --build "${build}" -j2 --target orvane orvane-run orvane-sim orvane_sample_lists \
  bench_facade_idle_cpu bench_port_search bench_exchange_log_rate bench_answer_flood \
  bench_stop_latency bench_holder_scan >&2

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-bench.XXXXXX")
# shellcheck source=scripts/sandbox.sh
source scripts/sandbox.sh
cleanup() {
  orvane_stop_started
  if [ "${ORVANE_BENCH_KEEP:-0}" = 1 ]; then
    echo "raw outputs kept in ${work}" >&2
  else
    rm -rf "${work}"
  fi
}
trap cleanup EXIT

now_ms() { echo $(( ${EPOCHREALTIME/./} / 1000 )); }

# stats: numbers on stdin, one a line -> "median p90 mean count" (the p90 as
# bench::percentile takes it: the value at index floor(0.9 * (n - 1)) of the sorted sample).
stats() {
  sort -g | awk '{ v[NR - 1] = $1; s += $1 }
    END { if (NR == 0) { print "0 0 0 0"; exit }
          printf "%.1f %.1f %.1f %d\n", v[int(0.5 * (NR - 1))], v[int(0.9 * (NR - 1))], s / NR, NR }'
}

# --- 1. a 200-command list through orvane-run ------------------------------------------------
# Five commands the simulated modem knows, in turn; every tenth command waits 100 ms before it
# is sent (the list's own delay), the rest go at once. Answer wait 1000 ms each.
delay_ms=100
# What orvane's time limits add to every command: the 50 ms the line must stay quiet before a
# read ends, the 5 ms poll pause after the read that completed the command, and the
# worker's 5 ms pause after each command.
floor_plain=$((50 + 5 + 5))
floor_delayed=$((delay_ms + floor_plain))
echo "=== 200 commands: orvane-run" >&2
app=${work}/app
orvane_prepare_app_folder "${app}" "${app}/run"
cp "${build}/app/orvane-run" "${app}/"
commands=(AT ATI AT+CSQ AT+CGMI AT+CLCC)
chat_script=${work}/chat.script
: > "${app}/cfg/bench200.cmd_list"
: > "${chat_script}"
: > "${work}/chat-floor.ms"
# chat reads its script file in short pieces: one expect-send pair a line, the first one
# expecting nothing, the last line a lone OK.
expect="''"
for i in $(seq 0 199); do
  cmd=${commands[i % ${#commands[@]}]}
  if [ $((i % 10)) -eq 9 ]; then
    printf '%s<CR> OK 1000 %d\r\n' "${cmd}" "${delay_ms}" >> "${app}/cfg/bench200.cmd_list"
    # chat's \p pauses 10 ms (not the tenth of a second its manual says): ten of them.
    printf '%s %s%s\n' "${expect}" "$(printf '\\p%.0s' $(seq $((delay_ms / 10))))" "${cmd}" \
      >> "${chat_script}"
  else
    printf '%s<CR> OK 1000 0\r\n' "${cmd}" >> "${app}/cfg/bench200.cmd_list"
    printf '%s %s\n' "${expect}" "${cmd}" >> "${chat_script}"
  fi
  expect=OK
  # chat writes every character after a 10 ms pause of its own ("typing"): its floor is
  # 10 ms per character of the command and its CR, plus the list's pause.
  echo $((10 * (${#cmd} + 1) + (i % 10 == 9 ? delay_ms : 0))) >> "${work}/chat-floor.ms"
done
echo OK >> "${chat_script}"

orvane_start_sim "${build}/app/orvane-sim" "${app}" 1 "${work}/sim.out"
t0=$(now_ms)
XDG_RUNTIME_DIR=${app}/run "${app}/orvane-run" --list bench200 --junit "${work}/orvane.xml" \
  >"${work}/orvane-run.out" 2>&1 || {
  echo "orvane-run failed:" >&2
  cat "${work}/orvane-run.out" >&2
  exit 1
}
orvane_wall_ms=$(( $(now_ms) - t0 ))
# One time="seconds" per executed command, in list order.
grep '<testcase' "${work}/orvane.xml" | sed -E 's/.*time="([0-9.]+)".*/\1/' |
  awk '{ printf "%.1f\n", $1 * 1000 }' > "${work}/orvane.ms"
[ "$(wc -l < "${work}/orvane.ms")" -eq 200 ] || { echo "junit report incomplete" >&2; exit 1; }
read -r o_med o_p90 _ < <(awk 'NR % 10 != 0' "${work}/orvane.ms" | stats)
read -r od_med od_p90 _ < <(awk 'NR % 10 == 0' "${work}/orvane.ms" | stats)
o_total=$(awk '{ s += $1 } END { printf "%.2f", s / 1000 }' "${work}/orvane.ms")

# --- 2. the same 200 commands through chat ----------------------------------------------------
# Against the same simulated modem (still running). Once silent, timed as a whole list; once
# with chat's log on stderr, each "got it" (an expected OK seen) time-stamped as it arrives.
echo "=== 200 commands: chat" >&2
t0=$(now_ms)
# chat talks through one terminal, read and written both ways on purpose.
# shellcheck disable=SC2094
/usr/sbin/chat -t 2 -f "${chat_script}" <"${orvane_sim_dev}" >"${orvane_sim_dev}" ||
  { echo "chat failed ($?)" >&2; exit 1; }
chat_total_ms=$(( $(now_ms) - t0 ))
start=${EPOCHREALTIME/./}
# stderr to the pipe, stdout to the modem.
# shellcheck disable=SC2094
/usr/sbin/chat -s -v -t 2 -f "${chat_script}" <"${orvane_sim_dev}" 2>&1 >"${orvane_sim_dev}" |
  while IFS= read -r line; do
    printf '%s %s\n' "${EPOCHREALTIME/./}" "${line}"
  done > "${work}/chat.log"
grep -- '-- got it' "${work}/chat.log" |
  awk -v prev="${start}" '{ printf "%.1f\n", ($1 - prev) / 1000; prev = $1 }' > "${work}/chat.ms"
[ "$(wc -l < "${work}/chat.ms")" -eq 200 ] || { echo "chat log incomplete" >&2; exit 1; }
read -r c_med c_p90 _ < <(awk 'NR % 10 != 0' "${work}/chat.ms" | stats)
read -r cd_med cd_p90 _ < <(awk 'NR % 10 == 0' "${work}/chat.ms" | stats)
read -r _ _ cf_mean _ < <(awk 'NR % 10 != 0' "${work}/chat-floor.ms" | stats)
read -r _ _ cfd_mean _ < <(awk 'NR % 10 == 0' "${work}/chat-floor.ms" | stats)
chat_floor_total=$(awk '{ s += $1 } END { printf "%.2f", s / 1000 }' "${work}/chat-floor.ms")
chat_total=$(awk -v ms="${chat_total_ms}" 'BEGIN { printf "%.2f", ms / 1000 }')
orvane_stop_started

# --- 3. an open idle modem ----------------------------------------------------------------------
echo "=== idle facade, 10 s each" >&2
"${build}/bench/bench_facade_idle_cpu" 10 > "${work}/idle.out"
idle_quiet=$(sed -nE 's/.*no report reading\): *([0-9.]+) %.*/\1/p' "${work}/idle.out")
idle_reading=$(sed -nE 's/.*every idle pass\): *([0-9.]+) %.*/\1/p' "${work}/idle.out")

# --- 4. the modem search over silent ports, every port at once and one at a time ------------
echo "=== search, 4 and 16 silent ports (about four minutes)" >&2
"${build}/bench/bench_port_search" > "${work}/search.out"
s_shape=$(sed -nE 's/^modem search, (.*), one port.*/\1/p' "${work}/search.out")
s_plan=$(sed -nE "s/.*one port's planned waits ([0-9.]+) s.*/\1/p" "${work}/search.out")
search_row() {
  sed -nE "s/^ *$1 silent ports: at once ([0-9.]+) s, ratio ([0-9.]+) .*; one at a time ([0-9.]+) s, ratio ([0-9.]+) .*/\\1 \\2 \\3 \\4/p" \
    "${work}/search.out"
}
read -r s4_once s4_once_ratio s4_turn s4_turn_ratio < <(search_row 4)
read -r s16_once s16_once_ratio s16_turn s16_turn_ratio < <(search_row 16)
read -r s_last_once s_last_turn < <(sed -nE \
  's/.*modem on the 4th of 4 ports.*: at once ([0-9.]+) s, one at a time ([0-9.]+) s.*/\1 \2/p' \
  "${work}/search.out")

# --- 5. the exchange log window -----------------------------------------------------------------
echo "=== exchange log window" >&2
mkdir -m 700 "${work}/log-run"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${work}/log-run \
  "${build}/bench/bench_exchange_log_rate" 50000 > "${work}/log.out" 2>"${work}/log.err" ||
  { cat "${work}/log.err" >&2; exit 1; }
log_rate=$(sed -nE 's/.*absorbed ([0-9]+) lines\/s.*/\1/p' "${work}/log.out")
log_add=$(sed -nE 's/.*longest addLine ([0-9.]+) ms.*/\1/p' "${work}/log.out")
log_stall=$(sed -nE 's/.*user-interface stall ([0-9.]+) ms.*/\1/p' "${work}/log.out")

# --- 5b. the answer matchers under a flood ---------------------------------------------------
echo "=== answer matchers, flood" >&2
"${build}/bench/bench_answer_flood" > "${work}/flood.out"
read -r flood_lines flood_bytes < <(sed -nE \
  's/^ *20 MiB: line rules ([0-9.]+) s +expected bytes ([0-9.]+) s.*/\1 \2/p' "${work}/flood.out")

# --- 5c. stops during a long answer wait -------------------------------------------------------
echo "=== stop latency, 10 + 10 stops" >&2
mkdir -m 700 "${work}/stop-run"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${work}/stop-run \
  "${build}/bench/bench_stop_latency" > "${work}/stop.out" 2>"${work}/stop.err" ||
  { cat "${work}/stop.err" >&2; exit 1; }
stop_row() {
  sed -nE "s/.*$1: median ([0-9.]+) ms, max ([0-9.]+) ms; before: median ([0-9.]+) s.*/\\1 \\2 \\3/p" \
    "${work}/stop.out"
}
read -r run_stop_med run_stop_max run_before < <(stop_row "SIGINT to orvane-run's exit")
read -r win_stop_med win_stop_max win_before < <(stop_row "STOP to the run's end in the window")
read -r stall_med stall_max < <(sed -nE \
  's/.*longest stall around STOP: median ([0-9.]+) ms, max ([0-9.]+) ms.*/\1 \2/p' "${work}/stop.out")
# --- 5c. who holds a port: the /proc walk -------------------------------------------------
echo "=== holder scan" >&2
"${build}/bench/bench_holder_scan" > "${work}/holders.out"
h_shape=$(sed -nE 's/^holder scan, (.*)/\1/p' "${work}/holders.out")
read -r h_reason h_reason_max < <(sed -nE \
  's/.*did not open: median ([0-9.]+) ms +longest ([0-9.]+) ms/\1 \2/p' "${work}/holders.out")
read -r h_mm h_mm_max < <(sed -nE \
  's/.*ModemManager warning: median ([0-9.]+) ms +longest ([0-9.]+) ms/\1 \2/p' "${work}/holders.out")

# --- 5d. orvane-run under a flood -------------------------------------------------------------
# A 10 s flood from the simulated modem during one command's 12 s answer wait, orvane-run
# printing the exchange and writing a JUnit report: its peak resident memory (GNU time's
# maximum resident set size) and the size of what it wrote.
echo "=== orvane-run, 10 s flood" >&2
fl=${work}/flood
orvane_prepare_app_folder "${fl}" "${fl}/run"
cp "${build}/app/orvane-run" "${fl}/"
printf '%s\r\nAT<CR> OK 10000\r\nATI<CR> NEVER 12000\r\n' \
  "$(printf '%s' '[Текст команды] [Ответ на команду] [Ожидание ответа,мс] [Задержка перед командой,мс]' |
    iconv -f UTF-8 -t CP1251)" >"${fl}/cfg/flood.cmd_list"
mkfifo "${fl}/sim.in"
exec 7<>"${fl}/sim.in"  # the simulated modem's command channel, held open both ways
# Started here rather than through orvane_start_sim: a background command's standard input
# is /dev/null unless it is redirected on the command itself.
"${build}/app/orvane-sim" --port 1 --app-folder "${fl}" --commands <&7 >"${fl}/sim.out" 2>&1 &
orvane_pids+=($!)
for _ in $(seq 200); do
  [ -L "${fl}/ports/com1" ] && break
  sleep 0.05
done
XDG_RUNTIME_DIR=${fl}/run /usr/bin/time -f '%M' -o "${fl}/peak.kb" "${fl}/orvane-run" \
  --list flood --exchange --junit "${fl}/flood.xml" >"${fl}/run.out" 2>"${fl}/exchange.txt" &
flood_run=$!
for _ in $(seq 600); do
  grep -q '^<<< ATI' "${fl}/exchange.txt" 2>/dev/null && break
  sleep 0.05
done
echo "flood 10" >&7
wait "${flood_run}" || true
exec 7>&-
orvane_stop_started
flood_peak_kb=$(tail -n1 "${fl}/peak.kb")
flood_junit_kb=$(( $(stat -c %s "${fl}/flood.xml") / 1024 ))
flood_exchange_kb=$(( $(stat -c %s "${fl}/exchange.txt") / 1024 ))
flood_skipped=$(sed -nE 's/^<<- пропущено ([0-9]+) байт$/\1/p' "${fl}/exchange.txt" |
  awk '{ s += $1 } END { printf "%.1f", s / 1048576 }')

# --- 6. orvane's start-up under Xvfb ----------------------------------------------------------
# From the exec of orvane to its main window being mapped and viewable (xdotool polled without
# pause; Qt paints on the expose that follows the mapping), five starts, each closed with
# SIGTERM; then the resident memory one second after the window appeared.
echo "=== orvane start-up under Xvfb" >&2
gui=${work}/gui
orvane_prepare_app_folder "${gui}" "${gui}/run"
cp "${build}/app/orvane" "${gui}/"
cp -r "${build}/app/cfg/." "${gui}/cfg/"
orvane_start_xvfb "${work}"
display=${DISPLAY}
starts=()
rss_kb=0
hwm_kb=0
for run in 1 2 3 4 5; do
  t0=${EPOCHREALTIME/./}
  DISPLAY=${display} XDG_RUNTIME_DIR=${gui}/run "${gui}/orvane" >"${work}/orvane-${run}.out" 2>&1 &
  gui_pid=$!
  shown=""
  for _ in $(seq 20000); do
    if DISPLAY=${display} xdotool search --onlyvisible --pid "${gui_pid}" >/dev/null 2>&1; then
      shown=${EPOCHREALTIME/./}
      break
    fi
    kill -0 "${gui_pid}" 2>/dev/null || break
  done
  if [ -z "${shown}" ]; then
    echo "orvane showed no window:" >&2
    cat "${work}/orvane-${run}.out" >&2
    exit 1
  fi
  starts+=($(( (shown - t0) / 1000 )))
  if [ "${run}" -eq 5 ]; then
    sleep 1
    rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/${gui_pid}/status")
    hwm_kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/${gui_pid}/status")
  fi
  kill -TERM "${gui_pid}"
  wait "${gui_pid}" 2>/dev/null || true
done
read -r st_med _ < <(printf '%s\n' "${starts[@]}" | stats)
st_all=$(IFS=' '; echo "${starts[*]}")

# --- the table ------------------------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }'; }
floor_total=$(awk -v p="${floor_plain}" -v d="${floor_delayed}" \
  'BEGIN { printf "%.2f", (180 * p + 20 * d) / 1000 }')
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

cat <<TABLE
| figure | measured | floor, bound or peer | ratio |
|---|---|---|---|
| orvane-run, per command, 180 commands without delay | median ${o_med} ms, p90 ${o_p90} ms | floor ${floor_plain} ms | median/floor $(ratio "${o_med}" "${floor_plain}") |
| orvane-run, per command, 20 commands with ${delay_ms} ms delay | median ${od_med} ms, p90 ${od_p90} ms | floor ${floor_delayed} ms | median/floor $(ratio "${od_med}" "${floor_delayed}") |
| orvane-run, whole list (sum of the 200 command times) | ${o_total} s | floor ${floor_total} s | $(ratio "${o_total}" "${floor_total}") |
| chat, per command, 180 commands without pause | median ${c_med} ms, p90 ${c_p90} ms | chat's typing floor, mean ${cf_mean} ms | orvane/chat median $(ratio "${o_med}" "${c_med}") |
| chat, per command, 20 commands with ${delay_ms} ms pause | median ${cd_med} ms, p90 ${cd_p90} ms | chat's typing floor + pause, mean ${cfd_mean} ms | orvane/chat median $(ratio "${od_med}" "${cd_med}") |
| chat, whole list (process timed from outside) | ${chat_total} s | chat's floor ${chat_floor_total} s | orvane/chat $(ratio "${o_total}" "${chat_total}") |
| open idle modem, CPU over 10 s, as the test controller opens it | ${idle_quiet} % of one core | target < 1 % | - |
| open idle modem, CPU over 10 s, defaults (reports read when idle) | ${idle_reading} % of one core | target < 1 % | - |
| modem search, 4 silent ports (${s_shape}), all at once / one at a time | ${s4_once} s / ${s4_turn} s | one port's planned waits ${s_plan} s / their sum | ${s4_once_ratio} / ${s4_turn_ratio} |
| modem search, 16 silent ports, all at once / one at a time | ${s16_once} s / ${s16_turn} s | one port's planned waits ${s_plan} s / their sum | ${s16_once_ratio} / ${s16_turn_ratio} |
| modem search, the modem on the 4th of 4 ports after 3 silent ones, all at once / one at a time | ${s_last_once} s / ${s_last_turn} s | the silent ports' plans decide first: ${s_plan} s / 3 x ${s_plan} s | - |
| exchange log window, a burst of 50000 lines from a worker thread | ${log_rate} lines/s shown | longest addLine ${log_add} ms; user-interface thread busy for ${log_stall} ms at a stretch | - |
| answer matchers, a 20 MiB flood in 64 KiB chunks (line rules / expected bytes) | ${flood_lines} s / ${flood_bytes} s | grows with the answer's length | - |
| stop latency, SIGINT to orvane-run's exit, 30 s answer wait on the line, 10 stops | median ${run_stop_med} ms, max ${run_stop_max} ms | before: the rest of the wait, median ${run_before} s | - |
| stop latency, СТОП to the run's end in the window, same wait, 10 stops | median ${win_stop_med} ms, max ${win_stop_max} ms; user-interface thread's longest stall median ${stall_med} ms, max ${stall_max} ms | before: the rest of the wait, median ${win_before} s; stall target about 50 ms | - |
| who holds a port (${h_shape}): reason for a locked port / ModemManager warning, 50 calls each | median ${h_reason} ms / ${h_mm} ms | longest ${h_reason_max} ms / ${h_mm_max} ms; once per failed port or per run | - |
| orvane-run, peak resident memory during a 10 s flood in one command's wait (${flood_skipped} MiB left out of the log) | $(mib "${flood_peak_kb}") MiB; JUnit ${flood_junit_kb} KiB; exchange printed ${flood_exchange_kb} KiB | target < 40 MB; JUnit < 1 MB | $(ratio "${flood_peak_kb}" 39063) of the target |
| orvane start-up, exec to main window mapped (Xvfb), 5 starts | median ${st_med} ms (${st_all}) | - | - |
| orvane resident memory, 1 s after the window appeared | VmRSS $(mib "${rss_kb}") MiB | peak VmHWM $(mib "${hwm_kb}") MiB | - |
TABLE
echo
echo "orvane's floor per command: the list's own delay (0 or ${delay_ms} ms) + the 50 ms the line"
echo "must stay quiet to end a read + the 5 ms poll pause + the worker's 5 ms pause after each"
echo "command. chat's: 10 ms before each character it writes + the script's pauses."
echo "orvane-run took ${orvane_wall_ms} ms in all (process start, one-port search, list, exit)."
