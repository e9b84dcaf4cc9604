#!/usr/bin/env bash
# Soak of orvane-run: 300 runs back to back in one process against orvane-sim with random
# reply timing (--jitter), printing orvane-run's resident memory after run 10 and run 300.
# A steady figure means the runs leave nothing behind; a growing one is a leak or a queue
# that never drains.
#
# Usage: bench/soak.sh [BUILD_DIR] [RUNS]   (defaults: build, 300)
#
# How the figures are taken: orvane-run runs with --repeat 0 (until interrupted) and its
# standard output (a pipe: each message printed once, final) is read line by line. When the
# verdict of run 10 and of the last run appears, VmRSS is read from /proc/<pid>/status while
# the process is still alive (it is in the 100 ms pause before the next run); then SIGINT
# ends it. Everything happens in a temporary application folder whose ports/links-only keeps
# the machine's own serial ports out.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
runs=${2:-300}
run_exe="${build}/app/orvane-run"
sim_exe="${build}/app/orvane-sim"
for exe in "${run_exe}" "${sim_exe}"; do
  if [ ! -x "${exe}" ]; then
    echo "soak: ${exe} is missing; build the targets orvane-run and orvane-sim first" >&2
    exit 2
  fi
done

work=$(mktemp -d)
run_pid=""
# shellcheck source=scripts/sandbox.sh
source scripts/sandbox.sh
cleanup() {
  if [ -n "${run_pid}" ]; then kill "${run_pid}" 2>/dev/null || true; fi
  orvane_stop_started
  wait 2>/dev/null || true
  rm -rf "${work}"
}
trap cleanup EXIT

app="${work}/app"
orvane_prepare_app_folder "${app}" "${work}/run"
cp "${run_exe}" "${app}/orvane-run"
header=$(printf '%s' '[Текст команды] [Ответ на команду] [Ожидание ответа,мс] [Задержка перед командой,мс]' |
  iconv -f UTF-8 -t CP1251)
printf '%s\r\nAT<CR> OK\r\nATI<CR> OK\r\nATE1<CR> OK\r\n' "${header}" >"${app}/cfg/soak.cmd_list"
orvane_start_sim "${sim_exe}" "${app}" 1 "${work}/sim.out" --jitter 1

rss() { awk '/^VmRSS:/ { print $2 " " $3 }' "/proc/$1/status"; }

coproc RUN { XDG_RUNTIME_DIR="${work}/run" exec "${app}/orvane-run" --list soak --repeat 0; }
# shellcheck disable=SC2153 # RUN_PID is set by coproc
run_pid=${RUN_PID}
done_runs=0
failed_runs=0
rss10=""
rss_last=""
started=$(date +%s)
while IFS= read -r line <&"${RUN[0]}"; do
  case "${line}" in
    *"Тестирование завершено успешно.") done_runs=$((done_runs + 1)) ;;
    *"Тестирование завершено"*) done_runs=$((done_runs + 1)); failed_runs=$((failed_runs + 1)) ;;
    *) continue ;;
  esac
  if [ "${done_runs}" -eq 10 ]; then
    rss10=$(rss "${run_pid}")
  fi
  if [ "${done_runs}" -ge "${runs}" ]; then
    rss_last=$(rss "${run_pid}")
    kill -INT "${run_pid}"
    break
  fi
done
wait "${run_pid}" 2>/dev/null || true
run_pid=""
elapsed=$(($(date +%s) - started))

echo "soak: ${done_runs} runs in ${elapsed} s, ${failed_runs} not successful"
echo "soak: orvane-run VmRSS after run 10: ${rss10:-?}"
echo "soak: orvane-run VmRSS after run ${runs}: ${rss_last:-?}"
[ "${done_runs}" -ge "${runs}" ] && [ "${failed_runs}" -eq 0 ]
