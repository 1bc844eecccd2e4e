# Sourced by the scripts here: check WHAT COMMAND... runs the command, prints "ok" or "FAIL" with
# its output, and remembers a failure for the script's exit status. $work is a scratch folder.
work=$(mktemp -d) failed=0
trap 'rm -rf "$work"' EXIT
check() {
    if "${@:2}" >"$work/out" 2>&1; then echo "ok   $1"; else
        echo "FAIL $1" && sed 's/^/     /' "$work/out" | head -20
        failed=1
    fi
}
