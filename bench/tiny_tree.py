"""Trees of tiny files for bench/scale and bench/profile.

  tiny_tree.py make ROOT FILES FOLDERS SIZE   FILES files of SIZE bytes in FOLDERS folders,
                                              a hundred folders to each folder at the top
  tiny_tree.py change ROOT FILES FOLDERS [EVERY]
                                              one file in EVERY (100: 1 %, the default) gets one
                                              byte more and a time ten seconds ahead, spread over
                                              the folders
"""
import os
import sys
import time


def path_of(root, folder, index):
    return os.path.join(root, "d%04d" % (folder // 100), "f%06d" % folder, "file%03d.bin" % index)


def make(root, files, folders, size):
    block = os.urandom(size)
    per = files // folders
    flags = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    for f in range(folders):
        os.makedirs(os.path.dirname(path_of(root, f, 0)), exist_ok=True)
        for i in range(per):
            fd = os.open(path_of(root, f, i), flags, 0o644)
            os.write(fd, block)
            os.close(fd)


def change(root, files, folders, every=100):
    per = files // folders
    later = time.time() + 10
    for n in range(0, files, every):
        f, i = divmod(n, per)
        p = path_of(root, f, (i + f) % per)
        with open(p, "ab") as out:
            out.write(b"!")
        os.utime(p, (later, later))


if __name__ == "__main__":
    command, root, numbers = sys.argv[1], sys.argv[2], [int(a) for a in sys.argv[3:]]
    make(root, *numbers) if command == "make" else change(root, *numbers)
