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
# shellcheck source=scripts/sandbox.sh
source scripts/sandbox.sh
orvane_prepare_app_folder "${demo}" "${demo}/run"
export XDG_RUNTIME_DIR="${PWD}/${demo}/run"
trap orvane_stop_started EXIT
orvane_start_sim "${demo}/orvane-sim" "${demo}" 1 "${demo}/run/orvane-sim.out"
echo "=== simulated modem on ${orvane_sim_dev} as COM1"

if [ -n "${DISPLAY:-}" ] && [ -x "${demo}/orvane" ]; then
  echo "=== orvane (close the window to end the demo)"
  "${demo}/orvane"
else
  echo "=== orvane-run (no display: the headless report)"
  "${demo}/orvane-run"
fi
