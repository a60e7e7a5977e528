#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as .clang-format describes; `make format` fixes it.
set -uo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format: clang-format is not installed (scripts/bootstrap.sh installs it)" >&2
    exit 1
fi
bad=()
while IFS= read -r f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools bench -name '*.cpp' -o -name '*.h')
if [ ${#bad[@]} -gt 0 ]; then
    echo "check-format: these files are not formatted (run 'make format'):" >&2
    printf '    %s\n' "${bad[@]}" >&2
    exit 1
fi
echo "check-format: ok"
