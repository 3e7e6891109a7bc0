#!/usr/bin/python3
"""A stand-in for the MusicBrainz web service's disc id lookups, and for the
Cover Art Archive's front covers, on 127.0.0.1.

Each --db folder holds JSON files, read at start (subfolders too):
  - a release as the web service sends it for /ws/2/release/<mbid>?fmt=json
    (an object with "media"): every disc id its media list becomes known;
  - a whole disc id reply (an object with "id" and "releases"), served as is.

    GET /ws/2/discid/<id>?inc=...&fmt=json            the disc and its releases,
                                                     or 404 for an unknown id
    GET /ws/2/discid/<id>?toc=F+L+LEADOUT+OFFSETS...  for an unknown id, the
                                                     releases whose disc has as
                                                     many tracks, each start and
                                                     the lead-out near ("fuzzy")
    GET /release/<mbid>/front-500                    307 to the cover image, or
                                                     404 (--covers DIR holds
                                                     <mbid>.jpg or <mbid>.png)
    GET /stats                                       {"requests": [{"path",
                                                     "time", "user_agent"}]}

Requests to /ws/2 without a User-Agent of the form "Name/Version ( contact )"
are refused with 403, as the service asks. --fault makes it misbehave:
  503[:SECONDS]   the first disc id request gets 503 with Retry-After SECONDS
                  (default 1), the ones after it are answered
  busy            every disc id request gets 503 with Retry-After 1
  delay:SECONDS   every disc id request waits that long before its answer
  garbage         disc id requests get bytes that are no JSON
  404             every disc id request gets 404

usage: musicbrainz_server.py [--db DIR ...] [--covers DIR] [--port 0]
                             [--host 127.0.0.1] [--fault MODE] [--verbose]

Started, it prints the line "PORT n" on standard output; SIGTERM or SIGINT
stops it.
"""

import argparse
import json
import os
import re
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, unquote, urlsplit

USER_AGENT = re.compile(r"^\S+/\S+ \( .+ \)$")
# A fuzzy match lies within this many frames on every start and the lead-out.
NEAR_FRAMES = 75 * 5
DISC_PATH = re.compile(r"^/ws/2/discid/([^/?]+)$")
COVER_PATH = re.compile(r"^/release/([0-9a-f-]{36})/front(?:-500)?$")
IMAGE_PATH = re.compile(r"^/images/([0-9a-f-]{36})\.(jpg|png)$")


class Store:
    """The releases and disc replies of the --db folders, by disc id."""

    def __init__(self, folders):
        self.releases = []
        self.discs = {}  # disc id -> (disc object, [releases])
        self.stored_replies = {}
        for folder in folders:
            for root, _dirs, files in os.walk(folder):
                for name in sorted(files):
                    if name.endswith(".json"):
                        self._load(os.path.join(root, name))

    def _load(self, path):
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        if "releases" in document and "id" in document:
            self.stored_replies[document["id"]] = document
            return
        if "media" not in document:
            return
        self.releases.append(document)
        for medium in document["media"]:
            for disc in medium.get("discs", []):
                entry = self.discs.setdefault(disc["id"], (disc, []))
                if document not in entry[1]:
                    entry[1].append(document)

    def exact(self, disc_id):
        if disc_id in self.stored_replies:
            return self.stored_replies[disc_id]
        if disc_id not in self.discs:
            return None
        disc, releases = self.discs[disc_id]
        return {"id": disc["id"], "offset-count": disc["offset-count"],
                "sectors": disc["sectors"], "offsets": disc["offsets"], "releases": releases}

    def fuzzy(self, toc):
        """The releases holding a disc near the table of contents."""
        first, last, lead_out, offsets = toc[0], toc[1], toc[2], toc[3:]
        if len(offsets) != last - first + 1:
            return []
        found = []
        for disc, releases in self.discs.values():
            near = (len(disc["offsets"]) == len(offsets)
                    and abs(disc["sectors"] - lead_out) <= NEAR_FRAMES
                    and all(abs(a - b) <= NEAR_FRAMES for a, b in zip(disc["offsets"], offsets)))
            if near:
                found.extend(r for r in releases if r not in found)
        return found


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KalvexMusicBrainzStandIn/1"
    timeout = 30  # an idle keep-alive connection gives up its thread
    # A reply must not wait for the acknowledgement of the one before.
    disable_nagle_algorithm = True

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        parts = urlsplit(self.path)
        path = unquote(parts.path)
        if path == "/stats":
            self.send_json(200, {"requests": self.server.requests_seen()})
            return
        if COVER_PATH.match(path):
            self.serve_cover(COVER_PATH.match(path).group(1))
            return
        if IMAGE_PATH.match(path):
            self.serve_image(*IMAGE_PATH.match(path).groups())
            return
        disc = DISC_PATH.match(path)
        if not disc:
            self.send_json(404, {"error": "Not Found"})
            return
        self.server.note(path, self.headers.get("User-Agent", ""))
        if not USER_AGENT.match(self.headers.get("User-Agent", "")):
            self.send_json(403, {"error": "Your requests must name your application in the "
                                          "User-Agent header: Name/Version ( contact )"})
            return
        if self.server.fault_answered(self):
            return
        query = parse_qs(parts.query)
        self.serve_disc(disc.group(1), query.get("toc", [""])[0])

    def serve_disc(self, disc_id, toc_text):
        reply = self.server.store.exact(disc_id)
        if reply is not None:
            self.send_json(200, reply)
            return
        if not toc_text:
            self.send_json(404, {"error": "Not Found", "help": "For usage, please see: "
                                 "https://musicbrainz.org/development/mmd"})
            return
        try:
            toc = [int(word) for word in toc_text.replace("+", " ").split()]
        except ValueError:
            self.send_json(400, {"error": "Invalid toc."})
            return
        releases = self.server.store.fuzzy(toc) if len(toc) >= 4 else []
        self.send_json(200, {"release-count": len(releases), "release-offset": 0,
                             "releases": releases})

    def serve_cover(self, mbid):
        for extension in ("jpg", "png"):
            if self.cover_file(mbid, extension):
                self.send_response(307)
                self.send_header("Location", "/images/%s.%s" % (mbid, extension))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        self.send_json(404, {"error": "Not Found"})

    def serve_image(self, mbid, extension):
        path = self.cover_file(mbid, extension)
        if not path:
            self.send_json(404, {"error": "Not Found"})
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_body(200, body, "image/jpeg" if extension == "jpg" else "image/png")

    def cover_file(self, mbid, extension):
        folder = self.server.covers
        path = os.path.join(folder, "%s.%s" % (mbid, extension)) if folder else ""
        return path if path and os.path.isfile(path) else ""

    def send_json(self, status, document, extra=()):
        body = json.dumps(document, ensure_ascii=False).encode("utf-8")
        self.send_body(status, body, "application/json; charset=utf-8", extra)

    def send_body(self, status, body, content_type, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, store, covers, fault, verbose):
        super().__init__(address, Handler)
        self.store = store
        self.covers = covers
        self.fault = fault
        self.verbose = verbose
        self.lock = threading.Lock()
        self.seen = []
        self.disc_requests = 0

    def note(self, path, user_agent):
        with self.lock:
            self.seen.append({"path": path, "time": time.monotonic(), "user_agent": user_agent})
            self.disc_requests += 1

    def handle_error(self, request, client_address):
        # A client that hangs up mid-request is no fault of the server's.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            super().handle_error(request, client_address)

    def requests_seen(self):
        with self.lock:
            return list(self.seen)

    def fault_answered(self, handler):
        """Serves the fault for the handler's request; True when it answered."""
        mode, _, arg = (self.fault or "").partition(":")
        if mode == "503" and self.disc_requests == 1 or mode == "busy":
            handler.send_json(503, {"error": "Your requests are exceeding the allowable rate "
                                             "limit."},
                              [("Retry-After", arg or "1")])
            return True
        if mode == "delay":
            time.sleep(float(arg or "1"))
        if mode == "garbage":
            handler.send_body(200, b"<html>\x00\xff not json", "application/json")
            return True
        if mode == "404":
            handler.send_json(404, {"error": "Not Found"})
            return True
        return False


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--db", action="append", default=[])
    parser.add_argument("--covers", default="")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--fault", default="")
    parser.add_argument("--verbose", action="store_true")
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    for folder in args.db:
        if not os.path.isdir(folder):
            print("no such folder: %s" % folder, file=sys.stderr)
            return 2
    server = Server((args.host, args.port), Store(args.db), args.covers, args.fault,
                    args.verbose)
    print("PORT %d" % server.server_address[1], flush=True)

    def stop(_signum, _frame):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    server.serve_forever(poll_interval=0.1)
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
