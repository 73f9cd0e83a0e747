#!/bin/sh
# Stands in for the system's file picker in tests (set FERNCARD_FILE_DIALOG to this file).
# Arguments: open|save, the dialog title, the initial file name and, when given, the initial folder.
# $FERNCARD_PICKER_DIR/calls gets one line per call: the arguments joined by "|".
# While $FERNCARD_PICKER_DIR/hold exists the picker stays open. Then it prints the content of
# $FERNCARD_PICKER_DIR/answer as the chosen path; without that file it is cancelled (exit 1).
dir=${FERNCARD_PICKER_DIR:?}
if [ $# -ge 4 ]; then line="$1|$2|$3|$4"; else line="$1|$2|$3"; fi
printf '%s\n' "$line" >> "$dir/calls"
while [ -e "$dir/hold" ]; do sleep 0.05; done
[ -e "$dir/answer" ] || exit 1
cat "$dir/answer"
echo
