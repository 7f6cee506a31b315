#!/usr/bin/env python3
"""A voice service for tests that answers "/hablar" by the first word of the
text: "error" a 500, "corte" 0.3 s of audio and then the connection closes
before the announced length, "lento" 0.2 s of audio, then 0.5 s more after
3 s; anything else 0.5 s of a 440 Hz tone. Same launch and handshake as the
real service."""

import json
import math
import os
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TOKEN = os.environ.get("ZUVIIA_TOKEN", "")


def tono(segundos):
    n = int(segundos * 24000)
    return struct.pack("<%df" % n, *(0.3 * math.sin(2 * math.pi * 440 * i / 24000) for i in range(n)))


class Manejador(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_POST(self):
        largo = int(self.headers.get("Content-Length", "0"))
        texto = json.loads(self.rfile.read(largo) or b"{}").get("texto", "")
        if self.headers.get("X-ZuviIA-Token") != TOKEN or texto.startswith("error"):
            self.send_response(500)
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        try:
            if texto.startswith("corte"):
                audio = tono(0.3)
                self.send_header("Content-Length", str(len(audio) * 10))
                self.end_headers()
                self.wfile.write(audio)
                self.wfile.flush()
                self.connection.shutdown(2)
            elif texto.startswith("lento"):
                self.end_headers()
                self.wfile.write(tono(0.2))
                self.wfile.flush()
                time.sleep(3)
                self.wfile.write(tono(0.5))
            else:
                self.end_headers()
                self.wfile.write(tono(0.5))
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass


def main():
    servidor = ThreadingHTTPServer(("127.0.0.1", 0), Manejador)
    servidor.daemon_threads = True

    def vigilar():
        while sys.stdin.buffer.read(4096):
            pass
        os._exit(0)

    threading.Thread(target=vigilar, daemon=True).start()
    print("PUERTO=%d" % servidor.server_address[1], flush=True)
    print("LISTO", flush=True)
    servidor.serve_forever()


if __name__ == "__main__":
    main()
