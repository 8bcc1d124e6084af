#!/usr/bin/env bash
# Fails when a source folder includes from a folder that stands above it.
# The folders are layers, from plain code at the bottom to the program at the
# top; each may include only from itself and the folders listed for it. A new
# folder has to be given its place here before anything can include it.
set -euo pipefail
src=${1:?usage: check_layers.sh SRC_FOLDER}

declare -A allowed=(
    [base]="base"
    [speech]="base speech"
    [agent]="base speech agent"
    [ui]="base speech agent ui"
    [services]="base speech agent ui services"
    [converter]="base speech agent ui services converter"
    [player]="base speech agent ui services player"
    [app]="base speech agent ui services converter player app"
    [say]="base speech say"
    [chartool]="base speech agent chartool"
)

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [ -z "${allowed[$folder]+x}" ]; then
        echo "src/$folder has no place among the layers (tests/layering/check_layers.sh)"
        status=1
        continue
    fi
    while IFS= read -r hit; do
        file=${hit%%:*}
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$hit")
        case " ${allowed[$folder]} " in
        *" $target "*) ;;
        *)
            echo "${file#"$src"/} includes from $target/, which stands above $folder/ or beside it"
            status=1
            ;;
        esac
    done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" || true)
done
if [ $status -eq 0 ]; then
    echo "Every include runs down the layers."
fi
exit $status
