"""Shared helpers of the tool tests: where the tools and samples are, and how to run them."""

import os
import subprocess

import pytest

SOURCE_DIR = os.environ.get("TAV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
SAMPLES = os.path.join(SOURCE_DIR, "examples", "data")
VERSIONS = ("7.6", "8.0", "8.4")
SCHEMA = os.path.join(SOURCE_DIR, "schema", "gamestate.schema.json")


def tool(name):
    """The path of a built tool, from the environment CTest sets."""
    path = os.environ.get("TAV_DUMP" if name == "tav-dump" else "TAV_ENCODE")
    if not path:
        pytest.skip("TAV_DUMP / TAV_ENCODE not set (run through ctest)")
    return path


def run(name, *args, data=b"", **kwargs):
    """Runs a tool with data on standard input; returns the CompletedProcess (bytes)."""
    result = subprocess.run([tool(name), *args], input=data, capture_output=True, timeout=60,
                            **kwargs)
    assert result.returncode >= 0, f"{name} {args} died of signal {-result.returncode}"
    # A sanitizer report (the sanitizer build) fails the test whatever the status.
    assert b"Sanitizer" not in result.stderr and b"runtime error:" not in result.stderr, \
        result.stderr.decode(errors="replace")
    return result


def sample(kind, version):
    """The bytes of a shipped sample: kind is "gamestate" (framed) or "body"."""
    with open(os.path.join(SAMPLES, f"{kind}-{version}.bin"), "rb") as f:
        return f.read()
