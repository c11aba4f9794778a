"""The dissector plugin in tshark, on captures this test writes from the sample messages.

Every message's tree (path, offset, length, value of each field) must equal the library's
annotation of the same bytes, printed by the oracle program; the cases split messages at every
byte, pack several into a segment, cut and garble them, and mutate them at random.

tshark ignores plugin folders when run as root, so as root it runs as nobody, with a copy of
the plugin in a folder nobody can read.
"""

import os
import random
import re
import shutil
import struct
import subprocess
import tempfile
import warnings
import xml.etree.ElementTree as ET
from pathlib import Path

import pytest

TSHARK = os.environ.get("TAV_TSHARK") or shutil.which("tshark")
if not TSHARK or not os.path.exists(TSHARK):
    pytest.skip("tshark is not installed", allow_module_level=True)

# A plugin loads only into the Wireshark series (major.minor) it was built for; another micro
# version only earns a warning.
BUILT_FOR = os.environ.get("TAV_WIRESHARK_VERSION", "")
RUNNING = re.search(r"(\d+\.\d+\.\d+)", subprocess.run(
    [TSHARK, "--version"], capture_output=True, text=True).stdout or "")
RUNNING = RUNNING.group(1) if RUNNING else ""
if BUILT_FOR and RUNNING and BUILT_FOR.split(".")[:2] != RUNNING.split(".")[:2]:
    pytest.skip(f"tshark {RUNNING} cannot load a plugin built for {BUILT_FOR}",
                allow_module_level=True)
if BUILT_FOR != RUNNING:
    warnings.warn(f"plugin built for Wireshark {BUILT_FOR or '?'}, tshark is {RUNNING or '?'}")

PLUGIN = Path(os.environ["TAV_WIRESHARK_PLUGIN"])
ORACLE = os.environ["TAV_WIRESHARK_ORACLE"]
SAMPLES = sorted(Path(os.environ["TAV_SOURCE_DIR"], "examples", "data").glob("gamestate-*.bin"))
PORT = 7777
FIELD_NAME = re.compile(r"^tav(\.[a-z0-9_]+)+$")


# ---- Captures ----


def varint(n):
    out = bytearray()
    while True:
        byte = n & 0x7F
        n >>= 7
        if n:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def message(text, body, length=None):
    """A message: the text's 2-byte count and bytes, the body's length as a varint, the body."""
    raw = text.encode()
    return struct.pack(">H", len(raw)) + raw + varint(len(body) if length is None else length) + body


def write_pcap(path, streams):
    """Writes TCP streams to a pcap file: each stream a list of segments, each segment bytes or
    (bytes, captured length). Stream i runs from 10.0.0.1:(20000 + i) to 10.0.0.2:PORT."""
    out = bytearray(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
    t = 0
    for i, segments in enumerate(streams):
        seq = 1000
        for segment in segments:
            payload, caplen = segment if isinstance(segment, tuple) else (segment, None)
            tcp = struct.pack(">HHIIBBHHH", 20000 + i, PORT, seq, 1, 5 << 4, 0x18, 65535, 0, 0)
            ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 40 + len(payload), i & 0xFFFF, 0, 64, 6, 0,
                             bytes([10, 0, 0, 1]), bytes([10, 0, 0, 2]))
            frame = b"\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x01\x08\x00" + ip + tcp + payload
            captured = frame if caplen is None else frame[:54 + caplen]
            t += 1
            out += struct.pack("<IIII", t // 1000, (t % 1000) * 1000, len(captured), len(frame))
            out += captured
            seq += len(payload)
    Path(path).write_bytes(bytes(out))
    os.chmod(path, 0o644)


# ---- tshark as an unprivileged user ----


@pytest.fixture(scope="session")
def work():
    root = Path(tempfile.mkdtemp(prefix="tav-wireshark-"))
    os.chmod(root, 0o755)
    epan = root / "plugins" / "4.0" / "epan"  # WIRESHARK_PLUGIN_DIR/<major.minor>/epan
    epan.mkdir(parents=True)
    shutil.copy(PLUGIN, epan / "tav.so")
    for d in (root / "plugins", epan.parent, epan):
        os.chmod(d, 0o755)
    os.chmod(epan / "tav.so", 0o644)
    yield root
    shutil.rmtree(root, ignore_errors=True)


def tshark(work, *args, check=True):
    env = {"PATH": "/usr/bin:/bin", "HOME": str(work), "XDG_CONFIG_HOME": str(work / "config"),
           "WIRESHARK_PLUGIN_DIR": str(work / "plugins"), "LC_ALL": "C.UTF-8"}
    command = [TSHARK, *args]
    if os.geteuid() == 0:
        command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *command]
    result = subprocess.run(command, env=env, capture_output=True, text=True, errors="replace",
                            timeout=300)
    if args[0] != "-G":
        assert not re.search(r"Dissector bug|dissector_bug", result.stdout + result.stderr), \
            result.stderr[-2000:]
    if check:
        assert result.returncode == 0, result.stderr[-2000:]
    return result


def capture(work, name, streams):
    path = work / (name + ".pcap")
    write_pcap(path, streams)
    return str(path)


# ---- The oracle and the tree ----


def oracle(work, messages, *extra):
    """The library's fields of each message: [(path, offset, length, value)] per message."""
    files = []
    for i, data in enumerate(messages):
        path = work / "oracle" / f"{len(os.listdir(work))}-{i}.bin"
        path.parent.mkdir(exist_ok=True)
        path.write_bytes(data)
        files.append(str(path))
    out = subprocess.run([ORACLE, *extra, *files], capture_output=True, text=True, check=True,
                         errors="surrogateescape").stdout
    result, current = [], None
    for line in out.splitlines():
        parts = line.split("\t")
        if parts[0] == "message":
            current = {"fields": [], "version": None}
        elif parts[0] == "version":
            current["version"] = parts[1]
        elif parts[0] == "field":
            current["fields"].append((parts[1], int(parts[2]), int(parts[3]), parts[4]))
        elif parts[0] == "end":
            result.append(current)
    return result


def tav_messages(work, pcap, *args):
    """Each stream's tav messages in order: their fields, expert infos, version and text."""
    out = tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-T", "pdml", *args).stdout
    streams = {}
    for packet in ET.fromstring(out).iter("packet"):
        stream = None
        for proto in packet.findall("proto"):
            if proto.get("name") == "tcp":
                for f in proto.iter("field"):
                    if f.get("name") == "tcp.stream":
                        stream = int(f.get("show"))
            elif proto.get("name") == "tav":
                streams.setdefault(stream, []).append(parse_tav(proto))
    return streams


def parse_tav(proto):
    base = int(proto.get("pos"))
    msg = {"fields": [], "names": [], "experts": set(), "version": None,
           "summary": proto.get("showname")}
    for f in proto.iter("field"):
        name = f.get("name") or ""
        if name.startswith("tav.expert."):
            msg["experts"].add(name[len("tav.expert."):])
        elif name == "tav.version":
            msg["version"] = f.get("show")

    def walk(node, prefix):
        for f in node.findall("field"):
            name = f.get("name") or ""
            if name.startswith(("_ws.", "tav.version", "tav.leftover", "tav.skipped")):
                continue
            label = f.get("showname") or ""
            children = [c for c in f.findall("field") if not (c.get("name") or "").startswith("_ws.")]
            if name in ("tav.header", "tav.body"):
                walk(f, "header." if name == "tav.header" else "")
            elif children:  # a record
                walk(f, prefix + label + ".")
            elif ": " in label:
                key, value = label.split(": ", 1)
                if value == "(not read)":
                    value = ""
                msg["fields"].append((prefix + key, int(f.get("pos")) - base, int(f.get("size")),
                                      value))
                msg["names"].append((prefix + key, name, value))

    walk(proto, "")
    return msg


def expected_name(path):
    return "tav." + re.sub(r"\[\d+\]", "", path)


def assert_tree(got, want):
    """The tree's fields are the annotation's, event and payload aside."""
    fields = [f for f in got["fields"] if f[0] not in ("header.event", "header.payload")]
    assert fields == want["fields"]
    assert got["version"] == want["version"]
    for path, name, value in got["names"]:
        if path.startswith("header.") or name in ("tav.unread",):
            continue
        assert name == expected_name(path) or (name == "tav.null" and value == "null"), path


def body_of(sample):
    header_size = 2 + struct.unpack(">H", sample[:2])[0]
    for n in range(1, 6):  # the length varint
        if sample[header_size + n - 1] < 0x80:
            return sample[:header_size + n], sample[header_size + n:]
    raise AssertionError("no length")


# ---- Tests ----


def test_plugin_is_loaded_and_fields_are_valid(work):
    plugins = tshark(work, "-G", "plugins").stdout
    assert re.search(r"^tav\.so\s", plugins, re.M), plugins
    fields = tshark(work, "-G", "fields").stdout
    names = [line.split("\t")[2] for line in fields.splitlines()
             if line.startswith("F\t") and line.split("\t")[4] == "tav"]
    assert names and all(FIELD_NAME.match(n) for n in names), [n for n in names
                                                                if not FIELD_NAME.match(n)]
    for wanted in ("tav.round", "tav.actors.player.hp", "tav.actors.instances.conditions",
                   "tav.header.event", "tav.header.length", "tav.actors.player.name"):
        assert wanted in names


def test_only_entry_points_are_exported():
    out = subprocess.run(["nm", "-D", "--defined-only", str(PLUGIN)], capture_output=True,
                         text=True, check=True).stdout
    exported = {line.split()[-1] for line in out.splitlines() if line.strip()}
    assert exported == {"plugin_version", "plugin_want_major", "plugin_want_minor",
                        "plugin_register"}


def test_every_split_and_several_per_segment(work):
    samples = [s.read_bytes() for s in SAMPLES]
    streams, expected = [], []
    for sample in samples:
        for cut in range(1, len(sample)):
            streams.append([sample[:cut], sample[cut:]])
            expected.append([sample])
    joined = b"".join(samples + samples[:1])
    streams.append([joined])  # four in one segment
    expected.append(samples + samples[:1])
    streams.append([joined[i:i + 7] for i in range(0, len(joined), 7)])  # across boundaries
    expected.append(samples + samples[:1])
    streams.append([joined[i:i + 1] for i in range(len(joined))])  # a byte per segment
    expected.append(samples + samples[:1])
    want = {s: o for s, o in zip(samples, oracle(work, samples))}
    got = tav_messages(work, capture(work, "splits", streams))
    assert len(got) == len(streams)
    for i, messages in enumerate(expected):
        assert len(got[i]) == len(messages), i
        for tree, sample in zip(got[i], messages):
            assert_tree(tree, want[sample])
            assert not tree["experts"], (i, tree["experts"])


def test_bad_cases_are_flagged(work):
    s84 = next(s.read_bytes() for s in SAMPLES if s.name == "gamestate-8.4.bin")
    header, body = body_of(s84)
    text = s84[2:2 + struct.unpack(">H", s84[:2])[0]].decode()
    truncated = message(text, body[:30])
    leftover = message(text, body + b"\x00\x00\x00")
    mismatch = message("game_state 7.6", body)
    bad_length = struct.pack(">H", 3) + b"abc" + b"\xff" * 5
    garbage = b"\xff\xff\xfe"
    too_large = message(text, b"", length=1 << 28) + body[:20]
    cases = [  # (segments, [(message bytes or None, experts)])
        ([truncated], [(truncated, {"ran_out", "no_exact_version"})]),
        ([leftover], [(leftover, {"leftover", "no_exact_version"})]),
        ([mismatch], [(mismatch, {"version_mismatch"})]),
        ([garbage + s84 + s84], [(None, {"bad_header"}), (s84, set()), (s84, set())]),
        ([bad_length + s84], [(None, {"bad_header"}), (s84, set())]),
        ([too_large, s84], [(None, {"too_large"}), (s84, set())]),
        ([s84, s84[:40]], [(s84, set())]),  # the capture ends inside the second
        ([(s84, 50)], [(s84[:50], {"cut_short", "ran_out", "no_exact_version"})]),  # snaplen
    ]
    got = tav_messages(work, capture(work, "bad", [c[0] for c in cases]))
    for i, (_, messages) in enumerate(cases):
        assert len(got.get(i, [])) == len(messages), (i, got.get(i))
        for tree, (data, experts) in zip(got[i], messages):
            assert tree["experts"] == experts, (i, tree["experts"])
            if data is not None:
                assert_tree(tree, oracle(work, [data])[0])


def test_filters_and_field_columns(work):
    samples = [s.read_bytes() for s in SAMPLES]
    want = oracle(work, samples)
    pcap = capture(work, "samples", [[s] for s in samples])
    rounds = [dict((f[0], f[3]) for f in w["fields"]).get("round") for w in want]
    out = tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-Y", "tav.round == 2",
                 "-T", "fields", "-e", "tcp.stream").stdout.split()
    assert out == [str(i) for i, r in enumerate(rounds) if r == "2"]
    assert out  # the samples have such a round
    out = tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-T", "fields",
                 "-e", "tav.actors.player.name").stdout.splitlines()
    names = [",".join(f[3].strip('"') for f in w["fields"]
                      if re.fullmatch(r"actors\[\d+\]\.player\.name", f[0])) for w in want]
    assert out == names and any(names)
    info = tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-T", "fields",
                  "-e", "_ws.col.Info").stdout.splitlines()
    assert all(re.fullmatch(r"game_state \d\.\d round=\d+ actors=\d+ \(\d+ bytes\)", i)
               for i in info), info
    # Several messages of a segment share its Info line.
    joined = capture(work, "joined", [[b"".join(samples)]])
    info = tshark(work, "-r", joined, "-d", f"tcp.port=={PORT},tav", "-T", "fields",
                  "-e", "_ws.col.Info").stdout.strip()
    assert info.count("; ") == len(samples) - 1 and info.startswith("game_state "), info
    # The port preference and the heuristic find the messages too (the heuristic has its own
    # switch); a forced version reads them all as it.
    for args in (["-o", f"tav.tcp.port:{PORT}"], []):
        out = tshark(work, "-r", pcap, *args, "-Y", "tav", "-T", "fields",
                     "-e", "tav.version").stdout
        assert out.split() == [w["version"] for w in want]
    out = tshark(work, "-r", pcap, "--disable-heuristic", "tav_tcp", "-Y", "tav").stdout
    assert out == ""
    forced = tav_messages(work, pcap, "-o", "tav.version:7.6")
    for i, w in enumerate(oracle(work, samples, "--version", "7.6")):
        assert_tree(forced[i][0], w)


def test_mutated_captures_do_not_break_the_dissector(work):
    rng = random.Random(19)
    samples = [s.read_bytes() for s in SAMPLES]
    streams = []
    for _ in range(300):
        data = bytearray(b"".join(rng.choice(samples) for _ in range(rng.randint(1, 3))))
        for _ in range(rng.randint(1, 4)):
            op, at = rng.randrange(4), rng.randrange(len(data))
            if op == 0:
                data[at] = rng.randrange(256)
            elif op == 1:
                data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 5)))
            elif op == 2:
                del data[at:at + rng.randint(1, 8)]
            else:
                data[at] ^= 0x80
        cuts = sorted(rng.sample(range(1, len(data)), min(len(data) - 1, rng.randint(0, 3))))
        segments = [bytes(data[a:b]) for a, b in zip([0] + cuts, cuts + [len(data)])]
        if rng.random() < 0.1:
            segments[-1] = (segments[-1], rng.randrange(len(segments[-1]) + 1))
        streams.append(segments)
    pcap = capture(work, "mutated", streams)
    tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-V")
    tshark(work, "-r", pcap, "-V", "-o", "tav.max_message_size:100")
    tshark(work, "-r", pcap, "-d", f"tcp.port=={PORT},tav", "-V", "-o", "tav.desegment:FALSE")
