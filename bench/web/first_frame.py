#!/usr/bin/python3
"""Navigation to the first painted frame in headless Chromium: the game's page
against the same page whose program has an empty main, the median of several
loads each: fresh (a new browser profile, nothing cached), again from the
service worker's cache once it holds the page, and in a new browser on that
profile (where only what the browser keeps on disk, its code cache among it,
helps). The two pages take turns, load by load, so that both meet the same load.

Usage: first_frame.py DIST EMPTY_JS_DIR [LOADS] [--phone]; prints one line per
kind of load with both pages and their ratio. With --phone the browser is a
phone's screen (390 x 844 at 3 device pixels to the CSS pixel) with touch.
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
    """For each dist, the medians of its fresh loads, of its loads from the cache
    and of its loads in a new browser on the same profile, in ms. The dists take
    turns, round by round, so that each sees the same load on a busy machine."""
    servers = []
    try:
        for dist in dists:
            browser_test.DIST = dist
            servers.append(browser_test.Server())
        rounds = [[load_once(server, phone) for server in servers] for _ in range(loads)]
    finally:
        for server in servers:
            server.stop()
    return [tuple(statistics.median(r[i][kind] for r in rounds) for kind in range(3))
            for i in range(len(dists))]


def main():
    args = [a for a in sys.argv[1:] if a != '--phone']
    phone = PHONE if '--phone' in sys.argv else None
    dist, empty, loads = args[0], args[1], int(args[2]) if len(args) > 2 else 5
    with tempfile.TemporaryDirectory() as copy:
        empty_dist = os.path.join(copy, 'dist')
        shutil.copytree(dist, empty_dist)
        for name in ('blackjack.js', 'blackjack.wasm'):
            shutil.copy(os.path.join(empty, name), empty_dist)
            os.remove(os.path.join(empty_dist, name + '.gz'))
        game, floor = first_frames([dist, empty_dist], loads, phone)
    for kind, g, f in zip(('fresh', 'from the cache', 'in a new browser'), game, floor):
        print('navigation to first frame, %s, median of %d: game %.0f ms, empty main %.0f ms, '
              'ratio %.2f' % (kind, loads, g, f, g / f))


if __name__ == '__main__':
    main()
