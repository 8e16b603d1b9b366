#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 chroot and checks that it works there:
# `apt-get install ./quorvane_*.deb` resolves its dependencies from the archive, quorvane-cli prints its help
# and a preview without a display or a session bus, the manual pages and completions are in place, and
# `quorvane` under xvfb-run shows its window. Not part of ctest: it downloads a base system and packages.
#
#   scripts/check-package.sh [PACKAGE.deb]      (default: build/quorvane_*_amd64.deb)
#
# The base system made by debootstrap is kept in $QUORVANE_CHROOT_CACHE (default
# ~/.cache/quorvane/bookworm-minbase) for a day and copied for each run, so every run starts from an untouched
# system. QUORVANE_MIRROR picks the Debian mirror. Needs root, debootstrap and a reachable mirror.
set -euo pipefail

package=${1:-}
if [ -z "$package" ]; then
    package=$(ls "$(dirname "$0")"/../build/quorvane_*_amd64.deb 2>/dev/null | head -n 1 || true)
fi
[ -f "$package" ] || { echo "check-package: no package (run cpack -G DEB in the build folder first)" >&2; exit 2; }
package=$(realpath "$package")
mirror=${QUORVANE_MIRROR:-http://deb.debian.org/debian}
cache=${QUORVANE_CHROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane/bookworm-minbase}

step() { printf '\n== %s\n' "$*"; }

if ! curl -fsI --max-time 20 "$mirror/dists/bookworm/Release" >/dev/null 2>&1 \
    && ! wget -q --spider --timeout=20 "$mirror/dists/bookworm/Release" 2>/dev/null; then
    echo "check-package: the mirror $mirror cannot be reached" >&2
    exit 2
fi

if [ ! -f "$cache/.complete" ] || [ -n "$(find "$cache/.complete" -mmin +1440)" ]; then
    step "debootstrap bookworm (minbase) into $cache"
    rm -rf "$cache"
    mkdir -p "$(dirname "$cache")"
    debootstrap --variant=minbase bookworm "$cache" "$mirror"
    touch "$cache/.complete"
fi

root=$(mktemp -d /tmp/quorvane-chroot.XXXXXX)
cleanup() {
    # The window's processes may still be ending: wait a little, then detach lazily (the mounts are slaves).
    for mount in dev proc; do
        umount -R "$root/$mount" 2>/dev/null || { sleep 2; umount -R "$root/$mount" 2>/dev/null; } \
            || umount -R -l "$root/$mount" 2>/dev/null || true
    done
    # --one-file-system: never reach through a mount that could not be taken down.
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
step "fresh copy of the base system in $root"
cp -a "$cache/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
# The device tree with its submounts, as a slave so that nothing mounted or unmounted here reaches the host.
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
cp "$package" "$root/tmp/"
inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "apt-get install ./$(basename "$package")"
inside apt-get update -qq
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$package")"

step "quorvane-cli --help (no display, no session bus)"
inside quorvane-cli --help | head -n 3
inside sh -c 'quorvane-cli --help | grep -q -- "--params JSON"'

step "a preview on a temporary folder"
inside sh -ec '
    folder=$(mktemp -d)
    touch "$folder/a.txt" "$folder/b.txt"
    out=$(quorvane-cli --params "{\"strategy\":\"prefix\",\"prefixText\":\"new-\"}" "$folder")
    printf "%s\n" "$out"
    [ "$out" = "$(printf "a.txt -> new-a.txt\nb.txt -> new-b.txt")" ]
    [ -e "$folder/a.txt" ] && [ ! -e "$folder/new-a.txt" ]'

step "the photo and video decoders opened on first use are installed"
for soname in libheif.so.1 libavformat.so.59 libavutil.so.57; do
    inside sh -c "ldconfig -p | grep -q '$soname '" || { echo "missing library: $soname" >&2; exit 1; }
    echo "$soname"
done

step "installed files"
for file in /usr/share/man/man1/quorvane.1.gz /usr/share/man/man1/quorvane-cli.1.gz \
    /usr/share/applications/io.github.quorvane.Quorvane.desktop \
    /usr/share/metainfo/io.github.quorvane.Quorvane.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/io.github.quorvane.Quorvane.svg \
    /usr/share/icons/hicolor/512x512/apps/io.github.quorvane.Quorvane.png \
    /usr/share/bash-completion/completions/quorvane-cli /usr/share/zsh/vendor-completions/_quorvane-cli; do
    inside test -s "$file" || { echo "missing: $file" >&2; exit 1; }
    echo "$file"
done
inside sh -c 'gzip -dc /usr/share/man/man1/quorvane-cli.1.gz | grep -q "^\.TH \"QUORVANE-CLI\" 1"'

step "quorvane under xvfb-run until its window shows"
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends xvfb xauth x11-utils >/dev/null
cat > "$root/tmp/wait-for-window.sh" <<'SCRIPT'
#!/bin/sh
# Runs inside xvfb-run: starts quorvane and waits for its main window, mapped at its minimum size or larger
# (Qt also makes a 1x1 leader window with the same name).
quorvane &
pid=$!
for i in $(seq 1 100); do
    shown=$(xwininfo -root -tree | grep '"Quorvane"' | grep -E ' (9[6-9][0-9]|[1-9][0-9]{3})x[0-9]+')
    if [ -n "$shown" ]; then
        echo "window shown after about $((i / 5)) s: $shown"
        kill $pid
        exit 0
    fi
    kill -0 $pid 2>/dev/null || { echo "quorvane exited" >&2; exit 1; }
    sleep 0.2
done
echo "no window after 20 s" >&2
kill $pid
exit 1
SCRIPT
chmod +x "$root/tmp/wait-for-window.sh"
inside sh -c 'export HOME=$(mktemp -d); xvfb-run -a -s "-screen 0 1280x800x24" /tmp/wait-for-window.sh'

step "all checks passed"
