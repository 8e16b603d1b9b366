#!/usr/bin/env bash
# Whole-process comparison of quorvane-cli with other renaming tools on one job: add the prefix "new_" to every
# file of a freshly made folder. Each run gets a new folder (hyperfine's --prepare), so no tool ever sees the
# names another run left. Tools: quorvane-cli, mmv, rename.ul (util-linux), perl rename, and a bare C loop of
# readdir plus renameat2(RENAME_NOREPLACE) as the floor. After each tool's last run the folder is counted: a
# tool that did not rename every file is reported as such.
#
# Usage: bench/compare_cli.sh QUORVANE_CLI [SIZES] [FILESYSTEMS] [RUNS]
#   QUORVANE_CLI   the binary to measure (a RelWithDebInfo build: build/cli/quorvane-cli)
#   SIZES          file counts, default "10000 100000"
#   FILESYSTEMS    folders to work in, default "/dev/shm /var/tmp" (a tmpfs and the root file system)
#   RUNS           runs per measurement, default 10 (5 at 100,000 files and more)
# Extra binaries to compare, each labelled: EXTRA_CLI="label=/path/to/quorvane-cli ..." (a baseline build).
# Needs hyperfine, jq, a C compiler; installs the Debian packages mmv and rename when they are missing.
set -euo pipefail
cli=$(realpath "${1:?path to quorvane-cli}")
sizes=${2:-"10000 100000"}
filesystems=${3:-"/dev/shm /var/tmp"}
runs=${4:-}

if ! command -v mmv >/dev/null || ! command -v file-rename >/dev/null; then
    apt-get install -y mmv rename >/dev/null
fi
for tool in hyperfine jq cc rename.ul; do
    command -v "$tool" >/dev/null || { echo "compare_cli.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"; for fs in $filesystems; do rm -rf "$fs/quorvane-compare.$$"; done' EXIT
# The journal and settings of quorvane-cli stay out of the user's home.
export XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"

cat >"$work/floor.c" <<'EOF'
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* The least any tool must do: read the folder, then rename each entry, refusing to replace. */
int main(int argc, char **argv)
{
    DIR *dir = opendir(argv[1]);
    if (!dir)
        return 1;
    int fd = dirfd(dir);
    size_t capacity = 1 << 20, used = 0;
    char *names = malloc(capacity);
    struct dirent *entry;
    while ((entry = readdir(dir))) {
        if (entry->d_name[0] == '.')
            continue;
        size_t length = strlen(entry->d_name) + 1;
        if (used + length > capacity)
            names = realloc(names, capacity *= 2);
        memcpy(names + used, entry->d_name, length);
        used += length;
    }
    char target[512];
    int failed = 0;
    for (size_t at = 0; at < used; at += strlen(names + at) + 1) {
        snprintf(target, sizeof target, "new_%s", names + at);
        failed |= renameat2(fd, names + at, fd, target, RENAME_NOREPLACE) != 0;
    }
    return failed;
}
EOF
cc -O2 -o "$work/floor" "$work/floor.c"

# label, then the command (run through bash, so globs and pipes work; hyperfine subtracts the shell's start).
tools=("quorvane-cli" "$cli --params '{\"strategy\":\"prefix\",\"prefixText\":\"new_\"}' --apply DIR >/dev/null")
for extra in ${EXTRA_CLI:-}; do
    tools+=("${extra%%=*}" "$(realpath "${extra#*=}") --params '{\"strategy\":\"prefix\",\"prefixText\":\"new_\"}' --apply DIR >/dev/null")
done
tools+=("mmv" "cd DIR && mmv '*' 'new_#1'")
# Above about 100,000 names a glob no longer fits in one command line (E2BIG): the names go through xargs then.
tools+=("rename.ul" "cd DIR && NAMES rename.ul file_ new_file_ GLOB")
tools+=("perl rename" "cd DIR && NAMES file-rename 's/^/new_/' GLOB")
tools+=("C floor" "$work/floor DIR")

rows="$work/rows.tsv"
: >"$rows"
for fs in $filesystems; do
    fstype=$(df --output=fstype "$fs" | tail -1)
    dir="$fs/quorvane-compare.$$"
    for size in $sizes; do
        count=${runs:-$([ "$size" -ge 100000 ] && echo 5 || echo 10)}
        prepare="rm -rf '$dir' && mkdir '$dir' && cd '$dir' && seq -f 'file_%06g.txt' 1 $size | xargs touch"
        for ((i = 0; i < ${#tools[@]}; i += 2)); do
            label=${tools[i]}
            command=${tools[i + 1]//DIR/$dir}
            if [ "$size" -ge "${XARGS_FROM:-100000}" ]; then
                command=${command//NAMES/printf \'%s\\0\' * | xargs -0}
                command=${command// GLOB/}
            else
                command=${command//NAMES /}
                command=${command//GLOB/*}
            fi
            echo "$fs $size: $command" >&2
            json="$work/result.json"
            hyperfine --style none --runs "$count" --prepare "$prepare" --export-json "$json" "$command" >/dev/null
            renamed=$(find "$dir" -maxdepth 1 -name 'new_file_*' | wc -l)
            [ "$renamed" -eq "$size" ] || label="$label (renamed only $renamed)"
            jq -r --arg name "$label" --arg fs "$fstype" --arg size "$size" \
                '.results[0] | [$fs, $size, $name, .median, .user, .system] | @tsv' "$json" >>"$rows"
        done
    done
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# Wall time is the median of the runs; user and system time are hyperfine's means.
awk -F'\t' 'BEGIN { printf "%-10s %8s  %-30s %10s %8s %8s\n", "filesystem", "files", "tool", "median ms", "user ms", "sys ms" }
    { printf "%-10s %8s  %-30s %10.0f %8.0f %8.0f\n", $1, $2, $3, $4 * 1000, $5 * 1000, $6 * 1000 }' "$rows"
