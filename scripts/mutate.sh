#!/usr/bin/env bash
# Mutation testing of src/, host/ and app/ against the tests, in build/mutate.
#
#   scripts/mutate.sh [--only FILE|FOLDER] [--range A-B] [--resume] [--jobs N] [--no-stress]
#   scripts/mutate.sh summary [RESULTS]      score per folder and the survivors
#   scripts/mutate.sh compare OLD NEW        mutants that changed status between two runs
#   scripts/mutate.sh generate [--seed S] [--count N]   rewrite tests/mutation/sample.txt
#
# A run changes one source file at a time; whatever ends it (Ctrl-C, kill, a failure), the
# trap puts the file back before the script exits.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
case "${1:-}" in
    summary | compare | generate | restore) exec python3 "$here/mutate.py" "$@" ;;
esac
cd "$here/.." || exit 1
bash scripts/setup.sh || exit 1

# The run goes in the background and the script waits for it, so that a signal reaches the
# trap at once instead of after the current build or test.
python3 "$here/mutate.py" run "$@" &
child=$!
stop() {
    kill -TERM "$child" 2>/dev/null
    wait "$child"
    python3 "$here/mutate.py" restore
    exit 130
}
trap stop INT TERM HUP
wait "$child"
status=$?
python3 "$here/mutate.py" restore
exit "$status"
