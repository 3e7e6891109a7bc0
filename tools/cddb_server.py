#!/usr/bin/python3
"""A CDDB-over-HTTP server over folders of xmcd records.

Each --db folder holds category folders, and each category folder holds one
xmcd record per disc, named by its disc id (rock/0b014802), as public CDDB
archives are laid out. Requests are the ones a CDDB client sends over HTTP:

    GET /~cddb/cddb.cgi?cmd=cddb+query+...&hello=user+host+client+version&proto=5

It answers "cddb query", "cddb read" and "motd" as a classic CDDB server does,
speaks HTTP/1.1 with keep-alive, and counts connections and requests for
GET /stats ({"connections": n, "requests": m}; /stats itself is not counted,
and a connection is counted at its first other request). --fault makes it
misbehave in one chosen way, so that clients can be tested against servers
that are slow, broken or hostile.

usage: cddb_server.py --db DIR [--db DIR ...] [--port 0] [--host 127.0.0.1]
                      [--root ~cddb/cddb.cgi] [--motd FILE | --no-motd]
                      [--processed-by TEXT] [--fault MODE] [--fault-on KIND]
                      [--verbose]

Started, it prints the line "PORT n" on standard output; SIGTERM or SIGINT
stops it.
"""

import argparse
import codecs
import http
import json
import os
import re
import signal
import sys
import threading
import time
from dataclasses import dataclass
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, unquote, urlsplit

# The categories every CDDB server knows, whether or not a folder holds them.
STANDARD_CATEGORIES = frozenset(
    "blues classical country data folk jazz misc newage reggae rock soundtrack".split()
)
CATEGORY_NAME = re.compile(r"[a-z0-9_-]+")
DISC_ID = re.compile(r"[0-9a-f]{1,8}")
NUMBER = re.compile(r"[0-9]{1,9}")

LIST_TAIL = "list follows (until terminating `.')"
SYNTAX_ERROR = "500 Command syntax error."
NO_HELLO = "500 Command syntax error: incorrect number of arguments."
DEFAULT_MOTD = "Welcome to the Kalvex test CDDB server."

# An inexact match lies within this many frames on every track start and
# within this many seconds on the disc length.
NEAR_FRAMES = 150
NEAR_SECONDS = 2

HUGE_BYTES = 6 << 20
MAX_REDIRECT_HOPS = 100
HOP_PARAMETER = "_hop"


def _single_byte_or_question_mark(error):
    # Code points U+0080..U+009F that code page 1252 leaves undefined came from
    # those very bytes; anything outside one byte has no single-byte form.
    ch = error.object[error.start]
    return (bytes([ord(ch)]) if ord(ch) < 0x100 else b"?", error.start + 1)


def _undefined_cp1252_byte(error):
    return (chr(error.object[error.start]), error.start + 1)


codecs.register_error("kalvex-single-byte", _single_byte_or_question_mark)
codecs.register_error("kalvex-cp1252-gap", _undefined_cp1252_byte)


def decode_record(data):
    """Records on disk are UTF-8 or single-byte text; valid UTF-8 wins."""
    try:
        return data.decode("utf-8").removeprefix("\ufeff")
    except UnicodeDecodeError:
        # Code page 1252 is Latin-1 with printable characters where Latin-1
        # has control codes, so a Windows-written record keeps its euro signs.
        return data.decode("cp1252", "kalvex-cp1252-gap")


def encode_reply(text, proto):
    if proto >= 6:
        return text.encode("utf-8"), "text/plain; charset=UTF-8"
    return text.encode("cp1252", "kalvex-single-byte"), "text/plain; charset=ISO-8859-1"


def normalise_disc_id(text):
    """Clients drop a leading zero ("b014802"); answers always carry 8 digits."""
    text = text.lower()
    return text.zfill(8) if DISC_ID.fullmatch(text) else None


class RecordError(Exception):
    """A record that exists but cannot be read; carries the system's reason."""

    def __init__(self, path, reason):
        super().__init__(f"{path}: {reason}")
        self.reason = reason


@dataclass(frozen=True)
class NearEntry:
    category: str
    disc_id: str
    offsets: tuple
    seconds: int
    path: str


def parse_toc_comments(lines):
    """Track offsets and disc length from a record's leading comment block."""
    offsets, seconds, in_offsets = [], None, False
    for line in lines:
        if not line.startswith("#"):
            break
        body = line[1:].strip()
        if in_offsets and NUMBER.fullmatch(body):
            offsets.append(int(body))
            continue
        in_offsets = body.lower().startswith("track frame offsets")
        length = re.match(r"disc length:\s*([0-9]{1,9})", body, re.IGNORECASE)
        if length:
            seconds = int(length[1])
    return tuple(offsets), seconds


class RecordStore:
    """The merged view of several database folders; the first folder wins."""

    def __init__(self, folders, processed_by=None):
        self.folders = folders
        self.processed_by = processed_by
        self._near = None
        self._near_lock = threading.Lock()

    def _category_folders(self, folder):
        try:
            names = os.listdir(folder)
        except OSError:
            return []
        return [
            n for n in names
            if CATEGORY_NAME.fullmatch(n) and os.path.isdir(os.path.join(folder, n))
        ]

    def categories(self):
        found = set(STANDARD_CATEGORIES)
        for folder in self.folders:
            found.update(self._category_folders(folder))
        return found

    def find(self, category, disc_id):
        for folder in self.folders:
            path = os.path.join(folder, category, disc_id)
            if os.path.isfile(path):
                return path
        return None

    def exact(self, disc_id):
        return [(c, p) for c in sorted(self.categories()) if (p := self.find(c, disc_id))]

    def lines(self, path):
        try:
            with open(path, "rb") as f:
                text = decode_record(f.read())
        except OSError as e:
            raise RecordError(path, e.strerror) from e
        # A line holding only "." would end the reply early in the client.
        lines = [line.removesuffix("\r") for line in text.split("\n")]
        lines = [line for line in lines if line != "."]
        if lines and lines[-1] == "":
            lines.pop()
        return self._with_processed_by(lines)

    def _with_processed_by(self, lines):
        # A classic server rewrites each record it sends and names itself
        # under the revision line.
        if not self.processed_by or any(l.startswith("# Processed by:") for l in lines):
            return lines
        for i, line in enumerate(lines):
            if line.startswith("# Revision:"):
                return lines[: i + 1] + [f"# Processed by: {self.processed_by}"] + lines[i + 1 :]
        return lines

    def title(self, path):
        lines = self.lines(path)
        return "".join(l.split("=", 1)[1] for l in lines if l.upper().startswith("DTITLE="))

    def near(self, offsets, seconds):
        found = {}
        for entry in self._near_index().get(len(offsets), []):
            close = all(abs(a - b) <= NEAR_FRAMES for a, b in zip(offsets, entry.offsets))
            if close and abs(entry.seconds - seconds) <= NEAR_SECONDS:
                found.setdefault((entry.category, entry.disc_id), entry.path)
        return sorted(found.items())

    def _near_index(self):
        # Built at the first query without an exact match: a large collection
        # then costs nothing to start, and exact look-ups stay live on disk.
        with self._near_lock:
            if self._near is None:
                self._near = self._build_near_index()
            return self._near

    def _build_near_index(self):
        index = {}
        for folder in self.folders:
            for category in self._category_folders(folder):
                for name in sorted(os.listdir(os.path.join(folder, category))):
                    disc_id = normalise_disc_id(name)
                    if disc_id != name:
                        continue
                    path = os.path.join(folder, category, name)
                    try:
                        offsets, seconds = parse_toc_comments(self.lines(path))
                    except RecordError as e:
                        print(f"cddb_server: skipped {e}", file=sys.stderr)
                        continue
                    if offsets and seconds is not None:
                        entry = NearEntry(category, disc_id, offsets, seconds, path)
                        index.setdefault(len(offsets), []).append(entry)
        return index


def command_kind(words):
    lowered = [w.lower() for w in words[:2]]
    if lowered == ["cddb", "query"]:
        return "query"
    if lowered == ["cddb", "read"]:
        return "read"
    return "motd" if lowered == ["motd"] and len(words) == 1 else "other"


@dataclass
class Reply:
    kind: str
    lines: list
    proto: int = 5


class Cddb:
    """The CDDB protocol over a record store: parameters in, reply lines out."""

    def __init__(self, store, motd):
        self.store = store
        self.motd_text = motd  # (mtime, lines), or None for no message

    def answer(self, params):
        words = params.get("cmd", "").split()
        kind = command_kind(words)
        hello = params.get("hello")
        if hello is None or len(hello.split()) != 4:
            return Reply(kind, [NO_HELLO])
        proto = params.get("proto", "1")
        if not NUMBER.fullmatch(proto) or not 1 <= int(proto) <= 6:
            return Reply(kind, [f"501 Illegal CDDB protocol level: {proto}."])
        handlers = {"query": self.query, "read": self.read, "motd": self.motd}
        handler = handlers.get(kind)
        try:
            lines = handler(words[2:]) if handler else [SYNTAX_ERROR]
        except RecordError as e:
            print(f"cddb_server: {e}", file=sys.stderr)
            lines = [f"402 Server error: {e.reason}."]
        return Reply(kind, lines, int(proto))

    def query(self, args):
        if len(args) < 3 or not all(NUMBER.fullmatch(a) for a in args[1:]):
            return [SYNTAX_ERROR]
        count = int(args[1])
        disc_id = normalise_disc_id(args[0])
        if count < 1 or len(args) != count + 3 or disc_id is None:
            return [SYNTAX_ERROR]
        exact = self.store.exact(disc_id)
        if len(exact) == 1:
            category, path = exact[0]
            return [f"200 {category} {disc_id} {self.store.title(path)}"]
        if exact:
            matches = [((c, disc_id), p) for c, p in exact]
            header = "210 Found exact matches, "
        else:
            offsets = tuple(int(a) for a in args[2:-1])
            matches = self.store.near(offsets, int(args[-1]))
            header = "211 Found inexact matches, "
        if not matches:
            return [f"202 No match for disc ID {disc_id}."]
        body = [f"{c} {d} {self.store.title(p)}" for (c, d), p in matches]
        return [header + LIST_TAIL, *body, "."]

    def read(self, args):
        if len(args) != 2 or normalise_disc_id(args[1]) is None:
            return [SYNTAX_ERROR]
        category, disc_id = args[0].lower(), normalise_disc_id(args[1])
        if category not in self.store.categories():
            return [f"501 Invalid category: {args[0]}"]
        path = self.store.find(category, disc_id)
        if path is None:
            return [f"401 {category} {disc_id} No such CD entry in database."]
        header = f"210 {category} {disc_id} CD database entry follows (until terminating `.')"
        return [header, *self.store.lines(path), "."]

    def motd(self, _args):
        if self.motd_text is None:
            return ["401 No message of the day available."]
        mtime, lines = self.motd_text
        stamp = time.strftime("%m/%d/%Y %H:%M:%S", time.localtime(mtime))
        return [f"210 Last modified: {stamp} MOTD follows (until terminating `.')", *lines, "."]


def render(lines):
    return "".join(line + "\r\n" for line in lines)


class Fault:
    """One way of misbehaving, limited to one command kind or to all."""

    MODES = (
        "delay:SECONDS, status:CODE, garbage, cut, huge, refuse-hello, redirect:N, "
        "redirect-scheme[:SCHEME], unknown-status[:CODE], slow-body[:SECONDS_PER_BYTE]"
    )

    def __init__(self, mode_text, on):
        self.mode, _, arg = mode_text.partition(":")
        self.on = on
        self.arg = self._parse_arg(arg)

    def _parse_arg(self, arg):
        numbers = {
            "delay": (float, None),
            "status": (int, None),
            "redirect": (int, None),
            "unknown-status": (int, 599),
            "slow-body": (float, 0.02),
        }
        if self.mode in ("garbage", "cut", "huge", "refuse-hello") and not arg:
            return None
        if self.mode == "redirect-scheme":
            return arg or "ftp"
        if self.mode not in numbers:
            raise ValueError(f"unknown fault '{self.mode}' (modes: {self.MODES})")
        kind, default = numbers[self.mode]
        if not arg and default is None:
            raise ValueError(f"fault '{self.mode}' needs a value after ':'")
        value = kind(arg) if arg else default
        if value < 0 or (self.mode == "status" and not 100 <= value <= 599):
            raise ValueError(f"fault '{self.mode}': {arg} is out of range")
        if self.mode == "redirect" and value > MAX_REDIRECT_HOPS:
            raise ValueError(f"fault 'redirect': at most {MAX_REDIRECT_HOPS} hops")
        return value

    def applies(self, kind):
        return self.on == "any" or self.on == kind

    def serve(self, handler, reply, hop):
        mode, arg = self.mode, self.arg
        if mode == "delay":
            time.sleep(arg)
        elif mode == "status":
            try:
                phrase = http.HTTPStatus(arg).phrase
            except ValueError:
                phrase = "Error"
            return handler.send_body(arg, f"{arg} {phrase}\n".encode(), "text/plain")
        elif mode == "garbage":
            # A leading zero byte keeps it from ever reading as a status line.
            return handler.send_body(200, b"\x00\xff" + os.urandom(510), reply_type(reply))
        elif mode in ("refuse-hello", "unknown-status"):
            refused = mode == "refuse-hello"
            text = "500 Unknown developer email" if refused else f"{arg} Unexpected status."
            reply = Reply(reply.kind, [text], reply.proto)
        elif mode == "redirect" and hop < arg:
            return handler.send_redirect(handler.self_url(hop + 1))
        elif mode == "redirect-scheme":
            target = "file:///etc/passwd" if arg == "file" else f"{arg}://{handler.host()}/cddb"
            return handler.send_redirect(target)
        elif mode == "cut":
            return handler.send_cut(encode_reply(render(reply.lines), reply.proto))
        elif mode == "huge":
            return handler.send_stream(lambda: huge_chunks(reply.kind), reply_type(reply))
        elif mode == "slow-body":
            return handler.send_slowly(encode_reply(render(reply.lines), reply.proto), arg)
        return handler.send_reply(reply)


def reply_type(reply):
    return encode_reply("", reply.proto)[1]


def huge_chunks(kind):
    """A well-formed 210 reply of more than 5 MiB, made as it is sent."""
    if kind == "query":
        yield b"210 Found exact matches, " + LIST_TAIL.encode() + b"\r\n"
        line = "misc {:08x} Filler Artist / Filler Album\r\n"
    else:
        yield b"210 misc 00000000 CD database entry follows (until terminating `.')\r\n"
        line = "EXTD=" + "x" * 100 + " {:08x}\r\n"
    block = "".join(line.format(i) for i in range(1000)).encode()
    for _ in range(HUGE_BYTES // len(block) + 1):
        yield block
    yield b".\r\n"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KalvexCddb/1.0"
    timeout = 30  # an idle keep-alive connection gives up its thread
    # Head and body go out in two writes; with Nagle's algorithm the body of
    # every request after the first on a connection would wait for the
    # client's delayed acknowledgement (about 40 ms).
    disable_nagle_algorithm = True

    def setup(self):
        super().setup()
        self.counted = False

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path == "/stats":
            body = json.dumps(self.server.stats()).encode()
            return self.send_body(200, body, "application/json")
        self.server.count(first=not self.counted)
        self.counted = True
        if unquote(url.path).lstrip("/") != self.server.root:
            return self.send_body(404, b"Not Found\n", "text/plain")
        pairs = parse_qsl(url.query, keep_blank_values=True, encoding="cp1252",
                          errors="kalvex-cp1252-gap")
        params = dict(pairs)
        hop_text = params.get(HOP_PARAMETER, "")
        hop = int(hop_text) if NUMBER.fullmatch(hop_text) else 0
        reply = self.server.cddb.answer(params)
        fault = self.server.fault
        if fault and fault.applies(reply.kind):
            return fault.serve(self, reply, hop)
        return self.send_reply(reply)

    def host(self):
        return self.headers.get("Host") or "%s:%d" % self.server.server_address[:2]

    def self_url(self, hop):
        url = urlsplit(self.path)
        query = "&".join(p for p in url.query.split("&") if not p.startswith(HOP_PARAMETER + "="))
        return f"http://{self.host()}{url.path}?{query}&{HOP_PARAMETER}={hop}"

    def send_head(self, status, length, content_type, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def send_body(self, status, body, content_type, extra=()):
        self.send_head(status, len(body), content_type, extra)
        self.wfile.write(body)

    def send_reply(self, reply):
        body, content_type = encode_reply(render(reply.lines), reply.proto)
        self.send_body(200, body, content_type)

    def send_redirect(self, location):
        self.send_body(302, b"Moved\n", "text/plain", [("Location", location)])

    def send_cut(self, encoded):
        body, content_type = encoded
        self.send_head(200, len(body), content_type)
        self.wfile.write(body[: len(body) // 2])
        self.close_connection = True

    def send_stream(self, make_chunks, content_type):
        # Made twice, once to measure, so that it never sits in memory whole.
        self.send_head(200, sum(map(len, make_chunks())), content_type)
        for chunk in make_chunks():
            self.wfile.write(chunk)

    def send_slowly(self, encoded, seconds_per_byte):
        body, content_type = encoded
        self.send_head(200, len(body), content_type)
        for i in range(len(body)):
            self.wfile.write(body[i : i + 1])
            self.wfile.flush()
            time.sleep(seconds_per_byte)


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, cddb, root, fault, verbose):
        super().__init__(address, Handler)
        self.cddb, self.root, self.fault, self.verbose = cddb, root, fault, verbose
        self._lock = threading.Lock()
        self._connections = 0
        self._requests = 0

    def count(self, first):
        with self._lock:
            self._connections += first
            self._requests += 1

    def stats(self):
        with self._lock:
            return {"connections": self._connections, "requests": self._requests}

    def handle_error(self, request, client_address):
        # A client that hangs up mid-reply is the clients' business, not ours.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def load_motd(args):
    if args.no_motd:
        return None
    if args.motd is None:
        return time.time(), [DEFAULT_MOTD]
    with open(args.motd, "rb") as f:
        text = decode_record(f.read())
        mtime = os.fstat(f.fileno()).st_mtime
    return mtime, [l.removesuffix("\r") for l in text.rstrip("\r\n").split("\n")]


def parse_args(argv):
    p = argparse.ArgumentParser(description="CDDB-over-HTTP server over folders of xmcd records")
    p.add_argument("--db", action="append", required=True, metavar="DIR",
                   help="a folder of CATEGORY/DISCID records; repeat to merge, the first wins")
    p.add_argument("--port", type=int, default=0, help="0 (the default) picks a free port")
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--root", default="~cddb/cddb.cgi", help="the script path; others give 404")
    motd = p.add_mutually_exclusive_group()
    motd.add_argument("--motd", metavar="FILE", help="message of the day (default: a greeting)")
    motd.add_argument("--no-motd", action="store_true", help="answer motd with 401")
    p.add_argument("--processed-by", metavar="TEXT",
                   help='add "# Processed by: TEXT" under each record\'s revision line')
    p.add_argument("--fault", metavar="MODE", help=Fault.MODES)
    p.add_argument("--fault-on", choices=("any", "query", "read", "motd", "other"), default="any",
                   help="the command kind the fault applies to")
    p.add_argument("--verbose", action="store_true", help="log each request to standard error")
    args = p.parse_args(argv)
    try:
        args.fault = Fault(args.fault, args.fault_on) if args.fault else None
    except ValueError as e:
        p.error(str(e))
    return args


def main(argv):
    args = parse_args(argv)
    for folder in args.db:
        try:
            os.listdir(folder)
        except OSError as e:
            print(f"cddb_server: --db {folder}: {e.strerror}", file=sys.stderr)
            return 1
    try:
        motd = load_motd(args)
    except OSError as e:
        print(f"cddb_server: --motd {args.motd}: {e.strerror}", file=sys.stderr)
        return 1
    cddb = Cddb(RecordStore(args.db, args.processed_by), motd)
    try:
        address = (args.host, args.port)
        server = Server(address, cddb, args.root.lstrip("/"), args.fault, args.verbose)
    except OSError as e:
        where = f"{args.host}:{args.port}"
        print(f"cddb_server: cannot listen on {where}: {e.strerror}", file=sys.stderr)
        return 1

    def stop(_signum, _frame):
        # shutdown() waits for serve_forever(), so it must run elsewhere.
        threading.Thread(target=server.shutdown).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever(poll_interval=0.1)
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
