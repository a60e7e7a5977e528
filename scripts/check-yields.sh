#!/usr/bin/env bash
# Fails when code under src/ runs the event loop other than through LongTask::yield (src/core/ProgramLinks.cpp),
# the one yield that holds the long tasks' gate, or through the modal steps of Prompt and execDialog.
#
# Every form counts: processEvents and sendPostedEvents, a QEventLoop made any way (on the stack, with new, as a
# member, a temporary), QTest's waits, a waitFor... call, the static helpers of Qt's boxes and dialogs
# (QMessageBox::warning, QFileDialog::getOpenFileName, QInputDialog::getText, QColorDialog::getColor, ...), which
# run a modal loop of their own and escape the end's closing of every box, a progress dialog (its setValue runs
# the loop), exec() in a window or the composition root (a dialog, a menu, a drag) and, in any folder, exec() of
# something named as a box, a menu, a dialog, a drag or a loop (a logic folder holds no widget at all, which
# scripts/check-layers.py sees to, so a box's or a menu's exec() can stand only in the window and root folders,
# whatever its variable is called). What may run a loop is allowed line by line below,
# by its file and its exact text, so a new loop in the same file is found as well.
#
# Usage: check-yields.sh [project folder]   (the folder this script is in, by default)
set -uo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root" || exit 2

# file <TAB> the line's text without its indentation
allowed=$(
    cat <<'EOF'
src/core/ProgramLinks.cpp	QCoreApplication::processEvents(flags);
src/platform/ui/ModalDialog.cpp	const int result = dialog.exec();
src/platform/ui/WidgetPrompt.cpp	const int result = dialog->exec();
src/capture/clsSound.cpp	QCoreApplication::sendPostedEvents(s.engine);
src/capture/clsSound.cpp	QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
src/app/main.cpp	const int code = app.exec();
src/platform/SingleInstance.cpp	if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
src/platform/SingleInstance.cpp	socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
src/platform/SingleInstance.cpp	socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
EOF
)
# Why each is allowed: the one yield; the modal steps (a dialog, a box); the speech engine let go after the
# loop has ended; the program's own loop; and the single-instance check, which waits on the running copy's
# socket with a deadline before any window or loop exists.

anywhere='processEvents *\(|sendPostedEvents *\(|\bQEventLoop\b($|[^:]|::[a-z_])|\bQTest|\bqWait|waitFor[A-Z]'
# The static helpers only: a box's own members (an event handler a subclass passes on) run no loop.
anywhere+='|\bQMessageBox::(about|aboutQt|critical|information|question|warning) *\('
anywhere+='|\bQ(FileDialog|InputDialog|ColorDialog|FontDialog)::get[A-Za-z]* *\(|\bQProgressDialog\b'
# A dialog's, a menu's or a drag's exec() is made where widgets are: the ui folders and the composition root.
widgets='\bexec *\('

hits=$(
    {
        grep -rnE "$anywhere" src --include='*.cpp' --include='*.h'
        grep -rnE "$widgets" src --include='*.cpp' --include='*.h' | grep -E '^src/([^/:]+/)*(ui|app)/'
        # Elsewhere an exec() that names a dialog, a box, a menu, a drag or a loop on its line (a statement's or a
        # database's exec() names none).
        grep -rnE "$widgets" src --include='*.cpp' --include='*.h' | grep -iE 'dialog|box|menu|drag|loop'
    } | sort -u -t: -k1,1 -k2,2n
)

bad=""
while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file=${hit%%:*}
    rest=${hit#*:}
    code=${rest#*:}
    trimmed=$(printf '%s' "$code" | sed -E 's/^[[:space:]]+//; s/[[:space:]]+$//')
    case $trimmed in
    //* | '#include'*) continue ;;
    esac
    if printf '%s\n' "$allowed" | grep -qxF "$file	$trimmed"; then
        continue
    fi
    bad+="$hit"$'\n'
done <<<"$hits"

if [ -n "$bad" ]; then
    echo "check-yields: the event loop runs here outside LongTask::yield and the modal steps:" >&2
    printf '%s' "$bad" | sed 's/^/    /' >&2
    exit 1
fi
echo "check-yields: ok"
