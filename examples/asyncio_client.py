"""A client that reads game states from a TCP connection with asyncio.

The connection carries framed messages (a header, then a body of the length it gives), cut
into chunks wherever the network cuts them. GameStateClient is an asyncio.Protocol: each chunk
goes to a tav.protocol.MessageStream in data_received, which returns the messages that chunk
completed; each state is handed to a callback as soon as its last byte has arrived. The body's
protocol version is the one the message's header names (when it reads the body exactly), or
given with --protocol.

    python3 examples/asyncio_client.py HOST PORT [--protocol 8.4]

prints one line per state received until the peer closes the connection. Exit status 0 when
the connection ended on a message boundary, 1 after a malformed or unfinished message, 2 when
the connection could not be made.

A message the stream cannot deliver (a malformed header, one larger than the stream's limit)
ends the connection with an error: a peer that sends one is not speaking this protocol. The
messages that arrived before it are still delivered.
"""

import argparse
import asyncio
import sys

import tav.protocol


class GameStateClient(asyncio.Protocol):
    """Delivers each game state of the connection to on_state(header, state)."""

    def __init__(self, on_state, version=None):
        self.on_state = on_state
        self.stream = tav.protocol.MessageStream(version)
        self.error = None
        self.closed = asyncio.get_running_loop().create_future()
        self.transport = None

    def connection_made(self, transport):
        self.transport = transport

    def data_received(self, data):
        try:
            messages = self.stream.feed(data)
        except tav.protocol.MessageError as error:
            messages, self.error = error.messages, error
            self.transport.close()
        for message in messages:
            self.on_state(message.header, message.state)

    def connection_lost(self, exc):
        if self.error is None and exc is not None:
            self.error = exc
        if self.error is None and self.stream.buffered:
            self.error = EOFError("the connection ended %d bytes into a message"
                                  % self.stream.buffered)
        if not self.closed.done():
            self.closed.set_result(self.error)


async def read_states(host, port, on_state, version=None):
    """Connects, delivers every state to on_state until the peer closes the connection, and
    returns None, or the error that ended it."""
    loop = asyncio.get_running_loop()
    _, client = await loop.create_connection(lambda: GameStateClient(on_state, version), host,
                                             port)
    return await client.closed


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("host")
    parser.add_argument("port", type=int)
    parser.add_argument("--protocol", choices=tav.protocol.VERSIONS,
                        help="the version of every body (default: the header's)")
    args = parser.parse_args(argv)

    def show(header, state):
        print("%s %s: round %d, %d actors, %d decks" % (
            header.event, header.payload, state.round, len(state.actors),
            len(state.ability_decks)), flush=True)

    try:
        error = asyncio.run(read_states(args.host, args.port, show, args.protocol))
    except OSError as error:
        print("asyncio_client: cannot connect: %s" % error, file=sys.stderr)
        return 2
    if error is not None:
        print("asyncio_client: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
