"""What the temporary name of a copy costs: tiny files written straight under their names
against written under a temporary name and renamed to theirs (renameat2 with RENAME_NOREPLACE,
as zolk-cli does, so that a cut run never leaves a half-written file under a real name).

  python3 bench/rename_cost.py [WORKDIR] [FILES] [FOLDERS]   (defaults /tmp/zolk-rename,
                                                               100000 files of 64 bytes, 5000 folders)

Five rounds, the two ways taking turns, each into a fresh tree on a synced disk. Nothing is
removed until the end: on ext4 without a journal a removed inode is passed over for a minute or
more when new files are made, and the round after a removal would pay for it. Prints each
round and the median extra microseconds a file. Never run by the tests.
"""
import ctypes
import os
import statistics
import sys
import time

RENAME_NOREPLACE = 1
libc = ctypes.CDLL(None, use_errno=True)


def rename_noreplace(folder_fd, old, new):
    if libc.renameat2(folder_fd, old, folder_fd, new, RENAME_NOREPLACE) != 0:
        raise OSError(ctypes.get_errno(), "renameat2")


def write_tree(root, files, folders, block, renamed):
    per = files // folders
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL
    os.mkdir(root)
    started = time.monotonic()
    for f in range(folders):
        folder = os.path.join(root, "f%05d" % f)
        os.mkdir(folder)
        folder_fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
        for i in range(per):
            name = b"file%03d.bin" % i
            fd = os.open(b".copy.tmp" if renamed else name, flags, 0o644, dir_fd=folder_fd)
            os.write(fd, block)
            os.close(fd)
            if renamed:
                rename_noreplace(folder_fd, b".copy.tmp", name)
        os.close(folder_fd)
    os.sync()
    return time.monotonic() - started


def main():
    work = sys.argv[1] if len(sys.argv) > 1 else "/tmp/zolk-rename"
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    folders = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    block = os.urandom(64)
    os.makedirs(work, exist_ok=False)
    times = {False: [], True: []}
    try:
        for round_ in range(5):
            for renamed in (False, True):
                os.sync()
                time.sleep(2)
                seconds = write_tree(os.path.join(work, "r%d-%d" % (round_, renamed)), files,
                                     folders, block, renamed)
                times[renamed].append(seconds)
                print("round %d %-24s %7.2f s" % (round_ + 1, "temporary name, rename" if renamed
                                                 else "straight under its name", seconds))
    finally:
        os.system("rm -rf '%s'" % work)
    straight = statistics.median(times[False])
    renamed = statistics.median(times[True])
    print("median: straight %.2f s, renamed %.2f s: %.2f x, %.1f us more a file"
          % (straight, renamed, renamed / straight, (renamed - straight) / files * 1e6))


if __name__ == "__main__":
    main()
