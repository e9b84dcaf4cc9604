#!/usr/bin/env bash
# Screenshots of orvane's four windows for the README: the main window after a run against the
# simulated modem, the exchange log, the help window and the settings dialog, written as PNG
# files into docs/screenshots/. Runs everything on a virtual display of its own in a temporary
# application folder; the windows are opened by real clicks on the main window's buttons.
# ORVANE_BUILD_DIR names the build folder to use (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
# imagemagick: import takes the pictures straight from the display.
orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" xvfb xdotool fonts-dejavu-core imagemagick

build=${ORVANE_BUILD_DIR:-build}
out=docs/screenshots
if ! [ -f "${build}/CMakeCache.txt" ]; then
  cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "${build}" -j2 --target orvane orvane-sim orvane_sample_lists orvane_help_pages \
  orvane_list_help_pages

work=$(mktemp -d)
app="${work}/app"
# shellcheck source=scripts/sandbox.sh
source scripts/sandbox.sh
cleanup() {
  orvane_stop_started
  rm -rf "${work}"
}
trap cleanup EXIT

orvane_prepare_app_folder "${app}" "${work}/run"
cp "${build}/app/orvane" "${build}/app/orvane-sim" "${app}/"
cp -r "${build}/app/cfg/." "${app}/cfg/"
cp -r "${build}/app/help" "${build}/app/cfg_help" "${app}/"
export XDG_RUNTIME_DIR="${work}/run"
orvane_start_xvfb "${work}"
export QT_QPA_PLATFORM=xcb
orvane_start_sim "${app}/orvane-sim" "${app}" 1 "${work}/sim.out"

messages="${work}/messages.txt"
ORVANE_MESSAGE_COPY="${messages}" "${app}/orvane" >"${work}/orvane.out" 2>&1 &
orvane_pids+=($!)

# window <title regex>: the id of the first visible window so named (waits for it).
window() {
  timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -n1
}
# click <window> <x> <y>: a real pointer click at a point of the window.
click() {
  xdotool mousemove --window "$1" --sync "$2" "$3" click 1
}
# shot <window> <name>: the window's picture, without metadata that changes on every run.
shot() {
  import -window "$1" -strip "png:${out}/$2.png"
  echo "${out}/$2.png"
}
geometry() {
  xdotool getwindowgeometry --shell "$1"
}

main=$(window '^Тест модема$')
xdotool windowmove --sync "${main}" 0 0
eval "$(geometry "${main}" | grep -E '^(WIDTH|HEIGHT)=')"
buttons_y=$((HEIGHT - 18))

click "${main}" $((WIDTH / 2)) 58  # СТАРТ
for _ in $(seq 1200); do
  grep -q '^Тестирование завершено' "${messages}" 2>/dev/null && break
  sleep 0.1
done
mkdir -p "${out}"
shot "${main}" main_window

click "${main}" 141 "${buttons_y}"  # Ход выполнения
log=$(window '^Лог обмена с модемом')
xdotool windowmove --sync "${log}" 440 0
shot "${log}" exchange_log

click "${main}" $((WIDTH - 49)) "${buttons_y}"  # Помощь
help=$(window '^Помощь')
xdotool windowmove --sync "${help}" 0 420
# The page is laid out after the window shows: wait until a repaint has surely happened.
sleep 1
shot "${help}" help_window

click "${main}" 47 "${buttons_y}"  # Настройки
settings=$(window '^Настройки')
xdotool windowmove --sync "${settings}" 700 420
sleep 1
shot "${settings}" settings_dialog
