"""Shared helpers of the Python tests of the tav module."""

import os
import subprocess
import sys
import textwrap

import tav


def run_child(code, timeout=60, poisoned=False):
    """Runs code in a fresh interpreter (the one running the tests) that imports the same tav.

    The snippet is dedented first. Returns the CompletedProcess with stdout and stderr as text
    (undecodable bytes escaped), so that callers can check the exit code (a negative one is a
    signal) and read what native code wrote to the standard output. With poisoned=True the
    child's frees are poisoned and its objects come from the C allocator, so that a use of
    freed memory meets garbage (and a preloaded sanitizer sees every Python object).
    """
    env = dict(os.environ)
    if poisoned:
        env.update(MALLOC_PERTURB_="165", PYTHONMALLOC="malloc")
    paths = [os.path.dirname(os.path.abspath(tav.__file__)), env.get("PYTHONPATH", "")]
    env["PYTHONPATH"] = os.pathsep.join(p for p in paths if p)
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True,
        env=env,
        timeout=timeout,
        text=True,
        errors="surrogateescape",
    )
