#!/usr/bin/env bash
# Fuzzes the capture-date reader with damaged copies of real HEIC, AVIF, JPEG, TIFF, MP4, MOV, MKV and WebM
# files (made here with Debian's tools) for a fixed time. Build with the sanitizers first:
#   cmake -S . -B build-asan -G Ninja -DQUORVANE_SANITIZE=ON && cmake --build build-asan --target fuzz_capture_dates
#   bench/fuzz_capture_dates.sh build-asan 600
set -euo pipefail
build=${1:-build-asan}
seconds=${2:-600}
seeds=$(mktemp -d /tmp/quorvane-fuzz-seeds-XXXXXX)
trap 'rm -rf "$seeds"' EXIT
tag=(exiftool -q -overwrite_original '-DateTimeOriginal=2021:04:11 09:08:07' '-OffsetTimeOriginal=+02:00')
convert -size 64x64 xc:red "$seeds/src.png"
convert -size 64x64 xc:red -sampling-factor 4:2:0 "$seeds/src.jpg"
convert -size 8x8 xc:gray "$seeds/photo.jpg" && "${tag[@]}" "$seeds/photo.jpg"
heif-enc -q 50 "$seeds/src.png" -o "$seeds/photo.heic" >/dev/null && "${tag[@]}" "$seeds/photo.heic"
heif-enc -A "$seeds/src.jpg" -o "$seeds/photo.avif" >/dev/null && "${tag[@]}" "$seeds/photo.avif"
convert -size 8x8 xc:gray -compress none "tiff:$seeds/photo.dng" && "${tag[@]}" "$seeds/photo.dng"
clip=(ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=64x48:rate=10 -t 1 -metadata creation_time=2021-04-11T07:08:07Z -y)
"${clip[@]}" -c:v libx264 -pix_fmt yuv420p "$seeds/clip.mp4"
exiftool -q -overwrite_original '-Keys:CreationDate=2021:04:11 09:08:07+02:00' "$seeds/clip.mp4"
"${clip[@]}" -c:v libx264 -pix_fmt yuv420p "$seeds/clip.mov"
"${clip[@]}" -c:v libx264 -pix_fmt yuv420p "$seeds/clip.mkv"
"${clip[@]}" -c:v libvpx "$seeds/clip.webm"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/bench/fuzz_capture_dates" "$seconds" "$seeds"/photo.* "$seeds"/clip.*
