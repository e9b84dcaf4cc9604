#!/usr/bin/env bash
# install_check.sh <cmake> <build dir>: installs the build with DESTDIR into a temporary root,
# checks the layout and the desktop entry, then runs the installed orvane-run with HOME and
# XDG_DATA_HOME in the temporary folder: it must seed and use the per-user folder and write
# nothing beside itself, although the installed folder is writable here.
set -euo pipefail
cmake=$1
build=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvane-install-XXXXXX")
trap 'rm -rf "${tmp}"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

DESTDIR="${tmp}/root" "${cmake}" --install "${build}" --prefix /opt/orvane >/dev/null
opt="${tmp}/root/opt/orvane"
for f in orvane-run orvane-at orvane-sim orvane.installed; do
  [ -e "${opt}/${f}" ] || fail "${f} not installed"
done
for d in cfg cfg_help help; do
  [ -n "$(ls -A "${opt}/${d}")" ] || fail "${d}/ not installed"
done
if [ -e "${build}/app/orvane" ]; then
  desktop="${tmp}/root/usr/share/applications/orvane.desktop"
  grep -qx 'Exec=/opt/orvane/orvane' "${desktop}" || fail "desktop entry: $(cat "${desktop}")"
  grep -qx 'Icon=orvane' "${desktop}" || fail "desktop entry without the icon"
  [ -s "${tmp}/root/usr/share/icons/hicolor/scalable/apps/orvane.svg" ] || fail "icon"
fi

export HOME="${tmp}/home"
export XDG_DATA_HOME="${tmp}/home/data"
export XDG_RUNTIME_DIR="${tmp}/run"
user="${XDG_DATA_HOME}/orvane"
# Only linked ports, and none linked: the run must never reach the machine's serial devices.
mkdir -p "${user}/ports" "${XDG_RUNTIME_DIR}"
chmod 700 "${XDG_RUNTIME_DIR}"
touch "${user}/ports/links-only"

(cd "${tmp}/root" && find . | sort) >"${tmp}/installed.list"
status=0
"${opt}/orvane-run" --list 'no such list' 2>"${tmp}/stderr" >/dev/null || status=$?
[ "${status}" -eq 2 ] || fail "orvane-run exit ${status}: $(cat "${tmp}/stderr")"
grep -qF "${user}/cfg" "${tmp}/stderr" || fail "not the per-user folder: $(cat "${tmp}/stderr")"
for d in cfg cfg_help help; do
  diff -r "${opt}/${d}" "${user}/${d}" >/dev/null || fail "${d}/ not seeded"
done

# A real run over no ports: it ends without a modem and saves its settings.
"${opt}/orvane-run" >/dev/null 2>&1 || true
[ -e "${user}/orvane.ini" ] || fail "no settings in the per-user folder"
(cd "${tmp}/root" && find . | sort) >"${tmp}/after.list"
diff "${tmp}/installed.list" "${tmp}/after.list" >&2 || fail "written beside the installed files"
echo "installed and seeded ${user}"
