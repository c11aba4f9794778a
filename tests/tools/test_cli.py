"""tav-dump and tav-encode as a user runs them: the command line, exit codes, streams of
messages, the round trips bytes -> JSON -> bytes, hostile files, write errors, installation."""

import json
import os
import pty
import random
import re
import shutil
import subprocess

import pytest

from conftest import VERSIONS, run, sample, tool

PROBLEM = re.compile(rb"^tav-dump: (?!.*: note: ).*$", re.M)


# --- command line --------------------------------------------------------------------------

COMMAND_LINES = [
    # tool, arguments, exit code, stream, expected text
    ("tav-dump", ["--help"], 0, "stdout", rb"Usage: tav-dump \[OPTION\]\.\.\. \[FILE\]\.\.\."),
    ("tav-dump", ["-h"], 0, "stdout", rb"Exit status:"),
    ("tav-dump", ["--version"], 0, "stdout", rb"^tav-dump \d+\.\d+\.\d+ \(protocols 7\.6, 8\.0, 8\.4\)\n$"),
    ("tav-dump", ["-V"], 0, "stdout", rb"^tav-dump \d+\.\d+\.\d+"),
    ("tav-dump", ["--bogus"], 2, "stderr", rb"unknown option --bogus\nUsage: tav-dump"),
    ("tav-dump", ["-x"], 2, "stderr", rb"unknown option -x"),
    ("tav-dump", ["--protocol=9.9", "f"], 2, "stderr",
     rb"unknown protocol version '9\.9' \(known: 7\.6, 8\.0, 8\.4, auto\)"),
    ("tav-dump", ["--format", "xml", "f"], 2, "stderr", rb"unknown format 'xml' \(known: text, json, jsonl, summary, annotate, html\)"),
    ("tav-dump", ["--protocol"], 2, "stderr", rb"option --protocol needs a value"),
    ("tav-dump", ["-p"], 2, "stderr", rb"option -p needs a value"),
    ("tav-dump", ["--bare=yes"], 2, "stderr", rb"option --bare takes no value"),
    ("tav-dump", ["/nonexistent/x.bin"], 3, "stderr", rb"tav-dump: /nonexistent/x\.bin: cannot open"),
    ("tav-encode", ["--help"], 0, "stdout", rb"Usage: tav-encode \[OPTION\]\.\.\. \[FILE\]"),
    ("tav-encode", ["--version"], 0, "stdout", rb"^tav-encode \d+\.\d+\.\d+"),
    ("tav-encode", ["--protocol=auto"], 2, "stderr", rb"unknown protocol version 'auto' \(known: 7\.6, 8\.0, 8\.4\)"),
    ("tav-encode", ["a", "b"], 2, "stderr", rb"one input at most"),
    ("tav-encode", ["--nope"], 2, "stderr", rb"unknown option --nope"),
]


@pytest.mark.parametrize("name,args,code,stream,pattern", COMMAND_LINES)
def test_command_line(name, args, code, stream, pattern):
    result = run(name, *args)
    assert result.returncode == code, result.stderr
    assert re.search(pattern, getattr(result, stream)), getattr(result, stream)
    if code == 0:
        assert result.stderr == b""


@pytest.mark.parametrize("name,words", [
    ("tav-dump", ["--protocol", "-p", "auto", "--format", "-f", "text", "json", "jsonl",
                  "summary", "annotate", "html", "--diff", "-d", "--max-message", "--color",
                  "NO_COLOR", "--bare", "-b", "--output", "-o", "--help", "--version", "--",
                  "Exit status", "  0 ", "  1 ", "  2 ", "  3 ", "(default)"]),
    ("tav-encode", ["--protocol", "-p", "--event", "-e", "--payload", "--patch", "--lossy",
                    "--bare", "-b",
                    "--output", "-o", "--help", "--version", "--", "Exit status", "  0 ", "  1 ",
                    "  2 ", "  3 "]),
])
def test_help_explains_every_option(name, words):
    text = run(name, "--help").stdout.decode()
    for word in words:
        assert word in text, word


@pytest.mark.parametrize("name", ["tav-dump", "tav-encode"])
def test_terminal_on_stdin_gives_usage_instead_of_waiting(name):
    controller, terminal = pty.openpty()
    try:
        result = subprocess.run([tool(name)], stdin=terminal, capture_output=True, timeout=20)
    finally:
        os.close(controller)
        os.close(terminal)
    assert result.returncode == 2
    assert result.stderr.startswith(b"Usage: " + name.encode())


def test_encode_refuses_to_write_bytes_to_a_terminal(tmp_path):
    document = tmp_path / "state.json"
    document.write_text("{}")
    controller, terminal = pty.openpty()
    try:
        result = subprocess.run([tool("tav-encode"), str(document)], stdout=terminal,
                                stderr=subprocess.PIPE, timeout=20)
    finally:
        os.close(controller)
        os.close(terminal)
    assert result.returncode == 2
    assert b"not written to a terminal" in result.stderr


def test_write_errors_fail():
    with open("/dev/full", "wb") as full:
        for name, args, data in [
            ("tav-dump", [os.path.join("-")], sample("gamestate", "8.4")),
            ("tav-dump", ["--help"], b""),
            ("tav-encode", [], b"{}"),
        ]:
            result = subprocess.run([tool(name), *args], input=data, stdout=full,
                                    stderr=subprocess.PIPE, timeout=20)
            assert result.returncode == 3, (name, args)
            if args != ["--help"]:
                assert b"write error" in result.stderr


def test_double_dash_and_option_forms(tmp_path):
    odd = tmp_path / "-odd.bin"
    odd.write_bytes(sample("body", "7.6"))
    forms = [
        ["--bare", "--protocol=7.6", "--", str(odd.name)],
        ["-b", "-p", "7.6", "--", str(odd.name)],
        ["-bp7.6", "--", str(odd.name)],
        ["--", str(odd.name), "--bare"],  # after --, --bare is a file name: it fails
    ]
    results = [run("tav-dump", *args, cwd=tmp_path) for args in forms]
    assert [r.returncode for r in results] == [0, 0, 0, 3]
    assert results[0].stdout == results[1].stdout == results[2].stdout
    assert b"--bare: cannot open" in results[3].stderr


# --- samples -------------------------------------------------------------------------------

@pytest.mark.parametrize("version", VERSIONS)
@pytest.mark.parametrize("kind", ["gamestate", "body"])
def test_auto_names_each_samples_version(version, kind):
    args = ["--bare"] if kind == "body" else []
    result = run("tav-dump", *args, "-", data=sample(kind, version))
    assert result.returncode == 0, result.stderr
    assert re.search(rb"^protocol: " + version.encode() + rb" \(auto", result.stdout, re.M)
    assert not PROBLEM.search(result.stderr)
    # The same as naming the version: the dump itself is the reader's.
    given = run("tav-dump", *args, "--protocol", version, "-", data=sample(kind, version))
    assert given.returncode == 0
    strip = lambda out: re.sub(rb"^protocol: .*\n", b"", out, flags=re.M)
    assert strip(given.stdout) == strip(result.stdout)


@pytest.mark.parametrize("fmt", ["text", "json", "annotate", "html"])
@pytest.mark.parametrize("version", VERSIONS)
def test_every_format_reads_every_sample(fmt, version):
    result = run("tav-dump", "--format", fmt, "-", data=sample("gamestate", version))
    assert result.returncode == 0, result.stderr
    assert result.stdout and not PROBLEM.search(result.stderr)


@pytest.mark.parametrize("version", VERSIONS)
def test_wrong_protocol_is_reported(version):
    other = {"7.6": "8.4", "8.0": "7.6", "8.4": "7.6"}[version]
    result = run("tav-dump", "-p", other, "-", data=sample("gamestate", version))
    assert result.returncode == 1
    assert re.search(rb"tav-dump: standard input: message 1 at offset 0: "
                     rb"(the body ran out at offset \d+|\d+ bytes left over after the body at "
                     rb"offset \d+) \(protocol " + other.encode() + rb"\)", result.stderr)


@pytest.mark.parametrize("version", VERSIONS)
def test_bytes_json_bytes_round_trip(version):
    for kind, args in [("gamestate", []), ("body", ["--bare", "-p", version])]:
        original = sample(kind, version)
        dumped = run("tav-dump", "--format=json", *args, "-", data=original)
        assert dumped.returncode == 0
        encoded = run("tav-encode", *args, "-", data=dumped.stdout)
        assert encoded.returncode == 0, encoded.stderr
        assert encoded.stdout == original
        again = run("tav-dump", "--format=json", *args, "-", data=encoded.stdout)
        assert again.stdout == dumped.stdout
        document = json.loads(dumped.stdout)
        if kind == "gamestate":
            assert (document["event"], document["payload"], document["protocol"]) == (
                "game_state", version, version)


def test_encode_options_override_the_document():
    document = run("tav-dump", "-f", "json", "-", data=sample("gamestate", "8.4")).stdout
    encoded = run("tav-encode", "--event=ping", "--payload", "x y", "-p", "8.0", data=document)
    assert encoded.returncode == 0, encoded.stderr
    back = json.loads(run("tav-dump", "-f", "json", "-", data=encoded.stdout).stdout)
    assert (back["event"], back["payload"], back["protocol"]) == ("ping", "x y", "8.0")
    assert back["state"] == json.loads(document)["state"]
    # A bare state: the header defaults to game_state and the version's name.
    state = json.dumps(json.loads(document)["state"]).encode()
    framed = run("tav-encode", "--lossy", "-p", "7.6", data=state)  # 7.6 lacks the 8.x lists
    assert framed.stdout[:2 + len(b"game_state 7.6")] == b"\x00\x0egame_state 7.6"


# --- streams -------------------------------------------------------------------------------

def stream():
    return b"".join(sample("gamestate", v) for v in ("8.4", "7.6", "8.0"))


def test_a_stream_is_read_message_by_message():
    data = stream()
    text = run("tav-dump", "-", data=data)
    assert text.returncode == 0
    assert re.findall(rb"^header: event game_state, payload ([\d.]+)", text.stdout, re.M) == [
        b"8.4", b"7.6", b"8.0"]
    assert re.findall(rb"^protocol: ([\d.]+)", text.stdout, re.M) == [b"8.4", b"7.6", b"8.0"]
    documents = run("tav-dump", "-f", "json", "-", data=data)
    encoded = run("tav-encode", data=documents.stdout)
    assert encoded.stdout == data
    annotated = run("tav-dump", "-f", "annotate", "-", data=data).stdout
    assert re.findall(rb"message (\d+) at offset (\d+)", annotated) == [
        (b"1", b"0"), (b"2", b"91"), (b"3", b"174")]


@pytest.mark.parametrize("tail,what", [
    (1, rb"message 4 at offset 264: incomplete header: 1 byte left, too few for the header it begins"),
    (16, rb"message 4 at offset 264: incomplete header"),
    (19, rb"message 4 at offset 264: incomplete message: the header announces 73 body bytes, "
         rb"only 2 follow"),
    (60, rb"message 4 at offset 264: incomplete message: the header announces 73 body bytes, "
         rb"only 43 follow"),
])
def test_an_incomplete_last_message_is_reported_with_its_offset(tail, what):
    data = stream() + sample("gamestate", "8.0")[:tail]
    for fmt in ["text", "json", "annotate", "html"]:
        result = run("tav-dump", "-f", fmt, "-", data=data)
        assert result.returncode == 1, fmt
        assert re.search(rb"tav-dump: standard input: " + what, result.stderr), result.stderr


def test_malformed_headers_stop_the_stream():
    cases = [
        (b"\xff\xff\x01\x02", rb"malformed header: negative text length"),
        (b"\x00\x01a\xff\xff\xff\xff\xff", rb"malformed header: the body length is no varint"),
        (b"\x00\x01a\xff\xff\xff\xff\x0f" + b"\0" * 8, rb"malformed header: negative body length -1"),
    ]
    for data, what in cases:
        result = run("tav-dump", "-", data=sample("gamestate", "7.6") + data)
        assert result.returncode == 1
        assert re.search(rb"message 2 at offset 83: " + what, result.stderr), result.stderr


@pytest.mark.parametrize("version", VERSIONS)
def test_every_prefix_is_reported_incomplete(version):
    whole = sample("gamestate", version)
    for size in range(1, len(whole)):
        result = run("tav-dump", "-f", "annotate", "-", data=whole[:size])
        assert result.returncode == 1, size
        assert re.search(rb"message 1 at offset 0: incomplete (header|message)", result.stderr)
        ran_out = re.search(rb"^the data ran out at offset (\d+)", result.stdout, re.M)
        if size >= 17:  # the header is complete: the body shows where it ran out
            assert ran_out and int(ran_out.group(1)) <= size, (size, result.stdout)


def test_bytes_left_over_after_a_bare_body():
    result = run("tav-dump", "--bare", "-p", "8.0", "-f", "annotate", "-",
                 data=sample("body", "8.0") + b"\x01\x02")
    assert result.returncode == 1
    assert b"2 bytes left over after the body at offset 73 (protocol 8.0)" in result.stderr
    assert b"2 bytes left over at offset 73: 01 02" in result.stdout


def test_annotate_lines_tile_the_message():
    for version in VERSIONS:
        data = sample("gamestate", version)
        out = run("tav-dump", "-f", "annotate", "-", data=data).stdout.decode()
        end = 0
        for match in re.finditer(r"^ +(\d+) +(\d+)  ((?:[0-9a-f]{2} ?)+(?:\.\.\.)?) +(\S+) = (.*)$",
                                 out, re.M):
            offset, size, shown = int(match.group(1)), int(match.group(2)), match.group(3)
            assert offset == end, match.group(0)
            assert bytes.fromhex(shown.replace("...", "")) == data[offset:offset + min(size, 8)]
            end = offset + size
        assert end == len(data)
        assert out.rstrip().endswith(f"body complete: {len(data) - 17} bytes")


# --- tav-encode refusals -------------------------------------------------------------------

REFUSALS = [
    (b"{\"state\": {\"round\": 2147483648}}", rb"document 1, at /state/round: expected an integer"),
    (b"{\"round\": 1, \"rounds\": 2}", rb"document 1, at /rounds: unknown member \"rounds\""),
    (b"{}\n{\"actors\": [{\"kind\": \"monster\", \"monster\": {\"level\": -2147483649}}]}",
     rb"document 2, at /actors/0/monster/level: expected an integer"),
    (b"{\"fire\": \"Burning\"}", rb"at /fire: unknown element state \"Burning\""),
    (b"{\"fire\": 4294967296}", rb"at /fire: expected a element state identifier or a number"),
    (b"{\n  \"round\": 1,\n  oops\n}", rb"document 1, line 3, column 3: syntax error"),
    (b"{\"state\": {}, \"protocol\": \"9.0\"}", rb"document 1: unknown protocol \"9.0\""),
    (b"{\"state\": {}, \"event\": \"two words\"}", rb"the event \"two words\" must be"),
    (b"", rb"no JSON document"),
    (b"[1, 2]", rb"expected a game state object, got an array"),
]


@pytest.mark.parametrize("data,what", REFUSALS)
def test_encode_refuses_bad_input_and_writes_nothing(tmp_path, data, what):
    target = tmp_path / "out.bin"
    result = run("tav-encode", "-o", str(target), "-", data=data)
    assert result.returncode == 1
    assert result.stdout == b""
    assert not target.exists()
    assert re.search(rb"^tav-encode: standard input: .*" + what, result.stderr), result.stderr
    piped = run("tav-encode", data=data)
    assert piped.returncode == 1 and piped.stdout == b""


def test_encode_bare_takes_one_document():
    result = run("tav-encode", "--bare", data=b"{} {}")
    assert result.returncode == 1 and result.stdout == b""
    assert b"--bare writes one body, but the input holds 2 documents" in result.stderr


# --- hostile files -------------------------------------------------------------------------

def mutations(rng):
    """Random files: noise, and samples cut, extended and with bytes changed."""
    originals = [sample(k, v) for k in ("gamestate", "body") for v in VERSIONS]
    for _ in range(120):
        choice = rng.randrange(4)
        if choice == 0:
            yield bytes(rng.randrange(256) for _ in range(rng.randrange(1, 120)))
        else:
            data = bytearray(rng.choice(originals))
            for _ in range(rng.randrange(1, 4)):
                data[rng.randrange(len(data))] = rng.randrange(256)
            if choice == 2:
                data = data[:rng.randrange(1, len(data) + 1)]
            if choice == 3:
                data += bytes(rng.randrange(256) for _ in range(rng.randrange(1, 9)))
            yield bytes(data)


def test_random_files_never_crash_and_fail_unless_exact():
    rng = random.Random(1207)
    exits = {0: 0, 1: 0}
    for data in mutations(rng):
        version = rng.choice(VERSIONS)
        bare = rng.random() < 0.4
        args = ["--bare", "-p", version] if bare else ["-p", rng.choice(["auto", version])]
        fmt = rng.choice(["text", "json", "annotate", "html"])
        result = run("tav-dump", "-f", fmt, *args, "-", data=data)
        assert result.returncode in (0, 1), (data, args, fmt, result.stderr)
        # Failure and a problem report go together.
        assert (result.returncode == 1) == bool(PROBLEM.search(result.stderr)), result.stderr
        exits[result.returncode] += 1
        if result.returncode == 0:
            # What reads as exact survives the way through JSON. (Not always byte for byte:
            # a varint may come in a longer form than the writer's.)
            documents = run("tav-dump", "-f", "json", *args, "-", data=data).stdout
            back = run("tav-encode", "--lossy", *(args if bare else []), data=documents)
            assert back.returncode == 0, back.stderr
            again = run("tav-dump", "-f", "json", *args, "-", data=back.stdout)
            assert again.returncode == 0 and again.stdout == documents
    assert exits[1] > 50  # the mutations are mostly malformed


def test_exact_bare_bodies_survive_json_in_their_version():
    rng = random.Random(7)
    checked = 0
    for data in mutations(rng):
        for version in VERSIONS:
            dumped = run("tav-dump", "--bare", "-p", version, "-f", "json", "-", data=data)
            if dumped.returncode != 0:
                continue
            back = run("tav-encode", "--bare", "-p", version, data=dumped.stdout)
            if back.returncode != 0:
                # A value the writer stores otherwise is named, and --lossy writes it anyway.
                assert b"does not keep" in back.stderr, back.stderr
                back = run("tav-encode", "--lossy", "--bare", "-p", version, data=dumped.stdout)
            assert back.returncode == 0
            # The writer normalises some values (a shown ability of -1 is written as absent),
            # so compare what the bytes mean: the same JSON again.
            again = run("tav-dump", "--bare", "-p", version, "-f", "json", "-", data=back.stdout)
            assert again.stdout == dumped.stdout
            checked += 1
    assert checked > 10


# --- faults of the first tools, each a row ----------------------------------------------------

def lossy_document():
    """An 8.4 message whose state holds what no body keeps (a NUL in a name, a deck keyed
    apart from its id) and what 7.6 lacks (the 8.x lists)."""
    document = json.loads(run("tav-dump", "-f", "json", "-", data=sample("gamestate", "8.4")).stdout)
    state = document["state"]
    player = next(a for a in state["actors"] if a["kind"] == "player")["player"]
    player["name"] = "a\u0000b"
    state["removed_abilities"] = [5]
    state["attack_modifiers_discard"] = list(state["attack_modifiers"][:1]) or [0]
    deck = next(iter(state["ability_decks"].values()))
    state["ability_decks"] = {"5": dict(deck, id=3)}
    return json.dumps(document).encode()


def junk(n, seed=5):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(n))


GOOD = sample("gamestate", "8.4")
# tool, arguments ({f}: a file holding the sample, {d}: a folder, {k}: a file holding "keep"),
# standard input, exit code, pattern on stderr, pattern on stdout, files that must be unchanged
FAULTS = [
    # 1: an output that is an input is refused; a failed run leaves the output alone
    ("tav-dump", ["-o", "{f}", "{f}"], b"", 2, rb"the output is also an input", rb"^$", ["f"]),
    ("tav-dump", ["-o", "{k}", "{d}/nosuch.bin"], b"", 3, rb"nosuch\.bin: cannot open", rb"^$", ["k"]),
    ("tav-dump", ["-o", "{f}", "-"], b"", 2, rb"also an input \(standard input\)", rb"^$", []),
    ("tav-encode", ["-o", "{k}", "{k}"], b"", 2, rb"the output is also an input", rb"^$", ["k"]),
    ("tav-encode", ["-o", "{k}", "-"], b"{\"round\": 1.5}", 1, rb"expected an integer", rb"^$", ["k"]),
    # 2: every byte is shown, the ones that frame no message with what was wrong
    ("tav-dump", ["-f", "annotate"], junk(8) + GOOD, 1,
     rb"message 1 at offset 0: .*; 8 bytes up to offset 8 frame no message; a message follows",
     rb"offset 0: 8 bytes that frame no message(.|\n)*message 2 at offset 8, event \"game_state\"", []),
    ("tav-dump", ["-f", "annotate"], GOOD + junk(8), 1, rb"message 2 at offset 91: .*8 bytes",
     rb"body complete: 74 bytes(.|\n)*offset 91: 8 bytes that frame no message", []),
    ("tav-dump", ["-f", "html"], junk(4096), 1, rb"4096 bytes up to offset 4096 frame no message",
     rb"4096 bytes that frame no message", []),
    ("tav-dump", ["-f", "text"], GOOD[:10], 1, rb"the header claims 14 text bytes at offset 0, only 8 follow",
     rb"offset 0: 10 bytes that frame no message(.|\n)*       0  00 0e 67 61", []),
    ("tav-dump", ["-f", "summary"], GOOD + junk(8) + GOOD, 1, rb"a message follows",
     rb"^standard input +1 +0 +game_state.* ok .*\n.* 2 +91 .*garbage.*\n.* 3 +99 .*ok", []),
    # 4: a read that ended early is carried in the JSON, and tav-encode stops at it
    ("tav-dump", ["-f", "json"], GOOD[:75], 1, rb"incomplete message",
     rb"\"read\": \{\"complete\":false,\"left_over\":0,\"stopped_at\":\d+,\"stopped_field\":\"[^\"]+\",\"announced\":74,\"present\":58\}", []),
    # 6: annotate and HTML give one account of a cut
    ("tav-dump", ["-f", "annotate"], GOOD[:70], 1, rb"in field actors\[0\]\.instances\[0\]\.conditions\[0\]",
     rb"actors\[0\]\.instances\[0\]\.conditions\[0\] = \(not read\)\n +\.\.\. (\d+) more fields not read\nthe data ran out at offset 70 in field actors\[0\]\.instances\[0\]\.conditions\[0\]", []),
    # 7: clear messages
    ("tav-dump", ["{d}"], b"", 3, rb"tav-dump: \S+: is a directory", rb"^$", []),
    ("tav-dump", ["-"], "{d}", 3, rb"tav-dump: standard input: is a directory", rb"^$", []),
    ("tav-encode", ["{d}"], b"", 3, rb"is a directory", rb"^$", []),
    ("tav-dump", [], sample("body", "8.4"), 1,
     rb"the header claims \d+ text bytes at offset 0(.|\n)*hint: the input reads exactly as a bare 8\.4 body; try --bare", rb"", []),
    ("tav-dump", ["--bare"], GOOD, 1, rb"hint: the input begins with a framed message .*try without --bare", rb"", []),
    ("tav-dump", ["--bare", "-p", "8.4"], sample("body", "8.4") + b"\x01", 1, rb"1 byte left over after", rb"", []),
    ("tav-dump", ["-f", "text", "-", "{f}"], GOOD + GOOD, 0, rb"^$",
     rb"standard input: message 2 at offset 91\n(.|\n)*/f\.bin: message 1 at offset 0\n", []),
    ("tav-dump", ["-f", "jsonl"], GOOD + GOOD, 0, rb"^$",
     rb"\"source\":\{\"input\":\"standard input\",\"message\":2,\"offset\":91\}", []),
    # 3: the limits are per message, and said in --help
    ("tav-dump", ["--help"], b"", 0, rb"^$", rb"--max-message=SIZE(.|\n)*total size has no limit", []),
    ("tav-encode", ["--help"], b"", 0, rb"^$", rb"256 MiB of JSON text; the input's total size has no limit", []),
    ("tav-dump", ["--max-message=64"], GOOD + GOOD, 1,
     rb"message 1 at offset 0: the header announces 74 body bytes at offset 0, more than the limit of 64 bytes", rb"^$", []),
]


@pytest.mark.parametrize("name,args,data,code,err,out,kept", FAULTS,
                         ids=[f"{i}-{row[0]}" for i, row in enumerate(FAULTS)])
def test_faults(tmp_path, name, args, data, code, err, out, kept):
    paths = {"f": tmp_path / "f.bin", "d": tmp_path / "dir", "k": tmp_path / "k"}
    paths["f"].write_bytes(GOOD)
    paths["d"].mkdir()
    paths["k"].write_bytes(b"keep")
    before = {key: paths[key].read_bytes() for key in kept}
    args = [a.format(**{k: str(v) for k, v in paths.items()}) for a in args]
    if data == "{d}":
        folder = os.open(paths["d"], os.O_RDONLY)
        try:
            result = subprocess.run([tool(name), *args], stdin=folder, capture_output=True,
                                    timeout=60)
        finally:
            os.close(folder)
    elif args and args[-1] == "-" and data == b"" and name == "tav-dump":
        with open(paths["f"], "rb") as same:
            result = subprocess.run([tool(name), *args], stdin=same, capture_output=True,
                                    timeout=60)
    else:
        result = run(name, *args, data=data)
    assert result.returncode == code, result.stderr
    assert re.search(err, result.stderr, re.M), result.stderr
    assert re.search(out, result.stdout, re.M), result.stdout[-3000:]
    for key in kept:
        assert paths[key].read_bytes() == before[key], key
    assert not [p for p in tmp_path.iterdir() if p.name.startswith(".")], "a temporary was left"


def test_an_incomplete_read_does_not_pass_through_json():
    documents = run("tav-dump", "-f", "json", data=GOOD[:75]).stdout
    refused = run("tav-encode", data=documents)
    assert refused.returncode == 1 and refused.stdout == b""
    assert re.search(rb"at /read: the read of its bytes was incomplete: it stopped at offset \d+ "
                     rb"in field \S+; the header announced 74 body bytes, 58 were there", refused.stderr)
    assert run("tav-encode", "--lossy", data=documents).returncode == 0


def test_encoding_names_every_value_it_loses():
    document = lossy_document()
    for version, lost in [("8.4", ["/name", "/ability_decks/5"]),
                          ("7.6", ["/removed_abilities", "/attack_modifiers_discard", "/name"])]:
        result = run("tav-encode", "-p", version, data=document)
        assert result.returncode == 1 and result.stdout == b"", version
        for path in lost:
            assert re.search(rb"\n  /state\S*" + re.escape(path.encode()) + rb"\S*: ", result.stderr), (path, result.stderr)
        assert b"(--lossy encodes it all the same)" in result.stderr
        lossy = run("tav-encode", "--lossy", "-p", version, data=document)
        assert lossy.returncode == 0 and lossy.stdout, lossy.stderr
        assert b"encoded all the same" in lossy.stderr
    named = run("tav-encode", data=b'{"actors": [{"kind": "player", "player": {"name": "a\\u0000b"}}]}')
    assert b'/actors/0/player/name: "a\\u0000b" comes back as "a"' in named.stderr


def test_a_stream_larger_than_any_one_limit_goes_through_json():
    data = b"".join(sample("gamestate", v) for v in VERSIONS) * 3400  # 10,200 messages
    documents = run("tav-dump", "-f", "json", data=data)
    assert documents.returncode == 0 and len(documents.stdout) > (16 << 20)
    encoded = run("tav-encode", data=documents.stdout)
    assert encoded.returncode == 0, encoded.stderr
    assert encoded.stdout == data


# --- installation --------------------------------------------------------------------------

def test_cmake_install_installs_both_tools(tmp_path):
    build = os.environ.get("TAV_BINARY_DIR")
    if not build:
        pytest.skip("TAV_BINARY_DIR not set")
    result = subprocess.run(["cmake", "--install", build, "--prefix", str(tmp_path),
                             "--component", "tav_Tools"], capture_output=True, timeout=120)
    assert result.returncode == 0, result.stderr
    for name in ["tav-dump", "tav-encode"]:
        path = tmp_path / "bin" / name
        assert os.access(path, os.X_OK), path
        version = subprocess.run([str(path), "--version"], capture_output=True, timeout=20)
        assert version.returncode == 0 and version.stdout.startswith(name.encode())
        manual = tmp_path / "share" / "man" / "man1" / f"{name}.1"
        if manual.exists() or shutil.which("help2man"):
            text = manual.read_text()
            assert "\\-\\-output" in text, text[:500]
            # Each part of --help in its own section, in order; the usage line only in the
            # synopsis.
            heads = re.findall(r"^\.SH (.*)$", text, re.M)
            assert heads == ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", '"EXIT STATUS"'], heads
            assert "Usage" not in text, text[:500]
        script = tmp_path / "share" / "bash-completion" / "completions" / name
        # The completion offers the options, and the values of an option that has a fixed set.
        for words, expected in [([name, "--pro"], "--protocol"), ([name, "-p", "8"], "8.0 8.4"),
                                ([name, "--protocol=7"], "--protocol=7.6")]:
            shell = (f"source {script}; COMP_WORDS=({' '.join(words)}); "
                     f"COMP_CWORD={len(words) - 1}; _tav_tools; echo \"${{COMPREPLY[*]}}\"")
            offered = subprocess.run(["bash", "-c", shell], capture_output=True, text=True,
                                     timeout=20)
            assert offered.stdout.strip() == expected, (words, offered.stdout, offered.stderr)
