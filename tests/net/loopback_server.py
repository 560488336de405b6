"""Starts a test server on 127.0.0.1 and tells the test program where to find it.

The port file receives two numbers: the port the server listens on, and a port on which
nothing listens (for the refused-connection cases). It is written whole, through a rename, so
that a reader never sees half of it.
"""
import argparse
import os
import socket
import socketserver


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def unused_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def serve(handler, description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()

    server = Server(("127.0.0.1", 0), handler)
    port = server.server_address[1]
    closed = unused_port()
    while closed == port:
        closed = unused_port()
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write("%d %d\n" % (port, closed))
    os.replace(temporary, args.port_file)
    server.serve_forever()
