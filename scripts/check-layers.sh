#!/usr/bin/env bash
# The uninstaller's layers, lowest first: base, thread, setuplog, engine, ui, startup. A file
# may include its own folder, the layers below it and the shared win32/, journal/ and recovery/.
# An include that goes upward must say so ("upward") in a comment on its line or atop its block
# of includes, because the design asks for it there. win32/ includes nothing of the project but
# itself; journal/, which both programs share, nothing but itself and no Windows header; and
# recovery/ (setup's journal in the registry and its undo, which both programs run) nothing but
# itself, win32/ and journal/.
# The glossary's DICT protocol and dictd text readers include no Windows header either.
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A below=(
    [base]="base"
    [thread]="thread"
    [setuplog]="setuplog base"
    [engine]="engine setuplog thread base"
    [ui]="ui engine setuplog thread base"
    [startup]="startup ui engine setuplog thread base"
)
bad=0
report() {
    echo "$1:$2: $3"
    bad=1
}

for layer in "${!below[@]}"; do
    for file in uninstall/"$layer"/*.cpp uninstall/"$layer"/*.h; do
        [ -e "$file" ] || continue
        mapfile -t lines <"$file"
        for i in "${!lines[@]}"; do
            line=${lines[$i]}
            [[ $line =~ ^#include\ \"([^\"]+)\" ]] || continue
            target=${BASH_REMATCH[1]}
            [[ $target == */* ]] || continue # its own folder
            folder=${target%%/*}
            [ "$folder" = win32 ] || [ "$folder" = journal ] || [ "$folder" = recovery ] && continue
            if [ "$folder" = .. ] || [ "$folder" = . ]; then
                report "$file" $((i + 1)) "relative include $target"
                continue
            fi
            [[ " ${below[$layer]} " == *" $folder "* ]] && continue
            # The line itself and the block of lines it stands in, up to the blank line above.
            context="$line"
            for ((back = i - 1; back >= 0; back--)); do
                [ -z "${lines[$back]}" ] && break
                context+=" ${lines[$back]}"
            done
            if ! grep -qi 'upward' <<<"$context"; then
                report "$file" $((i + 1)) "$layer/ includes $target from a layer above it"
            fi
        done
    done
done

# The shared building blocks stand on their own.
while IFS=: read -r file number text; do
    report "$file" "$number" "win32/ includes $text"
done < <(grep -n '^#include "' win32/*.h | grep -v '^[^:]*:[0-9]*:#include "[A-Za-z]*\.h"')

# The journals' core is portable, below both programs.
while IFS=: read -r file number text; do
    report "$file" "$number" "journal/ includes $text"
done < <(grep -n '^#include' journal/*.h journal/*.cpp |
    grep -v -e '^[^:]*:[0-9]*:#include "[A-Za-z]*\.h"' -e '^[^:]*:[0-9]*:#include <[a-z_]*>')

# Setup's journal and its undo stand on the shared blocks alone, below both programs.
while IFS=: read -r file number text; do
    report "$file" "$number" "recovery/ includes $text"
done < <(grep -n '^#include "' recovery/*.h recovery/*.cpp |
    grep -v -e '^[^:]*:[0-9]*:#include "[A-Za-z0-9]*\.h"' -e '^[^:]*:[0-9]*:#include "\(win32\|journal\)/')

# The DICT protocol, the reading of dictd text and the groups of dictionaries are portable:
# built natively and fuzzed, they include no Windows header and nothing of the window.
while IFS=: read -r file number text; do
    report "$file" "$number" "portable code includes $text"
done < <(grep -n '^#include' glossary/dict/*.h glossary/dict/*.cpp glossary/dicttext/*.h \
    glossary/dicttext/*.cpp glossary/groups/*.h glossary/groups/*.cpp | grep -i -e '<windows' -e '<winsock' -e '<ws2' -e '"window/' -e '"win32/')

[ "$bad" -eq 0 ] && echo "layers: no include points upward unannounced"
exit "$bad"
