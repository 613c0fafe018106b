#!/usr/bin/env bash
# Makes the user's table anew from the shipped one: copies the shipped table and adds again
# every fluid listed in the user's list of added fluids (lines "CODE FOLDER"), fitted onto the
# shipped coefficient sets. A fluid that cannot be added again is reported and left out of the
# table; it stays in the list.
#   user_table.sh <fit tool> <shipped table> <user table> <list of added fluids>
set -uo pipefail
tool=$1 shipped=$2 table=$3 list=$4
tmp="$table.building"
cp "$shipped" "$tmp" || exit 1
if [ -s "$list" ]; then
    while read -r code folder; do
        [ -n "$code" ] || continue
        echo "adding $code again from $folder"
        if ! "$tool" add "$folder" "$code" "$tmp" "$tmp" >"$tmp.log" 2>&1; then
            echo "could not add $code again (its entry is left out):"
            tail -n 1 "$tmp.log"
        fi
    done <"$list"
fi
rm -f "$tmp.log"
mv "$tmp" "$table"
# The library's metadata of the shipped fluids goes along (added fluids are not in it).
meta="${shipped%.tab}.fluids.csv"
if [ -f "$meta" ]; then cp "$meta" "${table%.tab}.fluids.csv"; fi
