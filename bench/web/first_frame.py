#!/usr/bin/python3
"""Navigation to the first painted frame in headless Chromium: the game's page
against the same page whose program has an empty main, the median of several
fresh loads each (a fresh browser profile, so nothing comes from a cache).

Usage: first_frame.py DIST EMPTY_JS_DIR [LOADS]; prints one line per page and
their ratio.
"""
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tests', 'web'))
import browser_test  # noqa: E402  (the same server and browser set-up)


def first_frames(dist, loads):
    browser_test.DIST = dist
    server = browser_test.Server()
    times = []
    try:
        for _ in range(loads):
            driver = browser_test.chromium()
            try:
                driver.get(server.url + '?screen=qvga')
                browser_test.wait_for(lambda: driver.execute_script('return window.bjFrames'))
                times.append(driver.execute_script('return window.bjFirstFrameMs'))
            finally:
                driver.quit()
    finally:
        server.stop()
    return statistics.median(times)


def main():
    dist, empty, loads = sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 5
    with tempfile.TemporaryDirectory() as copy:
        empty_dist = os.path.join(copy, 'dist')
        shutil.copytree(dist, empty_dist)
        for name in ('blackjack.js', 'blackjack.wasm'):
            shutil.copy(os.path.join(empty, name), empty_dist)
        game = first_frames(dist, loads)
        floor = first_frames(empty_dist, loads)
    print('navigation to first frame, median of %d: game %.0f ms, empty main %.0f ms, '
          'ratio %.2f' % (loads, game, floor, game / floor))


if __name__ == '__main__':
    main()
