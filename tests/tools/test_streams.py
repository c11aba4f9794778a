"""tav-dump on streams as a protocol debugger uses it: live input through a pipe kept open, one
summary line or one JSON line per message, tav-encode reading documents as a stream, and JSON
Patch diffs that patch back (patch(a, diff(a, b)) == b over random states)."""

import json
import os
import random
import re
import select
import subprocess
import time

from conftest import VERSIONS, run, sample, tool


def read_line(pipe, deadline):
    """One line from pipe, waiting at most until deadline."""
    line = b""
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        assert left > 0, f"nothing complete before the deadline: {line!r}"
        ready, _, _ = select.select([pipe], [], [], left)
        if ready:
            byte = os.read(pipe.fileno(), 1)
            assert byte, f"the output ended: {line!r}"
            line += byte
    return line


def test_live_input_shows_each_message_before_the_writer_closes():
    for fmt in ["jsonl", "summary"]:
        dump = subprocess.Popen([tool("tav-dump"), "-f", fmt], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            for k, version in enumerate(VERSIONS):
                message = sample("gamestate", version)
                # Half a message shows nothing yet; the rest completes it and it is shown.
                dump.stdin.write(message[:20])
                dump.stdin.flush()
                ready, _, _ = select.select([dump.stdout], [], [], 0.3)
                assert not ready, "shown before it was complete"
                dump.stdin.write(message[20:])
                dump.stdin.flush()
                line = read_line(dump.stdout, time.monotonic() + 20)
                if fmt == "jsonl":
                    document = json.loads(line)
                    assert document["payload"] == version and document["source"]["message"] == k + 1
                else:
                    assert re.search(rb" %d .* ok " % (k + 1), line), line
        finally:
            dump.stdin.close()
            dump.wait(timeout=20)
        assert dump.returncode == 0, dump.stderr.read()


def test_summary_has_one_line_per_message():
    data = b"".join(sample("gamestate", v) for v in VERSIONS) + b"\xff\xff"
    result = run("tav-dump", "-f", "summary", "--color=never", "-", data=data)
    assert result.returncode == 1
    rows = [line.split() for line in result.stdout.decode().splitlines()]
    # input ("standard input"), number, offset, event, payload, protocol, size, status, then
    # round, scenario and actors
    assert [row[2:10] for row in rows[:3]] == [
        ["1", "0", "game_state", "7.6", "7.6", "83", "ok", "round"],
        ["2", "83", "game_state", "8.0", "8.0", "90", "ok", "round"],
        ["3", "173", "game_state", "8.4", "8.4", "91", "ok", "round"]]
    assert rows[0][10:] == ["2", "scenario", "7", "actors", "2"]
    assert rows[3][2:10] == ["4", "264", "-", "-", "-", "2", "garbage", "malformed"]
    coloured = run("tav-dump", "-f", "summary", "--color=always", "-", data=data).stdout
    assert b"\x1b[32mok" in coloured and b"\x1b[31mgarbage" in coloured
    plain = subprocess.run([tool("tav-dump"), "-f", "summary", "--color=always"], input=data,
                           capture_output=True, env=dict(os.environ, NO_COLOR="1"))
    assert b"\x1b[" in plain.stdout  # always is always; NO_COLOR counts for auto only


def test_jsonl_is_one_compact_document_per_line_and_encodes_back():
    data = b"".join(sample("gamestate", v) for v in VERSIONS) * 5
    out = run("tav-dump", "-f", "jsonl", "-", data=data).stdout
    lines = out.splitlines()
    assert len(lines) == 15
    documents = [json.loads(line) for line in lines]
    assert [d["source"]["offset"] for d in documents][:4] == [0, 83, 173, 264]
    # tav-encode takes the lines as a stream, also split at any point between its reads.
    encode = subprocess.Popen([tool("tav-encode")], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    for k in range(0, len(out), 777):
        encode.stdin.write(out[k:k + 777])
        encode.stdin.flush()
    encoded, _ = encode.communicate(timeout=60)
    assert encode.returncode == 0 and encoded == data


# --- diffs and patches -----------------------------------------------------------------------

def mutate(state, rng):
    """A random variation of a state that any version keeps: numbers and flags changed, list
    elements dropped or repeated. Deck ids are left alone (a deck's key is its id)."""
    def walk(node):
        if isinstance(node, dict):
            for key in list(node):
                value = node[key]
                if key in ("id", "kind", "hex") or key == "ability_decks":
                    if key == "ability_decks" and value and rng.random() < 0.2:
                        del node[key][rng.choice(list(value))]
                    continue
                if isinstance(value, bool):
                    if rng.random() < 0.3:
                        node[key] = not value
                elif isinstance(value, int):
                    if rng.random() < 0.3:
                        node[key] = rng.randrange(0, 100)
                else:
                    walk(value)
        elif isinstance(node, list):
            if node and rng.random() < 0.3:
                del node[rng.randrange(len(node))]
            if node and rng.random() < 0.3:
                node.append(json.loads(json.dumps(rng.choice(node))))
            for value in node:
                walk(value)
    state = json.loads(json.dumps(state))
    walk(state)
    return state


def encode(document):
    result = run("tav-encode", data=json.dumps(document).encode())
    assert result.returncode == 0, result.stderr
    return result.stdout


def kept(document):
    """The document as its bytes give it back (a field a version writes only in some cases,
    such as a summon's range, comes back as its default otherwise)."""
    data = run("tav-encode", "--lossy", data=json.dumps(document).encode()).stdout
    back = json.loads(run("tav-dump", "-f", "json", "-", data=data).stdout)
    back.pop("source")
    back.pop("read")
    return back


def test_patch_of_diff_gives_the_second_state(tmp_path):
    rng = random.Random(2026)
    bases = [json.loads(run("tav-dump", "-f", "json", "-", data=sample("gamestate", "8.4")).stdout)]
    for _ in range(12):
        a = kept(dict(bases[0], state=mutate(bases[0]["state"], rng)))
        b = kept(dict(a, state=mutate(a["state"], rng)))
        first, second = encode(a), encode(b)
        # The stream's diff: the second message against the first.
        lines = run("tav-dump", "--diff", "-", data=first + second).stdout.splitlines()
        assert len(lines) == 2
        patch = json.loads(lines[1])["patch"]
        patch_file = tmp_path / "p.json"
        patch_file.write_text(json.dumps(patch))
        source = tmp_path / "a.json"
        source.write_text(json.dumps(a))
        patched = run("tav-encode", "--patch", str(patch_file), str(source))
        assert patched.returncode == 0, patched.stderr
        assert patched.stdout == second
        # Two inputs compared: 0 when equal, 1 with the same patch when not.
        (tmp_path / "a.bin").write_bytes(first)
        (tmp_path / "b.bin").write_bytes(second)
        compared = run("tav-dump", "--diff", str(tmp_path / "a.bin"), str(tmp_path / "b.bin"))
        assert compared.returncode == (0 if first == second else 1)
        if first != second:
            assert json.loads(compared.stdout.splitlines()[1]) == patch
        same = run("tav-dump", "--diff", str(tmp_path / "a.bin"), str(tmp_path / "a.bin"))
        assert same.returncode == 0 and same.stdout == b""


def test_a_patch_that_does_not_apply_is_refused(tmp_path):
    patch = tmp_path / "p.json"
    for text, what in [('[{"op": "remove", "path": "/nosuch"}]', rb"the patch does not apply"),
                       ('{"op": "add"}', rb"an array of operations"),
                       ('[' * 40 + ']' * 40, rb"nested more than 16 deep"),
                       ('[{"op": "replace", "path": "/round", "value": "x"}]',
                        rb"at /state/round: expected an integer")]:
        patch.write_text(text)
        result = run("tav-encode", "--patch", str(patch), "-",
                     data=run("tav-dump", "-f", "json", "-", data=sample("gamestate", "7.6")).stdout)
        assert result.returncode == 1 and result.stdout == b"", text
        assert re.search(what, result.stderr), result.stderr
