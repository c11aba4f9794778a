"""examples/asyncio_client.py against a local server that sends the three samples in chunks of
random sizes: every state arrives, equal to the one-shot read of its message, and a malformed
message ends the connection after the states before it."""

import asyncio
import importlib.util
import os
import random

import tav.protocol as P

HERE = os.path.dirname(__file__)
DATA = os.path.join(HERE, "..", "..", "examples", "data")
module_spec = importlib.util.spec_from_file_location(
    "asyncio_client", os.path.join(HERE, "..", "..", "examples", "asyncio_client.py"))
client = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(client)

MESSAGES = []
for _v in P.VERSIONS:
    with open(os.path.join(DATA, "gamestate-%s.bin" % _v), "rb") as _f:
        MESSAGES.append(_f.read())


async def exchange(payload, seed):
    rng = random.Random(seed)

    async def serve(reader, writer):
        i = 0
        while i < len(payload):
            n = rng.randrange(1, 30)
            writer.write(payload[i:i + n])
            await writer.drain()
            await asyncio.sleep(0)
            i += n
        writer.close()

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    received = []
    async with server:
        error = await client.read_states("127.0.0.1", port,
                                         lambda h, s: received.append((h.payload, s)))
    return received, error


def test_states_arrive_whatever_the_chunks():
    payload = b"".join(MESSAGES * 3)
    expected = [(P.read_message(m).header.payload, P.read_message(m).state) for m in MESSAGES] * 3
    for seed in range(3):
        received, error = asyncio.run(exchange(payload, seed))
        assert error is None and received == expected


def test_a_malformed_message_ends_the_connection():
    received, error = asyncio.run(exchange(MESSAGES[0] + b"\xff\xff" + MESSAGES[1], 1))
    assert [p for p, _ in received] == ["7.6"]
    assert isinstance(error, P.MessageError)
    received, error = asyncio.run(exchange(MESSAGES[0] + MESSAGES[1][:-3], 2))
    assert len(received) == 1 and isinstance(error, EOFError)
