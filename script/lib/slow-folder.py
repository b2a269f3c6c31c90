#!/usr/bin/python3
"""A folder as slow as a network share: a FUSE pass-through to BACKING whose
writes are paced to RATE bytes a second and whose every flush (fsync, or the
close of a file written to) waits FLUSH seconds. Runs in the foreground until
unmounted.

    slow-folder.py BACKING MOUNTPOINT [RATE] [FLUSH]
"""
import errno
import os
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowFolder(Operations):
    def __init__(self, backing, rate, flush):
        self.backing = backing
        self.rate = rate
        self.flush_delay = flush
        self.pace = threading.Lock()
        self.paced_until = 0.0
        self.dirty = set()  # handles written to since their last flush

    def _path(self, path):
        return os.path.join(self.backing, path.lstrip('/'))

    def __call__(self, op, path, *args):
        try:
            return super().__call__(op, self._path(path), *args)
        except OSError as e:
            raise FuseOSError(e.errno or errno.EIO)

    def _wait_flush(self, fh):
        self.dirty.discard(fh)
        time.sleep(self.flush_delay)

    # Pacing: one queue for the whole folder, as one link would be.
    def write(self, path, data, offset, fh):
        with self.pace:
            start = max(time.monotonic(), self.paced_until)
            self.paced_until = start + len(data) / self.rate
            until = self.paced_until
        written = os.pwrite(fh, data, offset)
        self.dirty.add(fh)
        time.sleep(max(0.0, until - time.monotonic()))
        return written

    def fsync(self, path, datasync, fh):
        os.fsync(fh)
        self._wait_flush(fh)
        return 0

    def flush(self, path, fh):
        if fh in self.dirty:
            self._wait_flush(fh)
        return 0

    def release(self, path, fh):
        self.dirty.discard(fh)
        os.close(fh)
        return 0

    def access(self, path, mode):
        if not os.access(path, mode):
            raise FuseOSError(errno.EACCES)

    def getattr(self, path, fh=None):
        st = os.lstat(path)
        return {k: getattr(st, k) for k in ('st_atime', 'st_ctime', 'st_gid', 'st_mode', 'st_mtime', 'st_nlink',
                                             'st_size', 'st_uid')}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(path)

    def statfs(self, path):
        st = os.statvfs(path)
        return {k: getattr(st, k) for k in ('f_bavail', 'f_bfree', 'f_blocks', 'f_bsize', 'f_favail', 'f_ffree',
                                             'f_files', 'f_flag', 'f_frsize', 'f_namemax')}

    def create(self, path, mode, fi=None):
        return os.open(path, os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def open(self, path, flags):
        return os.open(path, flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def truncate(self, path, length, fh=None):
        if fh is None:
            os.truncate(path, length)
        else:
            os.ftruncate(fh, length)

    def rename(self, old, new):
        os.rename(old, self._path(new))

    def link(self, target, source):
        os.link(self._path(source), target)

    def symlink(self, target, source):
        os.symlink(source, target)

    def readlink(self, path):
        return os.readlink(path)

    def chmod(self, path, mode):
        os.chmod(path, mode)

    def chown(self, path, uid, gid):
        os.chown(path, uid, gid)

    def utimens(self, path, times=None):
        os.utime(path, times)

    def mkdir(self, path, mode):
        os.mkdir(path, mode)

    def rmdir(self, path):
        os.rmdir(path)

    def unlink(self, path):
        os.unlink(path)

    # Wine keeps a file's DOS attributes (hidden) in an extended attribute.
    def getxattr(self, path, name, position=0):
        return os.getxattr(path, name)

    def setxattr(self, path, name, value, options, position=0):
        os.setxattr(path, name, value, options)

    def listxattr(self, path):
        return os.listxattr(path)

    def removexattr(self, path, name):
        os.removexattr(path, name)


if __name__ == '__main__':
    backing, mountpoint = sys.argv[1], sys.argv[2]
    rate = float(sys.argv[3]) if len(sys.argv) > 3 else 20e6
    flush = float(sys.argv[4]) if len(sys.argv) > 4 else 1.0
    FUSE(SlowFolder(os.path.realpath(backing), rate, flush), mountpoint, foreground=True, nothreads=False,
         big_writes=True, max_write=131072, default_permissions=True)
