#!/usr/bin/python3
"""A user's whole road through the real kalvex-tagger, clicked on a virtual X
server with real X input events (xdotool): pick the drive, get the album data
for the CD, choose the second of two matches, tick the import options, import,
and find every file tagged and renamed and the folder named after the album.
On the way it saves a picture of each page and of the match dialog.

    window_road_test.py --build DIR --out DIR

DIR of --build holds kalvex-tagger, kalvex-cli and the virtual drive; the
pictures (main-window.png, matches.png, freedb.png, tag-v1.png, tag-v2.png) and
the program's output go into --out. The materials, the CDDB server and the
settings come from tools/demo.sh. Exit code 77 (skipped) without xvfb-run or
xdotool.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

from mutagen.id3 import ID3

HERE = Path(__file__).resolve()
SOURCE = HERE.parents[2]
WAIT = 20  # seconds for anything to appear

ARTIST, ALBUM, YEAR, GENRE = "The Demo Band", "First Light", "2024", "Rock"
# (artist, title) per track of the chosen record; the third is a guest's.
TRACKS = [(ARTIST, "Morning Static"), (ARTIST, "Paper Satellites"),
          ("Guest Singer", "Borrowed Chorus"), (ARTIST, "Tin Roof Rain"), (ARTIST, "First Light")]


class Failed(Exception):
    pass


def run(*command):
    subprocess.run(command, check=True, timeout=WAIT)


class Window:
    """The running program, seen through the widget map it keeps."""

    def __init__(self, program, out):
        self.map_file = out / "widgets.json"
        self.map_file.unlink(missing_ok=True)
        self.log = out / "program.log"
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", KALVEX_WIDGET_MAP=str(self.map_file))
        with open(self.log, "wb") as log:
            self.proc = subprocess.Popen([program], env=env, stdout=log, stderr=log)

    def close(self):
        self.proc.terminate()
        self.proc.wait(WAIT)
        if "Sanitizer" in (log := self.log.read_text(errors="replace")):
            raise Failed(f"the program reported:\n{log[-3000:]}")

    def wait(self, what, found, settled=False):
        """Waits until found(map) gives something, and the window has painted
        all its changes when `settled`; returns what found gave."""
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise Failed(f"the program ended ({self.proc.returncode}) while waiting for "
                             f"{what}:\n{self.log.read_text(errors='replace')[-3000:]}")
            shown = json.loads(self.map_file.read_text()) if self.map_file.exists() else None
            result = shown and found(shown)
            if result and (not settled or shown["settled"]):
                return result
            time.sleep(0.05)
        raise Failed(f"{what} did not appear within {WAIT} s")

    @staticmethod
    def window(shown, name):
        return next((w for w in shown["windows"] if name in (w["name"], w["class"])), None)

    def control(self, window, name, state=lambda c: True, what=None):
        def found(shown):
            c = (self.window(shown, window) or {"widgets": {}})["widgets"].get(name)
            return c and state(c) and c
        return self.wait(what or f"{name} of {window}", found)

    def click(self, window, name, state=None, what=None):
        """Clicks the control once it is shown and enabled, then waits for `state`."""
        click(self.control(window, name, lambda c: c["visible"] and c["enabled"],
                           f"{name} of {window}, shown and enabled")["rect"])
        if state:
            self.control(window, name, state, what)

    def click_tab(self, caption):
        tabs = self.control("frmMain", "nTab")["tabs"]
        index = [tab["text"] for tab in tabs].index(caption)
        click(tabs[index]["rect"])
        self.control("frmMain", "nTab", lambda c: c["selected"] == index, f"the {caption} page")

    def picture(self, window, path):
        """Saves the window as PNG once everything changed is painted."""
        shown = self.wait(f"{window} painted", lambda m: self.window(m, window), settled=True)
        run("import", "-window", shown["id"], str(path))


def click(rect):
    x, y, width, height = rect
    run("xdotool", "mousemove", "--sync", str(x + width // 2), str(y + height // 2), "click", "1")


def row_named(rows, part):
    return next((row for row in rows if part in row["text"]), None)


def check_files(album_folder, old_folder):
    if old_folder.exists():
        raise Failed(f"{old_folder} is still there")
    names = sorted(p.name for p in album_folder.iterdir())
    if names != [f"{n:02d} {title}.mp3" for n, (_, title) in enumerate(TRACKS, 1)]:
        raise Failed(f"{album_folder} holds {names}")
    for number, (name, (artist, title)) in enumerate(zip(names, TRACKS), 1):
        tags = ID3(album_folder / name)
        got = {key: str(tags[key]) if key in tags else None
               for key in ("TPE1", "TALB", "TIT2", "TRCK", "TDRC", "TCON")}
        want = {"TPE1": artist, "TALB": ALBUM, "TIT2": title, "TRCK": str(number),
                "TDRC": YEAR, "TCON": GENRE}
        if got != want:
            raise Failed(f"{name}: ID3 v2 holds {got}, not {want}")
        tail = (album_folder / name).read_bytes()[-128:]
        if tail[:3] != b"TAG" or tail[3:33].rstrip(b"\0 ").decode("latin-1") != title[:30]:
            raise Failed(f"{name}: no ID3 v1 tag titled '{title}' at its end")


def drive(build, out):
    old_folder = Path(json.loads(os.environ["DEMO_MATERIALS"])["Folder"])
    for stale in out.glob("*.png"):
        stale.unlink()
    w = Window(build / "src/app/kalvex-tagger", out)
    try:
        w.control("frmMain", "lvwTracks", lambda c: len(c["rows"]) == len(TRACKS),
                  "the ripped folder's five files in the track list")
        # The drive, from the drop-down list as a user picks it.
        w.click("frmMain", "cboDrives")
        popup = w.control("QComboBoxPrivateContainer", "QComboBoxListView", what="the drive list")
        if not (virtual := row_named(popup["rows"], "VIRTUAL")):
            raise Failed(f"no virtual drive among {[row['text'] for row in popup['rows']]}")
        click(virtual["rect"])
        w.control("frmMain", "cboDrives", lambda c: "VIRTUAL" in c["text"], "the drive chosen")

        w.click("frmMain", "cmdRead")
        # The dialog as the X server has it, found by its exact title.
        if subprocess.run(["timeout", str(WAIT), "xdotool", "search", "--sync", "--onlyvisible",
                           "--name", "^CD Matches$"], capture_output=True).returncode != 0:
            raise Failed(f"no window titled 'CD Matches' appeared within {WAIT} s")
        rows = w.control("frmMatches", "lstMatches", lambda c: len(c["rows"]) == 2,
                         "two matches in the match dialog")["rows"]
        second = row_named(rows, f"{ARTIST} / {ALBUM}")
        if rows.index(second) != 1:
            raise Failed(f"the matches are {[row['text'] for row in rows]}")
        click(second["rect"])
        w.control("frmMatches", "lstMatches", lambda c: c["rows"][1]["selected"],
                  "the second match selected")
        w.picture("frmMatches", out / "matches.png")
        w.click("frmMatches", "OKButton")
        w.control("frmMain", "cmdImport", lambda c: c["enabled"], "the album loaded")

        w.click_tab("FreeDB")
        for box, text in (("txtFArtist", ARTIST), ("txtFAlbum", ALBUM), ("txtFGenre", GENRE),
                          ("txtFYear", YEAR)):
            w.control("frmMain", box, lambda c, t=text: c["text"] == t, f"{box} '{text}'")
        w.picture("frmMain", out / "freedb.png")

        # The rip has no tags: "Optimise" writes both versions, alike.
        w.click_tab("Options")
        for option in ("chkSaveImport", "chkOptimiseTags", "chkAutoRename"):
            w.click("frmMain", option, lambda c: c["checked"], f"{option} ticked")
        w.picture("frmMain", out / "main-window.png")
        w.click("frmMain", "cmdImport")
        w.control("frmMain", "lvwTracks", lambda c: c["enabled"] and row_named(c["rows"], "01 "),
                  "the renamed files in the track list")
        check_files(old_folder.parent / ALBUM, old_folder)

        # The first file's tags, as the tag pages show them.
        click(w.control("frmMain", "lvwTracks")["rows"][0]["rect"])
        w.control("frmMain", "v2Title", lambda c: c["text"] == TRACKS[0][1],
                  "the first file's title in the tag editor")
        for caption, name in (("Tag v1", "tag-v1.png"), ("Tag v2", "tag-v2.png")):
            w.click_tab(caption)
            if caption == "Tag v2" and shutil.which("convert"):
                # The album came from MusicBrainz: its cover came along.
                w.control("frmMain", "lblPicture",
                          lambda c: c["text"].startswith("Front cover: JPEG, 500 x 500"),
                          "the album's front cover on the Tag v2 page")
            w.picture("frmMain", out / name)
    finally:
        w.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    build, out = args.build.resolve(), args.out.resolve()
    if args.inside:
        try:
            drive(build, out)
        except Failed as failure:
            print(f"window_road_test: FAILED: {failure}", file=sys.stderr)
            return 1
        print(f"window_road_test: passed; pictures in {out}")
        return 0
    for tool in ("xvfb-run", "xdotool"):
        if not shutil.which(tool):
            print(f"window_road_test: skipped: {tool} is not installed")
            return 77
    out.mkdir(parents=True, exist_ok=True)
    # The options the road ticks by hand start clear.
    return subprocess.run(
        ["xvfb-run", "--auto-servernum", "--server-args=-screen 0 1024x768x24",
         str(SOURCE / "tools/demo.sh"), "--build", str(build), "--work", str(out / "work"),
         "--option", "Save tags on import=0", "--option", "Optimise tags=0",
         "--option", "Auto rename=0",
         "--run", sys.executable, str(HERE), "--inside", "--build", str(build),
         "--out", str(out)]).returncode


if __name__ == "__main__":
    sys.exit(main())
