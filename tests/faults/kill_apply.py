#!/usr/bin/env python3
"""Kills `quorvane-cli --apply` at random moments of a batch and checks that recovery loses nothing.

For each configuration (volume, strategy, signal, rename primitive) a folder of files with unique contents is
renamed again and again; each run is killed (SIGKILL, or SIGINT) a random time after its journal appears, then
the interrupted batch is recovered, finishing it and taking it back in turn. After each recovery every file must
exist exactly once, under its new name (finish) or its old one (undo), with its contents, and no hidden temporary
name or empty placeholder may be left. A finished batch is then undone with `--undo`, which is checked the same
way, so every trial starts from the original names.

Not part of ctest: it takes minutes. Usage:
  tests/faults/kill_apply.py BUILD_DIR [--trials 100] [--files 5000] [--fat-files 100] [--budget SECONDS]
Needs root for the FAT volume (fusefat, mkfs.fat, fusermount) and a C compiler for the preload shim.
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
STRATEGIES = {
    "prefix": ('{"strategy":"prefix","prefixText":"p_"}', lambda name: "p_" + name),
    # The extension is kept as it is.
    "upper": ('{"strategy":"uppercase"}', lambda name: name[:-4].upper() + name[-4:]),
}


def old_name(index):
    return "photo%05d.jpg" % index


class Config:
    def __init__(self, volume, strategy, sig, fallback):
        self.volume, self.strategy, self.sig, self.fallback = volume, strategy, sig, fallback

    def __str__(self):
        return "%s/%s/%s/%s" % (self.volume, self.strategy, self.sig, self.fallback)


class Volume:
    """A scratch folder on ext4 (/tmp) or on a freshly formatted FAT image mounted with fusefat."""

    def __init__(self, kind):
        self.kind = kind
        self.base = tempfile.mkdtemp(prefix="quorvane-faults-")
        self.mounted = None
        if kind == "fat":
            image = os.path.join(self.base, "volume.img")
            mount = os.path.join(self.base, "mnt")
            os.mkdir(mount)
            with open(image, "wb") as out:
                out.truncate(64 * 1024 * 1024)
            subprocess.run(["mkfs.fat", image], check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["fusefat", "-o", "rw+", image, mount], check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.ismount(mount):
                    break
                time.sleep(0.05)
            self.mounted = mount
            # The volume's root folder (512 entries on FAT16, so small batches): fusefat 1.0 overwrites the first
            # file of a subfolder with directory entries after renames in that subfolder, even with plain rename(2).
            self.folder = mount
        else:
            self.folder = os.path.join(self.base, "photos")
            os.mkdir(self.folder)

    def close(self):
        if self.mounted:
            for _ in range(20):
                if subprocess.run(["fusermount", "-u", self.mounted], stderr=subprocess.DEVNULL).returncode == 0:
                    break
                time.sleep(0.1)
        shutil.rmtree(self.base, ignore_errors=True)


def check(folder, count, expected):
    """Counts lost, duplicated, misplaced and leftover entries; `expected` maps an index to its name."""
    found = {}
    duplicates = leftovers = misplaced = 0
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        with open(path, "rb") as handle:
            data = handle.read()
        if name.startswith(".") or not data:
            leftovers += 1
            continue
        words = data.split()
        if len(words) != 2 or words[0] != b"file" or not words[1].isdigit():
            print("  unexpected contents in %s: %r" % (name, data[:40]), file=sys.stderr)
            leftovers += 1
            continue
        index = int(words[1])
        if index in found:
            duplicates += 1
        found[index] = name
        if name != expected(index):
            misplaced += 1
    lost = count - len(found)
    return {"lost": lost, "duplicates": duplicates, "leftovers": leftovers, "misplaced": misplaced}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--trials", type=int, default=100)
    parser.add_argument("--files", type=int, default=5000)
    parser.add_argument("--fat-files", type=int, default=100)
    parser.add_argument("--budget", type=float, default=0, help="seconds per configuration (0: no limit)")
    parser.add_argument("--only", default="", help="run only configurations whose name contains this")
    args = parser.parse_args()
    cli = os.path.join(os.path.abspath(args.build), "cli", "quorvane-cli")

    shim_dir = tempfile.mkdtemp(prefix="quorvane-shim-")
    shim = os.path.join(shim_dir, "no_rename_noreplace.so")
    subprocess.run(["cc", "-shared", "-fPIC", "-o", shim, os.path.join(HERE, "no_rename_noreplace.c")], check=True)

    configs = []
    for volume in ("ext4", "fat"):
        for strategy in ("prefix", "upper"):
            for sig in ("KILL", "INT"):
                configs.append(Config(volume, strategy, sig, "native"))
    for strategy in ("prefix", "upper"):
        for sig in ("KILL", "INT"):
            configs.append(Config("ext4", strategy, sig, "link"))

    totals = {"trials": 0, "interrupted": 0, "untouched": 0, "lost": 0, "duplicates": 0, "leftovers": 0, "misplaced": 0,
              "failedCommands": 0}
    for config in configs:
        if args.only and args.only not in str(config):
            continue
        volume = Volume(config.volume)
        state = tempfile.mkdtemp(prefix="quorvane-faults-state-")
        env = dict(os.environ, XDG_STATE_HOME=state)
        if config.fallback == "link":
            env["LD_PRELOAD"] = shim
        journal_dir = os.path.join(state, "Quorvane")
        count = args.fat_files if config.volume == "fat" else args.files
        params, new_of = STRATEGIES[config.strategy]
        for index in range(count):
            with open(os.path.join(volume.folder, old_name(index)), "w") as out:
                out.write("file %d\n" % index)

        def run(*arguments):
            return subprocess.run([cli, *arguments], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  text=True)

        def start_batch():
            child = subprocess.Popen([cli, "--apply", "--params", params, volume.folder], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while child.poll() is None and not (os.path.isdir(journal_dir) and any(
                    n.endswith(".running") for n in os.listdir(journal_dir))):
                time.sleep(0.0005)
            return child

        # How long the renaming of one batch takes, from its journal's appearance: the kills fall within it.
        child = start_batch()
        started = time.monotonic()
        child.wait()
        duration = time.monotonic() - started
        run("--undo", volume.folder)
        tally = dict.fromkeys(totals, 0)
        config_start = time.monotonic()
        for trial in range(args.trials):
            if args.budget and time.monotonic() - config_start > args.budget:
                break
            child = start_batch()
            time.sleep(random.uniform(0, duration))
            if child.poll() is None:
                child.send_signal(signal.SIGKILL if config.sig == "KILL" else signal.SIGINT)
            child.wait()
            finish = trial % 2 == 0
            tally["trials"] += 1
            listed = run("--journal", volume.folder).stdout
            if "interrupted" in listed:
                tally["interrupted"] += 1
                recovered = run("--recover", "finish" if finish else "undo", volume.folder)
                if recovered.returncode != 0:
                    tally["failedCommands"] += 1
                    print("recover failed:", recovered.stdout[-500:], recovered.stderr[-500:], file=sys.stderr)
            elif " applied " in listed:
                finish = True  # the batch ran to its end before the signal
            else:
                finish = False  # killed before its journal was complete: nothing was renamed
                tally["untouched"] += 1
            expected = (lambda i: new_of(old_name(i))) if finish else old_name
            for key, value in check(volume.folder, count, expected).items():
                tally[key] += value
            if finish:
                undone = run("--undo", volume.folder)
                if undone.returncode != 0:
                    tally["failedCommands"] += 1
                    print("undo failed:", undone.stdout[-500:], undone.stderr[-500:], file=sys.stderr)
                for key, value in check(volume.folder, count, old_name).items():
                    tally[key] += value
        print("%-22s files %5d batch %.2fs  %s" % (config, count, duration,
              " ".join("%s %d" % item for item in tally.items())), flush=True)
        for key in totals:
            totals[key] += tally[key]
        volume.close()
        shutil.rmtree(state, ignore_errors=True)
    shutil.rmtree(shim_dir, ignore_errors=True)
    print("total", " ".join("%s %d" % item for item in totals.items()))
    bad = totals["lost"] + totals["duplicates"] + totals["leftovers"] + totals["misplaced"] + totals["failedCommands"]
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
