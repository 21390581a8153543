"""A scratch folder of a test's own with a short path, wherever the build tree lies.

The product keeps paths in 128-byte buffers and refuses longer ones, so a test whose
paths reach the product must not compose them from the build or source folder: in a
deep clone of the repository they would be too long. Such a test works in a fresh
folder below /tmp instead (some thirty characters), which it removes at the end; what
must stay in the build tree (large files, hard links) is reached there through a
symbolic link. Under Wine the folder is Z:\\tmp\\..., the same files.

    with ScratchFolder("e2e") as scratch:
        medium = scratch.link("medium", build_medium)
"""
import os
import shutil
import tempfile


class ScratchFolder:
    """A new folder /tmp/kolta-LABEL-XXXXXXXX, removed with everything in it by close()
    or at the end of a with block; links in it are removed, never followed."""

    def __init__(self, label):
        self.path = tempfile.mkdtemp(prefix=f"kolta-{label}-", dir="/tmp")

    def join(self, *names):
        return os.path.join(self.path, *names)

    def link(self, name, target):
        """A symbolic link NAME in the folder (its parents made) to the existing
        TARGET; returns the link's path."""
        path = self.join(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.symlink(os.path.abspath(target), path)
        return path

    def close(self):
        shutil.rmtree(self.path, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()
