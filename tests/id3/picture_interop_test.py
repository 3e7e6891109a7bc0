#!/usr/bin/python3
"""Pictures written by kalvex-cli, read back by mutagen, ffprobe and eyeD3:
a JPEG front cover into a version 2.3 tag, a PNG back cover beside it in 2.4,
both kept through a cleared tag, both removed; and what `tags --json` says of
them against the images themselves.

usage: picture_interop_test.py KALVEX_CLI
Exit code 77 (skipped) when sox, lame or ImageMagick's convert is missing.
"""

import hashlib
import json
import os
import sys
import tempfile

import mutagen.id3 as id3

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mp3_tools import SKIP, make_mp3, missing, read_bytes, run  # noqa: E402


def main():
    cli = sys.argv[1]
    if missing("sox", "lame", "convert"):
        return SKIP
    with tempfile.TemporaryDirectory(prefix="kalvex-pictures-") as work:
        mp3 = make_mp3(work, "song", 44100, 2, 1, "-b", "128")
        front = os.path.join(work, "front.jpg")
        back = os.path.join(work, "back.png")
        run("convert", "-size", "300x200", "gradient:red-blue", front)
        run("convert", "-size", "64x32", "xc:green", back)
        images = {"front": read_bytes(front), "back": read_bytes(back)}

        run(cli, "write", mp3, "--v2", "2.3", "--title", "Song", "--picture", front)
        run(cli, "write", mp3, "--v2", "2.4", "--picture", back, "--picture-type", "back")
        # A second front cover replaces the first; a cleared tag keeps both pictures.
        run(cli, "write", mp3, "--v2", "2.4", "--picture", front)
        run(cli, "write", mp3, "--v2", "2.4", "--clear", "--title", "Cleared")

        pictures = id3.ID3(mp3).getall("APIC")
        seen = sorted((p.type, p.mime, p.data) for p in pictures)
        want = sorted([(3, "image/jpeg", images["front"]), (4, "image/png", images["back"])])
        assert seen == want, "mutagen reads %r" % [(t, m, len(d)) for t, m, d in seen]
        assert str(id3.ID3(mp3)["TIT2"]) == "Cleared"

        probe = json.loads(run("ffprobe", "-v", "error", "-show_streams", "-of", "json",
                               mp3).stdout)
        attached = sorted((s["codec_name"], s["width"], s["height"]) for s in probe["streams"]
                          if s.get("disposition", {}).get("attached_pic"))
        assert attached == [("mjpeg", 300, 200), ("png", 64, 32)], attached

        eyed3 = run("eyeD3", "--no-color", mp3).stdout
        assert "FRONT_COVER Image: [Size: %d bytes] [Type: image/jpeg]" % len(images["front"]) \
            in eyed3, eyed3
        assert "BACK_COVER Image: [Size: %d bytes] [Type: image/png]" % len(images["back"]) \
            in eyed3, eyed3

        listed = json.loads(run(cli, "tags", mp3, "--json").stdout)[0]["Pictures"]
        expected = [{"Type": name, "Mime": mime, "Description": "", "Bytes": len(images[name]),
                     "Width": width, "Height": height,
                     "Sha256": hashlib.sha256(images[name]).hexdigest()}
                    for name, mime, width, height in (("back", "image/png", 64, 32),
                                                      ("front", "image/jpeg", 300, 200))]
        assert sorted(listed, key=lambda p: p["Type"]) == expected, listed

        run(cli, "write", mp3, "--v2", "2.3", "--remove-pictures")
        assert id3.ID3(mp3).getall("APIC") == []

        text = os.path.join(work, "notes.png")
        with open(text, "w") as f:
            f.write("not an image\n")
        refused = run(cli, "write", mp3, "--v2", "2.3", "--picture", text, check=False)
        assert refused.returncode == 1 and "neither a JPEG nor a PNG image" in refused.stderr, \
            refused.stderr
        print("pictures written by kalvex-cli read back alike by mutagen, ffprobe and eyeD3")
    return 0


if __name__ == "__main__":
    sys.exit(main())
