#!/usr/bin/python3
"""Navigation to the first painted frame in headless Chromium: the game's page
against the same page whose program has an empty main, the median of several
loads each, both fresh (a new browser profile, nothing cached) and again from
the service worker's cache once it holds the page.

Usage: first_frame.py DIST EMPTY_JS_DIR [LOADS]; prints one line per kind of load
with both pages and their ratio.
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


def first_frames(dist, loads):
    """The medians of the fresh loads and of the loads from the cache, in ms."""
    browser_test.DIST = dist
    server = browser_test.Server()
    fresh, cached = [], []
    try:
        for _ in range(loads):
            driver = browser_test.chromium()
            try:
                driver.get(server.url + '?screen=qvga')
                fresh.append(browser_test.wait_for(lambda: driver.execute_script(FRAME)))
                # The page registers its service worker after the first frame;
                # once it controls a load, the next one comes from its cache.
                while not driver.execute_script(CONTROLLED):
                    driver.refresh()
                    browser_test.wait_for(lambda: driver.execute_script(CONTROLLED), 5)
                driver.refresh()
                cached.append(browser_test.wait_for(lambda: driver.execute_script(FRAME)))
            finally:
                driver.quit()
    finally:
        server.stop()
    return statistics.median(fresh), statistics.median(cached)


def main():
    dist, empty, loads = sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 5
    with tempfile.TemporaryDirectory() as copy:
        empty_dist = os.path.join(copy, 'dist')
        shutil.copytree(dist, empty_dist)
        for name in ('blackjack.js', 'blackjack.wasm'):
            shutil.copy(os.path.join(empty, name), empty_dist)
            os.remove(os.path.join(empty_dist, name + '.gz'))
        game = first_frames(dist, loads)
        floor = first_frames(empty_dist, loads)
    for kind, g, f in zip(('fresh', 'from the cache'), game, floor):
        print('navigation to first frame, %s, median of %d: game %.0f ms, empty main %.0f ms, '
              'ratio %.2f' % (kind, loads, g, f, g / f))


if __name__ == '__main__':
    main()
