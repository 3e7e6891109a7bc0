#!/usr/bin/python3
"""The CDDB server (tools/cddb_server.py) against recorded replies of a classic
one (KALVEX_CDDB_TESTDATA names the folder with db/ and cddbd-replies/), over
the project's own records, and in the fault modes the lookup tests do not drive.
"""

import http.client
import json
import os
import re
import signal
import sys
import tempfile
import threading
import time
import unittest
from urllib.parse import quote_plus

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../id3"))
from mp3_tools import SOURCE as REPO, read_bytes, run, start_server  # noqa: E402

SERVER = os.path.join(REPO, "tools", "cddb_server.py")
SERVER_DB = os.path.join(HERE, "server_db")
CDDB_DATA = os.environ.get("KALVEX_CDDB_TESTDATA", os.path.join(REPO, "tests", "data", "cddb"))
SHARED_DB = os.path.join(CDDB_DATA, "db")
REPLIES = os.path.join(CDDB_DATA, "cddbd-replies")
HELLO = "anon localhost Kalvex_Tagger 1.0.0"

JAZZ = [150, 28615, 51027, 75835, 102620, 121460, 148977, 175697, 204322, 231082, 268002]


def query_text(disc_id, offsets, seconds):
    return f"cddb query {disc_id} {len(offsets)} {' '.join(map(str, offsets))} {seconds}"


def stop(server, signum=signal.SIGTERM):
    # Its signal handlers are in place once it has said its port.
    server.send_signal(signum)
    with server.stdout:
        return server.wait(5)


def get(server, path):
    """One request on a connection of its own."""
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=10)
    conn.request("GET", path)
    response = conn.getresponse()
    body = response.read()
    conn.close()
    return response, body


def cddb(server, command, proto=5, hello=HELLO, root="/~cddb/cddb.cgi"):
    path = f"{root}?cmd={quote_plus(command)}"
    if hello is not None:
        path += f"&hello={quote_plus(hello)}&proto={proto}"
    return get(server, path)


class ServerCase(unittest.TestCase):
    def start(self, *args):
        """The server on a port of its own, which must stop cleanly after the test."""
        server = start_server("cddb_server.py", *args)
        self.addCleanup(lambda: self.assertEqual(stop(server), 0))
        return server


def recording(name):
    return read_bytes(os.path.join(REPLIES, name))


def classic_server_name():
    """How the recorded server names itself in each record it sends."""
    return re.search(rb"# Processed by: (.*)\r\n", recording("read-210-rock.txt"))[1].decode()


class RecordedReplies(ServerCase):
    def test_bodies_match_a_classic_server_byte_for_byte(self):
        server = self.start("--db", SHARED_DB, "--processed-by", classic_server_name())
        two_tracks = "cddb query b014802 2 150 13500 330"
        cases = [
            ("query-210-two-categories.txt", two_tracks, 5, HELLO),
            ("query-200-exact.txt", query_text("920ef00b", JAZZ, 3826), 5, HELLO),
            ("query-211-inexact.txt", query_text("920ef00c", [o + 2 for o in JAZZ], 3826), 5, HELLO),
            ("query-202-no-match.txt", "cddb query 12345678 1 150 600", 5, HELLO),
            ("query-500-bad-arguments.txt", "cddb query b014802 2 150 13500", 5, HELLO),
            ("query-501-bad-proto.txt", two_tracks, 7, HELLO),
            ("query-no-hello.txt", two_tracks, None, None),
            ("read-210-rock.txt", "cddb read rock 0b014802", 5, HELLO),
            ("read-210-latin1-proto5.txt", "cddb read newage 1701c003", 5, HELLO),
            ("read-210-utf8-proto6.txt", "cddb read newage 1701c003", 6, HELLO),
            ("read-401-not-found.txt", "cddb read rock 12345678", 5, HELLO),
            ("read-501-bad-category.txt", "cddb read nosuchcat 0b014802", 5, HELLO),
        ]
        for name, command, proto, hello in cases:
            with self.subTest(name):
                response, body = cddb(server, command, proto, hello)
                self.assertEqual(body, recording(name))
                charset = "UTF-8" if proto == 6 else "ISO-8859-1"
                self.assertEqual(response.getheader("Content-Type"), f"text/plain; charset={charset}")
        _, body = cddb(server, "motd")
        # The time stamp is the server's own; the rest of the header is not.
        header = re.escape(recording("motd-210.txt").split(b"\r\n")[0])
        self.assertRegex(body.split(b"\r\n")[0], re.sub(rb"[0-9]", rb"[0-9]", header))
        self.assertTrue(body.endswith(b"\r\n.\r\n"))


class OwnRecords(ServerCase):
    def setUp(self):
        self.server = self.start("--db", SERVER_DB, "--db", SHARED_DB)

    def test_records_are_single_bytes_at_level_5_and_utf8_at_level_6(self):
        def lines(reply, path):
            on_disk = read_bytes(os.path.join(SERVER_DB, path))
            self.assertEqual(reply.split(b"\r\n")[1:-2], on_disk.split(b"\n")[:-1])

        _, single = cddb(self.server, "cddb read folk 2103d204", 5)
        self.assertIn("TTITLE2=Polska för 5 €\r\nTTITLE3=?mega\\tvisa\r\n".encode("cp1252"), single)
        lines(cddb(self.server, "cddb read folk 2103d204", 6)[1], "folk/2103d204")
        # Latin-1 on disk comes out as the same bytes at level 5.
        lines(cddb(self.server, "cddb read blues 2002601", 5)[1], "blues/02002601")
        _, query = cddb(self.server, "cddb query 2002601 1 150 40", 5)
        self.assertEqual(query, "200 blues 02002601 Trío Señor / Canción única\r\n".encode("latin-1"))
        # CR LF on disk gains no second CR.
        _, crlf = cddb(self.server, "cddb read classical 1c021a03")
        self.assertNotIn(b"\r\r", crlf)

    def test_malformed_commands_get_protocol_errors(self):
        cases = [
            ("cddb lookup 0b014802", 5, b"500 Command syntax error.\r\n"),
            ("cddb read rock 0b0148021", 5, b"500 Command syntax error.\r\n"),
            ("cddb query b014802 0 330", 5, b"500 Command syntax error.\r\n"),
            ("cddb read ../rock 0b014802", 5, b"501 Invalid category: ../rock\r\n"),
            ("motd", "x", b"501 Illegal CDDB protocol level: x.\r\n"),
        ]
        for command, proto, expected in cases:
            with self.subTest(command):
                self.assertEqual(cddb(self.server, command, proto)[1], expected)
        response, _ = cddb(self.server, "motd", root="/cgi-bin/cddb.cgi")
        self.assertEqual(response.status, 404)


class Faults(ServerCase):
    def fault(self, mode, *more):
        return self.start("--db", SHARED_DB, "--processed-by", classic_server_name(),
                          "--fault", mode, *more)

    def test_each_fault_breaks_the_reply_its_own_way(self):
        checks = {
            "unknown-status": lambda r, b: self.assertRegex(b, rb"^599 [^\r]*\r\n$"),
            "redirect-scheme:file": lambda r, b: (self.assertEqual(r.status, 302),
                                                  self.assertRegex(r.getheader("Location"),
                                                                   "^file://")),
            "slow-body:0.001": lambda r, b: self.assertEqual(b, recording("read-210-rock.txt")),
        }
        servers = {mode: self.fault(mode) for mode in checks}
        for mode, check in checks.items():
            with self.subTest(mode):
                check(*cddb(servers[mode], "cddb read rock 0b014802"))

    def test_a_delayed_query_holds_up_neither_stats_nor_other_commands(self):
        server = self.fault("delay:0.6", "--fault-on", "query")
        replies = []
        start = time.monotonic()
        waiting = threading.Thread(
            target=lambda: replies.append(cddb(server, "cddb query 12345678 1 150 600")[1]))
        waiting.start()
        time.sleep(0.1)
        self.assertEqual(json.loads(get(server, "/stats")[1])["requests"], 1)
        self.assertTrue(cddb(server, "cddb read rock 0b014802")[1].startswith(b"210 "))
        self.assertLess(time.monotonic() - start, 0.5)
        waiting.join()
        self.assertGreaterEqual(time.monotonic() - start, 0.6)
        self.assertEqual(replies, [recording("query-202-no-match.txt")])


class Options(ServerCase):
    def test_motd_from_a_file(self):
        with tempfile.NamedTemporaryFile("wb", suffix=".txt") as motd:
            motd.write(b"First line\nCaf\xe9 today\n")
            motd.flush()
            os.utime(motd.name, (0, 1_000_000_000))
            server = self.start("--db", SHARED_DB, "--motd", motd.name)
            _, body = cddb(server, "motd")
        stamp = time.strftime("%m/%d/%Y %H:%M:%S", time.localtime(1_000_000_000))
        self.assertEqual(body, f"210 Last modified: {stamp} MOTD follows (until terminating `.')"
                               f"\r\nFirst line\r\nCaf\xe9 today\r\n.\r\n".encode("latin-1"))

    def test_sigint_stops_it_cleanly_and_start_up_errors_give_the_reason(self):
        self.assertEqual(stop(start_server("cddb_server.py", "--db", SHARED_DB), signal.SIGINT), 0)
        failed = run(sys.executable, SERVER, "--db", "/nonexistent/db", check=False)
        self.assertEqual(failed.returncode, 1)
        self.assertIn("/nonexistent/db: No such file or directory", failed.stderr)
        self.assertEqual(failed.stdout, "")


if __name__ == "__main__":
    unittest.main()
