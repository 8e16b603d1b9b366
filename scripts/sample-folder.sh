#!/usr/bin/env bash
# Makes a small folder of sample files to try Quorvane on (existing files there are left alone).
set -euo pipefail
folder="${1:-/tmp/quorvane-sample}"
mkdir -p "$folder/Trip"
for n in 0001 0002 0003 0010; do
    [ -e "$folder/IMG_$n.JPG" ] || printf 'photo %s\n' "$n" > "$folder/IMG_$n.JPG"
done
for name in "holiday notes.txt" "Straße.md" "archive.tar.gz" "README" "Trip/IMG_0100.jpg" "Trip/beach.png"; do
    [ -e "$folder/$name" ] || printf 'sample\n' > "$folder/$name"
done
echo "Sample folder: $folder"
