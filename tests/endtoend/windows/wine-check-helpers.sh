# Shared by the checks of the Windows brenmark-cli under Wine (sourced, not run).
# Expects $work (a scratch folder), $wine_run and $cli.
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() {  # expect TEXT FILE
  grep -qF -- "$1" "$2" || { cat "$2" >&2; fail "'$1' missing from $(basename "$2")"; }
}
wcli() { "$wine_run" "$cli" --data-dir "$work/data" "$@"; }
# A path the Windows program printed (CR LF line ends, backslashes) as a Linux path.
to_linux() { tr -d '\r' | sed 's|\\|/|g; s|^[A-Za-z]:|/|'; }
# A Linux path as the Windows program takes it on its command line.
to_windows() { winepath -w "$1" 2>/dev/null || echo "$1"; }
# The same path in the extended form ("\\?\Z:\...").
extended() { printf '\\\\?\\%s' "$(to_windows "$1")"; }
