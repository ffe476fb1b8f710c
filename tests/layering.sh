#!/bin/bash
# The layering test: tests/layering.sh SOURCE-FOLDER
# Fails, naming the file, the line and the include, when a source of a folder in
# layers.txt includes a header of a folder it may not use (a header named without a
# folder is one beside the source), and when a folder uses one listed after it.
set -u
root=$1
table=$root/layers.txt
[ -r "$table" ] || { echo "$table: missing"; exit 1; }
refused=0
scanned=0
listed=" "
while read -r folder uses; do
    case "$folder" in '' | '#'*) continue ;; esac
    for used in $uses; do
        case "$listed" in *" $used "*) ;; *)
            echo "layers.txt: $folder/ uses $used/, which is not listed before it"
            refused=$((refused + 1)) ;;
        esac
    done
    listed="$listed$folder "
    allowed=" $folder $uses "
    for source in "$root/src/$folder"/*.h "$root/src/$folder"/*.cpp; do
        [ -e "$source" ] || continue
        scanned=$((scanned + 1))
        while IFS=: read -r line header; do
            used=${header%%/*}
            [ "$used" = "$header" ] && used=$folder
            case "$allowed" in *" $used "*) continue ;; esac
            echo "${source#"$root"/}:$line: includes \"$header\"; $folder/ may use only: ${uses:-nothing}"
            refused=$((refused + 1))
        done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$source" |
                 sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
    done
done < "$table"
[ "$scanned" -gt 0 ] || { echo "no sources found in the folders of $table"; exit 1; }
[ "$refused" -eq 0 ] || { echo "$refused break(s) of the layers in layers.txt"; exit 1; }
