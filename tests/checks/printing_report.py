"""Reads the catalogue reports the printing tests printed to the CUPS queue "PDF", from the PDF
files cups-pdf wrote, independently of the program: heading, summary with the total duration
computed from Music.dex, "as of", the ticked column headers on every page and no others, the
titles in order, "Page p of P" footers matching the page count, the orientation, and no word
outside its page."""
import glob
import os
import pwd
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "lib"))
from records import load  # noqa: E402

HEADERS = ["Category", "Artist", "Title", "Duration", "Type", "Size", "Date stamp", "Origin",
           "Date obtained"]


def pdf_folder():
    """Where cups-pdf writes this user's jobs: its "Out" setting, ~/PDF unless changed."""
    home = pwd.getpwuid(os.getuid()).pw_dir
    out = "${HOME}/PDF"
    try:
        for line in open("/etc/cups/cups-pdf.conf"):
            if line.startswith("Out "):
                out = line.split(None, 1)[1].strip()
    except OSError:
        pass
    return out.replace("${HOME}", home)


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, errors="replace")


def find_pdf(folder, token, bound=90):
    """The job's PDF, once cups-pdf has finished it; None after bound seconds."""
    end = time.time() + bound
    while time.time() < end:
        for path in glob.glob(os.path.join(folder, "*.pdf")):
            if token in os.path.basename(path) and run("pdfinfo", path).returncode == 0:
                return path
        time.sleep(0.5)
    # Names may be cut short: look inside the recent ones.
    for path in glob.glob(os.path.join(folder, "*.pdf")):
        if token in run("pdftotext", path, "-").stdout:
            return path
    return None


def time_text(seconds):
    """Duration text: "?" below a second, "m:ss", or "h:mm:ss"."""
    if seconds < 1:
        return "?"
    minutes = seconds // 60
    if minutes < 60:
        return "%d:%02d" % (minutes, seconds % 60)
    return "%d:%02d:%02d" % (minutes // 60, minutes % 60, seconds % 60)


def squeeze(text):
    # The PDF's hyphens come back as soft hyphens; layout spacing is approximate.
    return re.sub(r"[ \t]+", " ", text.replace("\u00ad", "-"))


root = sys.argv[1]
folder = pdf_folder()
jobs = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))
assert jobs, "no printing job was left to check"
for job in jobs:
    d = os.path.join(root, job)
    token, columns, orientation = open(os.path.join(d, "job.txt")).read().split()
    keys = [int(k) for k in open(os.path.join(d, "keys.txt")).read().split()]
    # Only the index is needed: an empty stand-in for the data file.
    open(os.path.join(d, "Music.dax"), "ab").close()
    recs, _ = load(d)
    by_key = {r["key"]: r for r in recs if r["live"]}
    held = [by_key[k] for k in keys if k in by_key]
    total = time_text(sum(r["seconds"] for r in held if r["seconds"] > 0))
    n = len(keys)
    summary = "%d %s --- %s" % (n, "title" if n == 1 else "titles", total)

    pdf = find_pdf(folder, token)
    assert pdf, (job, "no PDF with the token in", folder)
    info = run("pdfinfo", pdf).stdout
    pages = int(re.search(r"Pages:\s+(\d+)", info).group(1))
    w, h = map(float, re.search(r"Page size:\s+([\d.]+) x ([\d.]+)", info).groups())
    rot = int((re.search(r"Page rot:\s+(\d+)", info) or re.search("()", "")).group(1) or 0)
    if rot % 180 == 90:
        w, h = h, w
    assert (w > h) == (orientation == "landscape"), (job, w, h, rot)

    ticked = [HEADERS[i] for i, c in enumerate(columns) if c == "1"]
    unticked = [HEADERS[i] for i, c in enumerate(columns) if c == "0"]
    whole = ""
    for p in range(1, pages + 1):
        text = squeeze(run("pdftotext", "-layout", "-f", str(p), "-l", str(p), pdf, "-").stdout)
        assert token in text, (job, p, "heading")
        assert summary in text, (job, p, summary, text[:400])
        assert re.search(r"as of \S+ at \S+", text), (job, p, "as of")
        for header in ticked:
            assert re.search(r"\b%s\b" % header, text), (job, p, header)
        for header in unticked:
            assert not re.search(r"\b%s\b" % header, text), (job, p, "unticked", header)
        assert "Tonalbrook report: Page %d of %d" % (p, pages) in text, (job, p, "footer")
        whole += text

    # The titles in the order given, each exactly as often as it was asked for.
    at = 0
    for r in held:
        found = whole.find(r["title"], at)
        assert found >= 0, (job, "title missing or out of order", r["title"])
        at = found + len(r["title"])
    for title in set(r["title"] for r in held):
        want = sum(1 for r in held if r["title"] == title)
        got = len(re.findall(r"(?<![\w-])%s(?![\w-])" % re.escape(title), whole))
        got -= len(re.findall(r"%s\.mid" % re.escape(title), whole))  # origins ending in it
        assert got == want, (job, title, got, want)

    # Every word inside its page.
    bbox = run("pdftotext", "-bbox", pdf, "-").stdout
    for page in re.findall(r"<page .*?</page>", bbox, re.S):
        for x0, y0, x1, y1 in re.findall(
                r'xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)"', page):
            assert 0 <= float(x0) and float(x1) <= w and 0 <= float(y0) and float(y1) <= h, \
                (job, "word off the page", x0, y0, x1, y1)
    print("%s: %d page(s), %d row(s) of %d asked, %s" % (job, pages, len(held), n, orientation))
