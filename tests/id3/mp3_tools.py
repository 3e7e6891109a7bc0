"""What the interop tests share: MP3s made by sox and lame, and the fields
mutagen reads from a file's ID3 v2 tag, named as ours are."""

import os
import subprocess

import mutagen.id3 as id3


def run(*command):
    return subprocess.run(command, check=True, capture_output=True)


def make_mp3(folder, name, rate, channels, seconds, *lame_args):
    wav = os.path.join(folder, name + ".wav")
    mp3 = os.path.join(folder, name + ".mp3")
    run("sox", "-n", "-r", str(rate), "-c", str(channels), "-b", "16", wav,
        "synth", str(seconds), "sine", "440")
    run("lame", "--quiet", *lame_args, wav, mp3)
    return mp3


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def tag_length(data):
    """Bytes of the ID3 v2 tag at the start of `data`, its footer included."""
    if data[:3] != b"ID3":
        return 0
    size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
    return 10 + size + (10 if data[3] == 4 and data[5] & 0x10 else 0)


# Our field, the mutagen frame it comes from.
FRAME_OF = {
    "Artist": "TPE1", "Album": "TALB", "Title": "TIT2", "TNR": "TRCK", "Encoder": "TENC",
    "Copyright": "TCOP", "Composer": "TCOM", "OrigArtist": "TOPE",
}


def mutagen_fields(path):
    """The twelve fields as mutagen reads them (only those present)."""
    tags = id3.ID3(path)
    fields = {}
    for field, frame_id in FRAME_OF.items():
        frames = tags.getall(frame_id)
        if frames:
            fields[field] = frames[-1].text[0]
    if tags.getall("TCON"):
        fields["Genre"] = tags.getall("TCON")[-1].genres[0]
    if tags.getall("TYER"):
        fields["Year"] = str(tags.getall("TYER")[-1].text[0])
    elif tags.getall("TDRC"):
        fields["Year"] = str(tags.getall("TDRC")[-1].text[0])[:4]
    if tags.getall("COMM"):
        fields["Comment"] = tags.getall("COMM")[-1].text[0]
    if tags.getall("WXXX"):
        fields["LinkTo"] = tags.getall("WXXX")[-1].url
    return fields
