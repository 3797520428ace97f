# Writes small catalogues, each damaged in one way a power cut or a swapped file leaves, from the
# record layouts alone; tests/damage opens and closes each with the built program and
# tests/checks/damage_catalogue.py compares what is left with what these catalogues held.
import random
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "native"))
import make_record_seeds  # noqa: E402

TUNE = 672
LIST = 72
ALBUM = 76

# Catalogues whose opening tells nothing: what they hold besides their titles is no damage.
QUIET = {"interrupted_import", "pack_leftovers"}
# List files that name titles the catalogue cannot read: each is copied as it was opened.
EVIDENCE = {
    "cut_index": ["Categories.dex", "Artists.dex", "Albums_AT.dex"],
    "empty_catalogue": ["Categories.dex", "Artists.dex", "Albums_AT.dex"],
}


def intact_files():
    """The intact catalogue's files by name, written by the seed writer into memory."""
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        make_record_seeds.main(tmp)
        return {p.name: p.read_bytes() for p in Path(tmp).iterdir()}


def one_title_archive(n):
    """A stored title's archive as the seed writer makes them."""
    return make_record_seeds.archive(make_record_seeds.midi(n))


def put_i32(data, at, value):
    return data[:at] + struct.pack("<i", value) + data[at + 4:]


def tune_field(index, recno, at):
    return struct.unpack_from("<i", index, (recno - 1) * TUNE + at)[0]


def cases():
    """Case name -> (files as damaged, names of the damaged files)."""
    good = intact_files()
    dex, dax = good["Music.dex"], good["Music.dax"]
    out = {}

    def case(name, damaged, **changes):
        files = dict(good)
        files.update(changes)
        out[name] = (files, damaged)

    # A power cut while record 6 was being written.
    case("cut_index", ["Music.dex"], **{"Music.dex": dex[:5 * TUNE + 300]})
    # Another file in the index's place.
    case("index_swapped", ["Music.dex"],
         **{"Music.dex": b"This is not a title index, only a letter. " * 110})
    case("empty_index", ["Music.dex"], **{"Music.dex": b""})
    # The data file cut inside title 8's archive: titles 8 to 12 cannot be read.
    off8, len8 = tune_field(dex, 8, 12), tune_field(dex, 8, 16)
    case("cut_data", ["Music.dex"], **{"Music.dax": dax[:off8 + len8 // 2]})
    # Title 5's record says its archive has no bytes.
    case("zero_length", ["Music.dex"], **{"Music.dex": put_i32(dex, 4 * TUNE + 16, 0)})
    # Record 2 carries title 6's key (title 6 is in two albums).
    case("duplicate_key", ["Music.dex"], **{"Music.dex": put_i32(dex, 1 * TUNE + 28, 6)})
    # Title 7's stored archive: its zip header's CRC disagrees with its record, found at opening.
    off7 = tune_field(dex, 7, 12)
    case("header_mismatch", ["Music.dax"],
         **{"Music.dax": dax[:off7 + 14] + bytes([dax[off7 + 14] ^ 0x40]) + dax[off7 + 15:]})
    # A byte in the middle of title 10's packed data flipped: found when the title is read.
    off10 = tune_field(dex, 10, 12)
    packed, name, extra = struct.unpack_from("<I4xHH", dax, off10 + 18)
    at = off10 + 30 + name + extra + packed // 2
    case("flipped_title", ["Music.dax"],
         **{"Music.dax": dax[:at] + bytes([dax[at] ^ 0x10]) + dax[at + 1:]})
    # A larger file of other bytes in the category file's place.
    rnd = random.Random(37)
    case("garbage_categories", ["Categories.dex"],
         **{"Categories.dex": bytes(rnd.randrange(256) for _ in range(3000 * LIST))})
    albums, rows = good["Albums_A.dex"], good["Albums_AT.dex"]
    # The album file cut inside its second record: the rows of albums 2 and 3 name albums it
    # no longer holds.
    case("cut_albums", ["Albums_A.dex", "Albums_AT.dex"],
         **{"Albums_A.dex": albums[:ALBUM + 30]})
    # Album 2's record garbled whole, as a torn sector leaves it.
    torn = bytes(rnd.randrange(256) for _ in range(ALBUM))
    case("garbled_album", ["Albums_A.dex", "Albums_AT.dex"],
         **{"Albums_A.dex": albums[:ALBUM] + torn + albums[2 * ALBUM:]})
    # Album 3's record gone whole: the file is sound, its rows are not.
    case("missing_album", ["Albums_AT.dex"], **{"Albums_A.dex": albums[:2 * ALBUM]})
    no_albums = dict(good)
    del no_albums["Albums_A.dex"]
    out["no_album_file"] = (no_albums, ["Albums_AT.dex"])
    # Both title files emptied; the lists still name every title.
    case("empty_catalogue", ["Music.dex"], **{"Music.dex": b"", "Music.dax": b""})
    # A category file shorter than one record.
    case("short_categories", ["Categories.dex"],
         **{"Categories.dex": good["Categories.dex"][:40]})
    # Bytes no title claims that are no archive: lost titles' or another file's.
    case("garbage_in_data", ["Music.dax"],
         **{"Music.dax": dax + bytes(rnd.randrange(256) for _ in range(500))})
    # An import that ended after writing its title's archive and before its record.
    case("interrupted_import", [], **{"Music.dax": dax + one_title_archive(13)})
    # An interrupted pack's work files beside a whole catalogue, and in BackUp files earlier ones
    # left there, the user's own, and a data file holding titles deleted since.
    case("pack_leftovers", [], **{
        "InfoTemp.bak": dex[:3 * TUNE], "DataTemp.bak": dax[:100],
        "BackUp/InfoOld.bak": dex, "BackUp/DataTemp.bak.1": live_archives(dex, dax),
        "BackUp/Music.dax": dax, "BackUp/notes.txt": b"My own notes, not the program's."})
    return out


def live_archives(dex, dax):
    """The stored archives of the index's live titles, back to back in record order."""
    out = b""
    for n in range(1, len(dex) // TUNE + 1):
        if dex[(n - 1) * TUNE + 5] == 1:
            off, length = tune_field(dex, n, 12), tune_field(dex, n, 16)
            out += dax[off:off + length]
    return out


def main(folder):
    folder = Path(folder)
    for name, (files, _) in cases().items():
        d = folder / name
        d.mkdir(parents=True, exist_ok=True)
        for f in sorted(d.rglob("*"), reverse=True):
            f.rmdir() if f.is_dir() else f.unlink()
        for fname, content in files.items():
            (d / fname).parent.mkdir(parents=True, exist_ok=True)
            (d / fname).write_bytes(content)


if __name__ == "__main__":
    main(sys.argv[1])
