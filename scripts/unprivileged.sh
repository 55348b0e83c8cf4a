#!/bin/sh
# Some rows need a file or folder that its owner may not use; root may use
# anything, so those rows skip themselves under root, as CI runs. When run as
# root, this runs exactly those rows again as an unprivileged user.
#   scripts/unprivileged.sh [BUILD_FOLDER]   (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
[ "$(id -u)" = 0 ] || exit 0
user=nobody
if ! command -v runuser >/dev/null || ! id "$user" >/dev/null 2>&1; then
    echo "unprivileged.sh: needs runuser and the user $user" >&2
    exit 1
fi

# The user may not reach the build folder: copy the programs to a folder it can.
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-unprivileged.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
for t in src/common/tests/tst_paths src/shell/tests/tst_shell src/catalogue/tests/tst_store \
         src/joblog/tests/tst_logfile src/shell/tests/tst_joblogwindows; do
    cp "$build/$t" "$work/"
done
mkdir -p "$work/home/run"
chmod 700 "$work/home/run"
chown -R "$user" "$work/home"

status=0
row() {
    program=$1
    shift
    echo "as $user: $program $*"
    runuser -u "$user" -- env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
        LANG=C.UTF-8 HOME="$work/home" TMPDIR="$work/home" XDG_RUNTIME_DIR="$work/home/run" \
        XDG_DATA_HOME="$work/home/share" "$work/$program" -silent "$@" || status=1
}
row tst_paths "exists:unreadable file"
row tst_shell "uninstallableCatalogue:data folder not writable"
for op in SaveEntry UpdateEntry DeleteEntry; do
    row tst_store "failure:read-only file: $op"
done
row tst_logfile "writeFailure:read-only file"
row tst_logfile "writeFailure:read-only folder, no file yet"
row tst_logfile clearRefused
row tst_joblogwindows "unwritableLog:read-only file"
exit $status
