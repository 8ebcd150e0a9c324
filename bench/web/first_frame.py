#!/usr/bin/python3
"""Navigation to the first painted frame in headless Chromium: the game's page
against the same page whose program has an empty main, the median of several
loads each: fresh (a new browser profile, nothing cached), again from the
service worker's cache once it holds the page, and in a new browser on that
profile (where only what the browser keeps on disk, its code cache among it,
helps). The pages take turns, load by load, so that all meet the same load.

Usage: first_frame.py DIST EMPTY_JS_DIR [LOADS] [--floor FLOOR_JS_DIR] [--phone];
prints one line per kind of load with the pages' medians, the middle half of
each page's loads, and the ratios of the medians. With --floor,
a third page runs the game's whole program showing a blank frame before the game
starts (blackjack_floor): the empty page to it is what the program costs to
load, it to the game's page what the game's start costs. With --phone the browser
is a phone's screen (390 x 844 at 3 device pixels to the CSS pixel) with touch.
"""
import os
import shutil
import statistics
import sys
import tempfile

sys.dont_write_bytecode = True  # the tests folder stays clean
sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tests', 'web'))
import browser_test  # noqa: E402  (the same server and browser set-up)

FRAME = 'return window.bjFrames ? window.bjFirstFrameMs : null'
CONTROLLED = 'return !!navigator.serviceWorker.controller'


PHONE = (390, 844, 3)


def load_once(server, phone):
    """One round on a new profile: the first frame fresh, then from the service
    worker's cache, then in a new browser on that profile, in ms."""
    profile = tempfile.mkdtemp(prefix='bj-first-frame-')
    try:
        driver = browser_test.chromium(phone=phone, profile=profile)
        try:
            driver.get(server.url + '?screen=qvga')
            fresh = browser_test.wait_for(lambda: driver.execute_script(FRAME))
            # The page registers its service worker after the first frame;
            # once it controls a load, the next one comes from its cache.
            while not driver.execute_script(CONTROLLED):
                driver.refresh()
                browser_test.wait_for(lambda: driver.execute_script(CONTROLLED), 5)
            driver.refresh()
            cached = browser_test.wait_for(lambda: driver.execute_script(FRAME))
        finally:
            driver.quit()
        driver = browser_test.chromium(phone=phone, profile=profile)
        try:
            driver.get(server.url + '?screen=qvga')
            reopened = browser_test.wait_for(lambda: driver.execute_script(FRAME))
        finally:
            driver.quit()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return fresh, cached, reopened


def first_frames(dists, loads, phone=None):
    """For each dist, its fresh loads, its loads from the cache and its loads in a
    new browser on the same profile, in ms, each as (lower quartile, median, upper
    quartile). The dists take turns, round by round, so that each sees the same
    load on a busy machine."""
    servers = []
    try:
        for dist in dists:
            browser_test.DIST = dist
            servers.append(browser_test.Server())
        rounds = [[load_once(server, phone) for server in servers] for _ in range(loads)]
    finally:
        for server in servers:
            server.stop()
    def spread(times):
        if len(times) < 2:
            return times[0], times[0], times[0]
        return tuple(statistics.quantiles(times, n=4, method='inclusive'))

    return [tuple(spread([r[i][kind] for r in rounds]) for kind in range(3))
            for i in range(len(dists))]


def page_with_program(dist, program_dir, into):
    """A copy of the page in `into` with the program of `program_dir`, sent
    uncompressed as the server sends any file without its .gz copy."""
    shutil.copytree(dist, into)
    for name in ('blackjack.js', 'blackjack.wasm'):
        shutil.copy(os.path.join(program_dir, name), into)
        os.remove(os.path.join(into, name + '.gz'))
    return into


def main():
    args = sys.argv[1:]
    phone = PHONE if '--phone' in args else None
    floor = None
    if '--floor' in args:
        at = args.index('--floor')
        floor = args[at + 1]
        del args[at:at + 2]
    args = [a for a in args if a != '--phone']
    dist, empty, loads = args[0], args[1], int(args[2]) if len(args) > 2 else 5
    with tempfile.TemporaryDirectory() as copy:
        pages = [('game', dist),
                 ('empty main', page_with_program(dist, empty, os.path.join(copy, 'empty')))]
        if floor:
            pages.insert(1, ('blank first', page_with_program(dist, floor,
                                                              os.path.join(copy, 'floor'))))
        times = first_frames([d for _, d in pages], loads, phone)
    for kind, at in (('fresh', 0), ('from the cache', 1), ('in a new browser', 2)):
        ms = [t[at][1] for t in times]
        line = ', '.join('%s %.0f ms (middle half %.0f to %.0f)'
                         % (name, t[at][1], t[at][0], t[at][2])
                         for (name, _), t in zip(pages, times))
        ratios = 'ratio %.2f' % (ms[0] / ms[-1])
        if floor:
            ratios = 'game to empty %.2f, blank first to empty %.2f, game to blank first %.2f' % (
                ms[0] / ms[2], ms[1] / ms[2], ms[0] / ms[1])
        print('navigation to first frame, %s, median of %d: %s; %s' % (kind, loads, line, ratios))


if __name__ == '__main__':
    main()
