#!/usr/bin/env python3
"""A TLS server on 127.0.0.1 that speaks first: after each handshake it sends "hello\\n", then
close_notify, and closes only once the client's close_notify came (or the client closed), as
vsftpd ends a TLS data connection. TLS 1.2 at most, as vsftpd's data connections run here.

    tls_talker_server.py CERT KEY

writes "PORT n" on stdout once it listens, and serves one connection at a time until killed.
"""

import socket
import ssl
import sys


def main() -> None:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.maximum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    with socket.create_server(("127.0.0.1", 0)) as listener:
        print("PORT", listener.getsockname()[1], flush=True)
        while True:
            connection, _ = listener.accept()
            connection.settimeout(30)
            try:
                with context.wrap_socket(connection, server_side=True) as tls:
                    tls.sendall(b"hello\n")
                    # Sends close_notify, then waits for the client's.
                    tls.unwrap().close()
            except (OSError, ssl.SSLError):
                connection.close()


if __name__ == "__main__":
    main()
