#!/usr/bin/env python3
"""End-to-end run of the real program on an X display of its own (Xvfb).

A copy of the program's folder (executable and sample catalogue) in a temporary folder is
started as a user would start it. The run goes through the splash, the main window, a search
by title typed into the search window and started with Alt+B, the card found (opened by a
double-click on its row) and its link, a new search with Alt+N, the guide and its document,
the authors window, and the exit button. The desktop's xdg-open is replaced on PATH by a
recorder, so the links the program hands over are checked without opening anything.

Usage: e2e.py --app <folder of the built program> --shots <folder for failure screenshots>
"""

import argparse
import os
import re
import shutil
import sqlite3
import sys
import tempfile
import time
import unicodedata

from xdriver import Desktop, Failure, Program, Screenshots, VirtualDisplay, snapshot

SPLASH = r"Orlaneva\. v\.1\.1\.3"
MAIN = "Orlaneva. - Presentación."
SEARCH = "Orlaneva. - Gestor Documental."
GUIDE = "Orlaneva. - Guía."
AUTHORS = "Orlaneva. - Autores."
CARD_BEFORE = "Datos de la Ficha: "
CARD_AFTER = " /  Pinche en el botón de Intenet para abrir el enlace asociado a cada Ficha."

# Places of the controls the run uses: left, top, width, height in twips.
MAIN_GUIA = (1440, 360, 2295, 2055)
MAIN_BUSQUEDA = (4560, 360, 2295, 2055)
MAIN_AUTORES = (7680, 360, 2295, 2055)
RETURN = (13845, 240, 975, 855)
CARD_RETURN = (13965, 240, 975, 855)
TXT_TITULO = (5040, 1800, 4935, 375)
CARD_VINCULO = (11640, 240, 2295, 855)
GUIDE_VINCULO = (11520, 240, 2295, 855)
GRID_LEFT, GRID_TOP = 120, 3000
LBL_TOTAL_FICHAS = (12360, 2520, 3165, 285)


def green(rgb):
    """The count's green (#008000), or the blend of it with white at a glyph's edge."""
    r, g, b = rgb
    return g >= 96 and r < 80 and b < 80 and g - r > 60


def folded(text):
    """Lower case without accents: how the catalogue's LIKE compares text."""
    decomposed = unicodedata.normalize("NFD", text.lower())
    return "".join(c for c in decomposed if not unicodedata.combining(c))


def pick_card(catalogue):
    """A card whose title alone holds some plain word: searching for it finds that card.

    Cards whose link is a document come first, so that the check also covers the
    mapping of the catalogue's backslash paths.
    """
    with open(catalogue, "rb") as f:
        if not f.read(16).startswith(b"SQLite format 3"):
            raise Failure("the sample catalogue is not a SQLite file")
    uri = "file:" + catalogue + "?mode=ro&immutable=1"
    with sqlite3.connect(uri, uri=True) as db:
        rows = db.execute("SELECT Id, TITULO, ENLACE FROM Ficha ORDER BY Id").fetchall()
    titles = [folded(t or "") for _, t, _ in rows]

    def unique_word(title):
        for word in re.findall(r"[A-Za-z]{5,}", title or ""):
            if sum(folded(word) in t for t in titles) == 1:
                return word
        return None

    candidates = []
    for _, title, link in rows:
        word = unique_word(title)
        if word and link and link.strip():
            is_document = not re.match(r"^[A-Za-z][A-Za-z0-9+.-]+:", link)
            candidates.append((not is_document, title, link, word))
    if not candidates:
        raise Failure("no card of the sample catalogue can be found by a word of its own")
    _, title, link, word = min(candidates, key=lambda c: c[0])
    return title, link, word


def expected_target(app, link):
    if re.match(r"^(https?|mailto):", link, re.IGNORECASE):
        return link
    return os.path.realpath(os.path.join(app, link.strip().replace("\\", "/")))


def run(app_source, shots):
    work = tempfile.mkdtemp(prefix="orlaneva-e2e-")
    app = os.path.join(work, "app")
    shutil.copytree(app_source, app, symlinks=True)
    before = snapshot(app)
    title, link, word = pick_card(os.path.join(app, "fichas.mdb"))

    program = Program(os.path.join(app, "orlaneva"), work)
    desk = Desktop(program)
    pictures = Screenshots(shots)
    steps = []

    def step(name):
        steps.append((name, time.monotonic()))
        print(f"[{time.monotonic() - program.started:6.2f} s] {name}", flush=True)

    try:
        desk.start(SPLASH)
        step("splash")
        pictures.take("splash")
        desk.expect_windows([SPLASH.replace("\\", "")], timeout=1)

        _, main = desk.wait_window(re.escape(MAIN), timeout=20)
        shown = time.monotonic() - program.started
        desk.expect_windows([MAIN])
        step("main window")
        # The splash holds the stage for at least two and a half seconds.
        if shown < 2.5:
            raise Failure(f"the main window came up {shown:.2f} s after the start")
        desk.measure_scale(main)
        _, _, width, height = desk.geometry(main)
        if (round(width * desk.tpp), round(height * desk.tpp)) != (15180, 10455):
            raise Failure(f"main window is {width} x {height} pixels")
        pictures.take("main")

        # A search by a word of the title, started with the access key of "&Buscar".
        desk.click(main, MAIN_BUSQUEDA)
        _, search = desk.wait_window(re.escape(SEARCH))
        desk.expect_windows([MAIN, SEARCH])
        step("search window")
        _, _, width, height = desk.geometry(search)
        if round(height * desk.tpp) != 10395:
            raise Failure(f"search window is {width} x {height} pixels")
        desk.focus(search)
        desk.click(search, TXT_TITULO)
        desk.type(word)
        desk.key("alt+b")
        # The count comes up in green beside the grid.
        desk.wait_for("the count of cards found",
                      lambda: desk.shows_colour(search, LBL_TOTAL_FICHAS, green), 10)
        step("search ran")
        pictures.take("results")

        # Row 1 lies under the header row; both are a line of the grid's font high.
        grid_x, grid_y = desk.point(search, GRID_LEFT, GRID_TOP)
        row1 = (grid_x + 100, grid_y + 2 + round(1.5 * 21))
        desk.click_at(*row1, double=True)
        caption = CARD_BEFORE + title + CARD_AFTER
        _, card = desk.wait_window(re.escape(caption))
        desk.expect_windows([MAIN, SEARCH, caption])
        step(f"card window for «{title}» (searched for {word!r})")
        pictures.take("card")

        desk.click(card, CARD_VINCULO)
        target = expected_target(app, link)
        desk.wait_for(f"xdg-open {target!r}", lambda: program.opened() == [[target]], 10)
        step("card link handed to xdg-open")

        desk.click(card, CARD_RETURN)
        desk.expect_windows([MAIN, SEARCH])
        step("card window closed")

        # "&Nueva Búsqueda" by its access key: the grid is emptied and disabled, so a
        # double-click where the card was opens nothing.
        desk.focus(search)
        desk.key("alt+n")
        desk.wait_for("the count to go",
                      lambda: not desk.shows_colour(search, LBL_TOTAL_FICHAS, green), 10)
        desk.click_at(*row1, double=True)
        time.sleep(1.5)
        desk.expect_windows([MAIN, SEARCH], timeout=0)
        step("new search emptied the grid")
        pictures.take("new-search")

        desk.click(search, RETURN)
        desk.expect_windows([MAIN])
        step("search window closed")

        desk.click(main, MAIN_GUIA)
        _, guide = desk.wait_window(re.escape(GUIDE))
        desk.expect_windows([MAIN, GUIDE])
        step("guide window")
        pictures.take("guide")
        desk.click(guide, GUIDE_VINCULO)
        document = os.path.realpath(os.path.join(app, "Documentos", "Orlaneva.pdf"))
        desk.wait_for(f"xdg-open {document!r}",
                      lambda: program.opened() == [[target], [document]], 10)
        step("guide document handed to xdg-open")
        desk.click(guide, RETURN)
        desk.expect_windows([MAIN])

        desk.click(main, MAIN_AUTORES)
        _, authors = desk.wait_window(re.escape(AUTHORS))
        desk.expect_windows([MAIN, AUTHORS])
        step("authors window")
        pictures.take("authors")
        desk.click(authors, RETURN)
        desk.expect_windows([MAIN])

        desk.click(main, RETURN)
        status = program.wait(15)
        step(f"ended with status {status}")
        if status != 0:
            raise Failure(f"the program ended with status {status}")
        if program.opened() != [[target], [document]]:
            raise Failure(f"unexpected hand-overs to xdg-open: {program.opened()}")
        after = snapshot(app)
        if after != before:
            changed = sorted(set(before.items()) ^ set(after.items()))
            raise Failure(f"the program changed its folder: {changed}")
    except Exception as error:
        try:
            pictures.take("failure")
        except Exception:
            pass
        program.kill()
        print(f"FAILED: {error}", file=sys.stderr)
        print(f"screenshots kept in {shots}", file=sys.stderr)
        if program.process:
            print("program output:\n" + program.output(), file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)

    pictures.discard()
    print(f"passed in {steps[-1][1] - program.started:.1f} s")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", required=True, help="folder of the built program")
    parser.add_argument("--shots", required=True, help="where failure screenshots go")
    args = parser.parse_args()
    try:
        with VirtualDisplay():
            return run(os.path.abspath(args.app), os.path.abspath(args.shots))
    except Failure as error:
        print(f"FAILED: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
