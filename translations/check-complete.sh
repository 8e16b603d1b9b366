#!/bin/sh
# Fails when a text of the sources has no translation: reads the sources into a copy of each .ts (as the
# lupdate target would) and lists the texts that come out unfinished or empty.
#   translations/check-complete.sh LUPDATE SOURCE_DIR
set -eu
lupdate=$1
source=$2
copies=$(mktemp -d)
trap 'rm -rf "$copies"' EXIT
status=0
for ts in "$source"/translations/quorvane_*.ts; do
    copy="$copies/$(basename "$ts")"
    cp "$ts" "$copy"
    (cd "$source" && "$lupdate" -silent -no-obsolete -locations none app views state updates cli -ts "$copy")
    missing=$(awk '
        /<source>/ { text = $0; sub(/.*<source>/, "", text); sub(/<\/source>.*/, "", text) }
        /<translation type="unfinished"/ || /<translation><\/translation>/ || /<translation\/>/ { print "  " text }
    ' "$copy")
    if [ -n "$missing" ]; then
        echo "$(basename "$ts"): texts without a translation:"
        echo "$missing"
        status=1
    fi
done
exit $status
