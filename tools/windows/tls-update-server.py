#!/usr/bin/env python3
"""The update server over https on 127.0.0.1, for the Windows leg's TLS check.

Answers the version check with "v1.0" as the bundled server does, with the
certificate and key it is given.
Usage: tls-update-server.py PORT CERTIFICATE KEY
"""
import http.server
import ssl
import sys

CHECK_PATH = "/website/varno/VarnoSoftware/copyright.php"


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        found = self.path == CHECK_PATH
        body = b'{"version":"v1.0"}' if found else b""
        self.send_response(200 if found else 404)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    port, certificate, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    server = http.server.HTTPServer(("127.0.0.1", port), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
