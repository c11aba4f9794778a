"""Installs the Python package with pip into a fresh virtual environment and uses it from
outside the source tree: the proxy module, the extension module, the stubs and the py.typed
marker must all be installed, and the shipped stubs must match the installed module.

Environment: TAV_SOURCE_DIR (the tree to install, default: two levels up), TAV_PACKAGE_WORK_DIR
(where the venv and the build go, default: a pytest temporary directory).
"""
import importlib.util
import os
import subprocess
import sys
from pathlib import Path

import pytest

SOURCE_DIR = Path(os.environ.get("TAV_SOURCE_DIR", Path(__file__).resolve().parents[2]))

# Exercised in the venv: header and body bytes through a Buffer, records, views and optionals.
USE_SCRIPT = r"""
import os, sys, tav
assert os.path.realpath(tav.__file__).startswith(os.path.realpath(sys.prefix)), tav.__file__
assert os.path.basename(tav._tav.__file__).startswith("_tav"), tav._tav.__file__

header = tav.Header()
header.event = "game_state"
header.payload = "p"
header.length = 7
buffer = tav.Buffer()
tav.writeHeader(header, buffer)
buffer.writeFullInt(-1)  # a body: the reader waits for more bytes than the header alone
copy = tav.Header()
assert tav.readHeader(copy, buffer)
assert (copy.event, copy.payload, copy.length) == ("game_state", "p", 7)
assert buffer.readFullInt() == -1

state = tav.GameState()
state.actors.append(tav.Actor(tav.PlayerActor()))
state.actors[0].getPlayer().hp = 5
assert state.actors[0].getPlayer().hp == 5
assert state.actors[0].getMonster() is None
state.ability_decks[2] = tav.MonsterAbilityDeck(2)
assert state.ability_decks.keys() == [2]
assert tav.make_optional(3).value() == 3
assert tav.Condition.Stuned == tav._tav.Condition_Stuned == 3

# The companion module: a body to bytes and back, a framed message, the dump as text.
import io, tav.protocol
body = tav.protocol.write_game_state(state, "8.4")
assert tav.protocol.read_game_state(body, "8.4", strict=True).actors[0].getPlayer().hp == 5
message = tav.protocol.read_message(tav.protocol.write_message(header, state, "7.6"), "7.6")
assert message.header.event == "game_state" and message.consumed > len(body) - 5
text = io.StringIO()
tav.protocol.read_game_state(body, "8.4", dump=text)
assert text.getvalue().startswith("Nr monster ability decks: 1\n")
print("ok")
"""


def run(command, cwd, env):
    result = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            universal_newlines=True)
    assert result.returncode == 0, "{} failed:\n{}".format(" ".join(map(str, command)), result.stdout)
    return result.stdout


@pytest.fixture(scope="module")
def venv(tmp_path_factory):
    """A fresh venv (seeing the system's setuptools and wheel) with the package installed offline."""
    work = Path(os.environ.get("TAV_PACKAGE_WORK_DIR") or tmp_path_factory.mktemp("package"))
    outside = work / "outside"
    outside.mkdir(parents=True, exist_ok=True)
    env = {k: v for k, v in os.environ.items() if not k.startswith(("PYTHON", "PIP_", "VIRTUAL_ENV"))}
    env["TAV_SETUP_BUILD_DIR"] = str(work / "setuptools")
    env.setdefault("CMAKE_BUILD_PARALLEL_LEVEL", "2")
    env["PIP_DISABLE_PIP_VERSION_CHECK"] = "1"
    env["MYPY_CACHE_DIR"] = str(work / "mypy_cache")

    prefix = work / "venv"
    run([sys.executable, "-m", "venv", "--clear", "--system-site-packages", str(prefix)], outside, env)
    python = prefix / "bin" / "python"
    run([str(python), "-m", "pip", "install", "--no-build-isolation", "--no-index", "--no-cache-dir", str(SOURCE_DIR)],
        outside, env)
    return python, outside, env


def package_dir(python, outside, env):
    return Path(run([str(python), "-c", "import importlib.util as u; print(u.find_spec('tav').origin)"],
                    outside, env).strip()).parent


def test_import_and_use_from_outside_the_source_tree(venv):
    python, outside, env = venv
    assert run([str(python), "-c", USE_SCRIPT], outside, env).strip().endswith("ok")


def test_wheel_holds_modules_extensions_stubs_and_marker(venv):
    python, outside, env = venv
    package = package_dir(python, outside, env)
    assert package.name == "tav"
    record = next(package.parent.glob("tav-*.dist-info")).joinpath("RECORD").read_text()
    for name in ("tav/__init__.py", "tav/__init__.pyi", "tav/py.typed", "tav/protocol.py",
                 "tav/protocol.pyi", "tav/_protocol.so"):
        assert name + "," in record, name
    assert any(line.startswith("tav/_tav.") and ".so," in line for line in record.splitlines())


@pytest.mark.skipif(importlib.util.find_spec("mypy") is None, reason="mypy is not installed")
def test_shipped_stubs_match_the_installed_module(venv):
    python, outside, env = venv
    allowlist = SOURCE_DIR / "python" / "stubtest_allowlist.txt"
    run([str(python), "-m", "mypy.stubtest", "tav", "--allowlist", str(allowlist)], outside, env)
