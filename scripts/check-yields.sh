#!/usr/bin/env bash
# Fails when code under src/ runs the event loop other than through LongTask::yield (src/core/ProgramLinks.cpp),
# the one yield that holds the long tasks' gate. Modal boxes and dialogs run their own loops through Prompt and
# execDialog; the program's own loop is main's; the speech engine is let go after the loop has ended.
set -uo pipefail
cd "$(dirname "$0")/.."
allowed='^src/(core/ProgramLinks\.cpp|platform/ui/WidgetPrompt\.cpp|capture/clsSound\.cpp):'
hits=$(grep -rnE 'processEvents *\(|sendPostedEvents *\(|QEventLoop +[A-Za-z_]+ *[;({]' src --include='*.cpp' --include='*.h' |
    grep -vE "$allowed" | grep -vE '^[^:]+:[0-9]+: *//')
if [ -n "$hits" ]; then
    echo "check-yields: the event loop runs here outside LongTask::yield:" >&2
    printf '    %s\n' "$hits" >&2
    exit 1
fi
echo "check-yields: ok"
