#!/usr/bin/env bash
# Knowledge that lives in one place stays there: fails when a field group's
# box is named outside its definition, the layout and the window's header,
# when a command type is written as a number outside the frame code's table,
# or when the protocol library includes anything of Qt beyond Core.
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0

report() {
    echo "$1"
    echo "$2" | sed 's/^/    /'
    failed=1
}

boxes='txtSniffMaxIntval|txtSniffMinIntval|txtAttempt|txtTimeout|txtParkMaxIntval|txtParkMinIntval|txtPsInterval|txtPsWindow|txtIsInterval|txtIsWindow'
hits=$(grep -rnwE "$boxes" src --include='*.cpp' --include='*.h' |
    grep -vE '^src/ui/(FieldGroups\.cpp|WindowLayout\.cpp|frmParvex\.h):' || true)
[ -z "$hits" ] || report "Boxes of a field group named outside ui/FieldGroups.cpp, the layout and the header:" "$hits"

# A command type as a number: sent, recorded, compared, switched on, or the
# first column of a table row.
number='(0x[0-9A-Fa-f]+|[0-9]+)'
types="(Send(Set|Query)Cmd|recordCommandInFlight|sendStep|sendCheckBoxStep|sendHexWordsStep)\\(\\s*$number\\b|\\b(CmdType|CurCmdType|kind|type)\\s*(==|!=|=)\\s*$number\\b|\\bcase\\s+$number\\s*:|^\\s*\\{\\s*$number\\s*,\\s*\""
# The serial-port control speaks of handshaking and line settings, not of
# commands.
hits=$(grep -rnE "$types" src --include='*.cpp' --include='*.h' |
    grep -vE '^src/(protocol/Frames\.h|link/QtSerialPortControl\.cpp):' || true)
[ -z "$hits" ] || report "Command types written as numbers outside protocol/Frames.h:" "$hits"

# Core's include path reaches the other modules' headers, so the compiler
# alone would not notice.
core=$(dirname "$(find /usr/include -path '*qt6/QtCore/QByteArray' -print -quit)")
hits=""
while IFS=: read -r file line header; do
    name=${header#QtCore/}
    case "$header" in
    Q*) [ -e "$core/$name" ] || hits+="$file:$line: <$header>"$'\n' ;;
    esac
done < <(grep -rnoE '^#include <[^>]+>' src/protocol | sed -E 's/#include <([^>]+)>/\1/')
[ -z "$hits" ] || report "The protocol library includes headers beyond Qt Core:" "${hits%$'\n'}"

[ "$failed" -eq 0 ] && echo "One place for each piece of knowledge: no repeats found"
exit "$failed"
