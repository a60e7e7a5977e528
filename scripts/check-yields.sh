#!/usr/bin/env bash
# Fails when code under src/ runs the event loop other than through LongTask::yield (src/core/ProgramLinks.cpp),
# the one yield that holds the long tasks' gate, or through the modal wait of Prompt and execDialog
# (ModalDialog::wait, src/platform/ui/ModalDialog.cpp).
#
# Every form counts: processEvents and sendPostedEvents, a QEventLoop made any way (on the stack, with new, as a
# member, a temporary), QTest's waits, a waitFor... call, the static helpers of Qt's boxes and dialogs
# (QMessageBox::warning, QFileDialog::getOpenFileName, QInputDialog::getText, QColorDialog::getColor, ...), which
# run a modal loop of their own and escape the end's closing of every box, a progress dialog (its setValue runs
# the loop), exec() in a window or the composition root (a dialog, a menu, a drag) and, in any folder, exec() of
# something named as a box, a menu, a dialog, a drag or a loop (a logic folder holds no widget at all, which
# scripts/check-layers.py sees to, so a box's or a menu's exec() can stand only in the window and root folders,
# whatever its variable is called). What a logic folder may still hold with a loop of its own, a drag (QtGui's)
# or the application, is found by its type: exec() on the class, on a line naming it, or on any name a logic
# folder declares or sets on a line naming it ("QDrag d(source);" and then "d.exec(...)"), whatever that name
# (scripts/check-layers.py refuses a drag there outright, however it is reached).
# What may run a loop is allowed line by line below, by its file and its exact text, so a new loop in the same
# file is found as well.
#
# Usage: check-yields.sh [project folder]   (the folder this script is in, by default)
set -uo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root" || exit 2

# file <TAB> the line's text without its indentation
allowed=$(
    cat <<'EOF'
src/core/ProgramLinks.cpp	QCoreApplication::processEvents(flags);
src/platform/ui/ModalDialog.cpp	QEventLoop answered;
src/platform/ui/ModalDialog.cpp	answered.exec(QEventLoop::DialogExec);
src/capture/clsSound.cpp	QCoreApplication::sendPostedEvents(s.engine);
src/capture/clsSound.cpp	QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
src/app/main.cpp	const int code = app.exec();
src/platform/SingleInstance.cpp	if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
src/platform/SingleInstance.cpp	socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
src/platform/SingleInstance.cpp	socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
EOF
)
# Why each is allowed: the one yield; the modal wait every dialog and box passes; the speech engine let go after the
# loop has ended; the program's own loop; and the single-instance check, which waits on the running copy's
# socket with a deadline before any window or loop exists.

anywhere='processEvents *\(|sendPostedEvents *\(|\bQEventLoop\b($|[^:]|::[a-z_])|\bQTest|\bqWait|waitFor[A-Z]'
# The static helpers only: a box's own members (an event handler a subclass passes on) run no loop.
anywhere+='|\bQMessageBox::(about|aboutQt|critical|information|question|warning) *\('
anywhere+='|\bQ(FileDialog|InputDialog|ColorDialog|FontDialog)::get[A-Za-z]* *\(|\bQProgressDialog\b'
# A dialog's, a menu's or a drag's exec() is made where widgets are: the ui folders and the composition root.
widgets='\bexec *\('
windowFolders='^src/([^/:]+/)*(ui|app)/'
# What a logic folder can reach whose exec() runs a loop: a drag, an event loop, the application.
loopers='\b(QDrag|QEventLoop|QTestEventLoop|QCoreApplication|QGuiApplication|QApplication|qApp|qGuiApp)\b'
# The names bound to one of them in a logic folder: declared right after the type ("QDrag d", "QPointer<QDrag> m"),
# or set on a line that names it ("auto* app = QCoreApplication::instance();").
names=$(
    grep -rhP "$loopers" src --include='*.cpp' --include='*.h' --exclude-dir=ui --exclude-dir=app |
        grep -oP "${loopers}[\s*&>]*(const\b[\s*&]*)?\K[A-Za-z_]\w*|[A-Za-z_]\w*(?=\s*=[^=])" | sort -u | paste -sd'|'
)

hits=$(
    {
        grep -rnE "$anywhere" src --include='*.cpp' --include='*.h'
        grep -rnE "$widgets" src --include='*.cpp' --include='*.h' | grep -E "$windowFolders"
        # Elsewhere an exec() that names a dialog, a box, a menu, a drag or a loop on its line (a statement's or a
        # database's exec() names none), or that reaches one of the loopers by its class or a name bound to it.
        grep -rnE "$widgets" src --include='*.cpp' --include='*.h' | grep -iE 'dialog|box|menu|drag|loop'
        grep -rnE "$widgets" src --include='*.cpp' --include='*.h' | grep -vE "$windowFolders" |
            grep -P "$loopers|\b(${names:-(?!)})\s*(\([^()]*\))?\s*(\.|->)\s*exec\s*\("
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
