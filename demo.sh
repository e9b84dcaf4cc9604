#!/usr/bin/env bash
# The tool against the simulated modem: builds orvane, prepares its own application folder
# build/demo (only linked ports, COM1 as the single port to check), starts orvane-sim there as
# COM1 and runs the desktop tool when a display is available, otherwise orvane-run with the
# first sample list, printing its report. The simulated modem is stopped afterwards.
set -euo pipefail
cd "$(dirname "$0")"

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}"

echo "=== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BUILD_TESTS=OFF >/dev/null
targets=(orvane-run orvane-sim orvane_sample_lists orvane_help_pages orvane_list_help_pages)
if cmake --build build --target help | grep -q '^orvane:'; then
  targets+=(orvane)
fi
cmake --build build -j2 --target "${targets[@]}"

demo=build/demo
rm -rf "${demo}"
cp -r build/app "${demo}"
mkdir -p "${demo}/ports"
mkdir -m 700 "${demo}/run"  # a runtime folder must be private, or Qt complains
touch "${demo}/ports/links-only"
# The settings file in UTF-8: orvane reads and keeps it so.
cat > "${demo}/orvane.ini" <<'INI'
[Общие]
Номер последнего найденного COM-порта=1
[Отладка]
Проверять только один COM-порт=1
INI
export XDG_RUNTIME_DIR="${PWD}/${demo}/run"

sim_out="${demo}/run/orvane-sim.out"
"${demo}/orvane-sim" --port 1 --app-folder "${demo}" >"${sim_out}" 2>&1 &
sim_pid=$!
cleanup() {
  kill "${sim_pid}" 2>/dev/null || true
  wait "${sim_pid}" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  if [ -s "${sim_out}" ] || ! kill -0 "${sim_pid}" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if ! [ -L "${demo}/ports/com1" ]; then
  echo "the simulated modem did not start:" >&2
  cat "${sim_out}" >&2
  exit 1
fi
echo "=== simulated modem on $(head -n1 "${sim_out}") as COM1"

if [ -n "${DISPLAY:-}" ] && [ -x "${demo}/orvane" ]; then
  echo "=== orvane (close the window to end the demo)"
  "${demo}/orvane"
else
  echo "=== orvane-run (no display: the headless report)"
  "${demo}/orvane-run"
fi
