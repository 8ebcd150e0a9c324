#!/usr/bin/python3
"""The page in headless Chromium: the table, a hand played with the pen, the money
kept while the page is hidden and across a reload, a hand by keys and a gamepad, a
dialog scrolled by a swipe and the wheel, one game per browser, the screen turned with the page and sharp where it
is large, the first tap heard, and an offline start; on phones (touch), the screen
filled, chips tapped at a fractional scale, a pinch in and out, the loading screen,
and turns; a recorded game shared as a link.

Usage: browser_test.py DIST DESKTOP_PROGRAM. The frames are compared with the
desktop program's headless screenshots of the same taps, as the golden images are.
"""
import base64
import functools
import importlib.machinery
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

DIST = ''
DESKTOP = ''
# The tool that turns a recording into the page's address.
REPLAY_LINK = importlib.machinery.SourceFileLoader(
    'replay_link', os.path.join(os.path.dirname(__file__), '..', '..', 'scripts',
                                'replay-link')).load_module()
# At this second the deal gives the dealer a hand to play out after Stand.
CLOCK = '12:00:02'
# The golden images' tolerance: at most 0.5% of the pixels differ by more than 24
# in a channel.
CHANNEL_TOLERANCE = 24
PIXEL_SHARE = 0.005

# A hand at the qvga table: a $5 chip, Deal, Stand.
CHIP, DEAL, STAND = (20, 275), (30, 244), (151, 244)
# The regions of the vga table in each orientation, at their centres (screen
# pixels: the table starts under the 52-pixel bar), from the layout's pieces;
# 'options' is the soft key and 'ok' the navigation bar's, which closes a dialog.
VGA_REGIONS = {
    False: {'5': (41, 551), '10': (111, 551), '25': (181, 551), '100': (251, 551),
            '500': (321, 551), 'clear': (420, 546), 'deal': (60, 487), 'hit': (182, 487),
            'stand': (302, 487), 'double': (422, 487), 'options': (240, 614), 'ok': (450, 26)},
    True: {'5': (467, 127), '10': (467, 193), '25': (467, 257), '100': (467, 323),
           '500': (467, 387), 'clear': (560, 396), 'deal': (560, 83), 'hit': (560, 133),
           'stand': (560, 183), 'double': (560, 233), 'options': (320, 454), 'ok': (610, 26)},
}
# How long the desktop's script waits after an action, for the dealer's cards.
SETTLES = {'deal': 1500, 'hit': 1500, 'stand': 8000, 'double': 8000, 'options': 500, 'ok': 500}

# The line of the bet and the bank (x, y, width, height): a wrong digit there is
# within the tolerance of the whole frame, so this part must match exactly.
MONEY = (0, 214, 240, 16)
# The same at vga: the line below the table, or the column beside it.
VGA_MONEY = {False: (0, 428, 480, 32), True: (500, 262, 140, 106)}


class Server:
    """The dist folder on 127.0.0.1, stopped at will; with a gate, the program is
    sent only once the gate is opened."""

    def __init__(self, gate=None):
        handler = functools.partial(Quiet, directory=DIST)
        Quiet.gate = gate
        self.httpd = QuietServer(('127.0.0.1', 0), handler)
        self.url = 'http://127.0.0.1:%d/' % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None


class Quiet(http.server.SimpleHTTPRequestHandler):
    gate = None

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.gate is not None and self.path.startswith('/blackjack.wasm'):
            self.gate.wait(60)
        super().do_GET()


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # a browser closed while a file was on its way


# The phones, in CSS pixels and device pixels per CSS pixel, each in both
# orientations.
PHONES = [(390, 844, 3), (844, 390, 3), (360, 640, 2), (640, 360, 2)]


def chromium(width=600, height=900, phone=None, profile=None):
    """A browser window, or with phone=(width, height, ratio) a phone's screen
    with touch; on a fresh profile, or on the folder `profile` names."""
    options = webdriver.ChromeOptions()
    if phone:
        metrics = {'width': phone[0], 'height': phone[1], 'pixelRatio': phone[2], 'touch': True}
        options.add_experimental_option('mobileEmulation', {'deviceMetrics': metrics})
    for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                 '--no-first-run', '--disable-background-networking',
                 '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage',
                 '--autoplay-policy=user-gesture-required'):
        options.add_argument(flag)
    options.add_argument('--user-data-dir=' + (profile or tempfile.mkdtemp(prefix='bj-chromium-')))
    options.add_argument('--window-size=%d,%d' % (width, height))
    options.binary_location = '/usr/bin/chromium'
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_script_timeout(30)
    return driver


SHOT = 'screenshot'


def desktop_frames(profile, *scripts, screen='qvga'):
    """The desktop program's screenshots (SHOT in a script), one run per script on
    one profile, in order."""
    shots = []
    for n, commands in enumerate(scripts):
        script = os.path.join(profile, 'script-%d' % n)
        with open(script, 'w') as f:
            for command in commands:
                if command == SHOT:
                    shots.append(os.path.join(profile, 'shot-%d.png' % len(shots)))
                    command += ' ' + shots[-1]
                f.write(command + '\n')
        subprocess.run([DESKTOP, '--screen', screen, '--clock', CLOCK, '--profile', profile,
                        '--script', script], check=True, timeout=120)
    frames = []
    for shot in shots:
        with open(shot, 'rb') as f:
            frames.append(base64.b64encode(f.read()).decode())
    return frames


# Counts the canvas pixels that differ from a PNG beyond the tolerance, in all and
# on the money line.
COMPARE = '''
const [png, tolerance, money, done] = arguments;
const image = new Image();
image.onerror = () => done({error: 'not a picture'});
image.onload = () => {
  const screen = window.bjDevice;
  if (!window.bjFrames || screen.width !== image.width || screen.height !== image.height) {
    done({error: 'screen ' + screen.width + 'x' + screen.height + ', frames ' + window.bjFrames});
    return;
  }
  const copy = document.createElement('canvas');
  copy.width = image.width;
  copy.height = image.height;
  const context = copy.getContext('2d');
  context.drawImage(image, 0, 0);
  const a = context.getImageData(0, 0, copy.width, copy.height).data;
  const b = screen.getContext('2d').getImageData(0, 0, copy.width, copy.height).data;
  let differing = 0;
  let moneyDiffering = 0;
  for (let i = 0; i < a.length; i += 4) {
    if (Math.abs(a[i] - b[i]) > tolerance || Math.abs(a[i + 1] - b[i + 1]) > tolerance ||
        Math.abs(a[i + 2] - b[i + 2]) > tolerance) {
      ++differing;
      const x = (i / 4) % copy.width, y = Math.floor(i / 4 / copy.width);
      if (x >= money[0] && x < money[0] + money[2] && y >= money[1] && y < money[1] + money[3]) {
        ++moneyDiffering;
      }
    }
  }
  done({differing: differing, money: moneyDiffering, pixels: a.length / 4});
};
image.src = 'data:image/png;base64,' + png;
'''


# Counts the sounds a page starts, in window.bjSounds: the state of the page's sound
# as each started. The sound starts 300 ms after the page asks, as on a slow phone.
SOUNDS = '''
window.bjSounds = [];
const startSound = AudioBufferSourceNode.prototype.start;
AudioBufferSourceNode.prototype.start = function (...args) {
  window.bjSounds.push(this.context.state);
  return startSound.apply(this, args);
};
window.AudioContext = class extends AudioContext {
  get state() { return this.started ? super.state : 'suspended'; }
  resume() {
    return new Promise((done) => setTimeout(done, 300)).then(() => super.resume()).then(() => {
      this.started = true;
      this.dispatchEvent(new Event('statechange'));
    });
  }
};
'''


# A stand-in for the browser's gamepads: one pad in the standard layout whose buttons
# the test presses, as the page reads them.
PAD = '''
window.bjPad = {index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
navigator.getGamepads = () => [window.bjPad];
'''


def wait_for(condition, timeout=20):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.1)


class Page(unittest.TestCase):
    server = None

    def setUp(self):
        self.server = Server()
        self.drivers = []

    def tearDown(self):
        for driver in self.drivers:
            driver.quit()
        self.server.stop()

    def open(self, query='?screen=qvga&clock=' + CLOCK, **size):
        driver = chromium(**size)
        self.drivers.append(driver)
        driver.get(self.server.url + query)
        return driver

    def frames(self, driver):
        return driver.execute_script('return window.bjFrames || 0')

    def assert_shows(self, driver, png, timeout=20, money=MONEY):
        """Waits until the screen matches a desktop screenshot."""
        result = {}

        def matches():
            nonlocal result
            result = driver.execute_async_script(COMPARE, png, CHANNEL_TOLERANCE, money)
            return ('differing' in result and result['money'] == 0 and
                    result['differing'] <= PIXEL_SHARE * result['pixels'])

        if not wait_for(matches, timeout):
            self.fail('the page does not show the desktop frame: %s; page says %r' %
                      (result, driver.find_element(By.ID, 'message').text))

    def page_point(self, driver, point):
        """A device pixel's centre in the page, and from the canvas's centre."""
        w, h, left, top, css_w, css_h = driver.execute_script(
            'const d = window.bjDevice, r = document.getElementById("screen").getBoundingClientRect();'
            'return [d.width, d.height, r.left, r.top, r.width, r.height];')
        x = (point[0] + 0.5) * css_w / w
        y = (point[1] + 0.5) * css_h / h
        return left + x, top + y, round(x - css_w / 2), round(y - css_h / 2)

    def tap(self, driver, point):
        x, y = self.page_point(driver, point)[2:]
        screen = driver.find_element(By.ID, 'screen')
        ActionChains(driver).move_to_element_with_offset(screen, x, y).click().perform()

    def swipe(self, driver, start, end, steps=5):
        """A finger put down at `start`, slid to `end` and lifted, as touch events."""
        (x0, y0), (x1, y1) = self.page_point(driver, start)[:2], self.page_point(driver, end)[:2]
        touch = lambda kind, points: driver.execute_cdp_cmd(
            'Input.dispatchTouchEvent', {'type': kind, 'touchPoints': points})
        touch('touchStart', [{'x': x0, 'y': y0}])
        for i in range(1, steps + 1):
            touch('touchMove', [{'x': x0 + (x1 - x0) * i / steps, 'y': y0 + (y1 - y0) * i / steps}])
        touch('touchEnd', [])

    def touch(self, driver, point):
        """A finger put down on a device pixel's centre and lifted."""
        x, y = self.page_point(driver, point)[:2]
        for kind, points in (('touchStart', [{'x': x, 'y': y}]), ('touchEnd', [])):
            driver.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': points})

    def play(self, driver, actions, landscape):
        for action in actions:
            self.touch(driver, VGA_REGIONS[landscape][action])
            time.sleep(SETTLES.get(action, 100) / 1000)

    def desktop_play(self, actions, landscape):
        """The desktop program's frame after the actions, started in one orientation
        and never turned."""
        script = []
        for action in actions:
            script += ['tap %d %d' % VGA_REGIONS[landscape][action],
                       'wait %d' % SETTLES.get(action, 0)]
        with tempfile.TemporaryDirectory() as profile:
            return desktop_frames(profile, script + [SHOT],
                                  screen='vga-landscape' if landscape else 'vga')[0]

    def assert_fills(self, driver, phone):
        """The canvas fills at least 95% of the side that limits it."""
        width, height = driver.execute_script(
            'const r = document.getElementById("screen").getBoundingClientRect();'
            'return [r.width, r.height];')
        self.assertGreaterEqual(max(width / phone[0], height / phone[1]), 0.95,
                                '%sx%s on %s' % (width, height, phone))

    def turn(self, driver, phone):
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': phone[0], 'height': phone[1], 'deviceScaleFactor': phone[2], 'mobile': True,
            'screenOrientation': {'type': 'landscapePrimary' if phone[0] > phone[1] else
                                  'portraitPrimary', 'angle': 90 if phone[0] > phone[1] else 0}})
        landscape = phone[0] > phone[1]
        self.assertTrue(wait_for(lambda: driver.execute_script(
            'return (bjDevice.width > bjDevice.height) === arguments[0]', landscape)),
            'the screen did not turn')
        time.sleep(0.5)

    def open_counting_sounds(self, query, **size):
        """A page whose started sounds are counted in window.bjSounds, each as the state
        the page's sound was in when it started."""
        driver = chromium(**size)
        self.drivers.append(driver)
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': SOUNDS})
        driver.get(self.server.url + query)
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        return driver

    def test_the_first_tap_of_a_page_is_heard(self):
        """The first touch on a phone and the first click in a window bet a chip, and its
        coin plays: the page's sound runs before the program asks for the cue."""
        for phone in (PHONES[0], None):
            with self.subTest(phone=phone):
                driver = self.open_counting_sounds('?clock=' + CLOCK + ('' if phone else '&screen=qvga'),
                                                   phone=phone)
                if phone:
                    self.touch(driver, VGA_REGIONS[False]['5'])
                else:
                    self.tap(driver, CHIP)
                self.assertEqual(wait_for(lambda: driver.execute_script('return bjSounds')),
                                 ['running'])

    def fingers(self, driver, kind, points):
        driver.execute_cdp_cmd('Input.dispatchTouchEvent', {
            'type': kind, 'touchPoints': [{'x': x, 'y': y, 'id': i} for i, (x, y) in enumerate(points)]})

    def pinch(self, driver, centre, start, end):
        """Two fingers put down `start` CSS pixels either side of `centre`, moved to `end`
        either side, and lifted."""
        x, y = centre
        at = lambda d: [(x - d, y), (x + d, y)]
        self.fingers(driver, 'touchStart', at(start)[:1])
        self.fingers(driver, 'touchStart', at(start))
        for i in range(1, 11):
            self.fingers(driver, 'touchMove', at(start + (end - start) * i / 10))
            time.sleep(0.02)
        self.fingers(driver, 'touchEnd', [])

    def test_two_fingers_zoom_the_page_in_and_out_and_never_play(self):
        """On a phone, a second finger takes the pen from the first (on Deal, which
        stays unpressed), a pinch zooms the page in until the table fills the screen,
        and a pinch on the table zooms it back out."""
        driver = self.open_counting_sounds('?clock=' + CLOCK, phone=PHONES[0])
        screen = lambda: driver.execute_script('return bjDevice.toDataURL()')
        scale = lambda: driver.execute_script('return visualViewport.scale')
        before = screen()
        deal = self.page_point(driver, VGA_REGIONS[False]['deal'])[:2]
        self.fingers(driver, 'touchStart', [deal])
        self.fingers(driver, 'touchStart', [deal, (deal[0] + 40, deal[1])])
        self.fingers(driver, 'touchEnd', [])
        centre = (PHONES[0][0] / 2, PHONES[0][1] / 2)
        self.pinch(driver, centre, 10, 150)
        self.assertGreater(wait_for(lambda: scale() > 3 and scale()), 3, 'not zoomed in')
        # Zoomed in, the table fills the screen: the next fingers all land on it.
        self.assertTrue(driver.execute_script(
            'const r = document.getElementById("screen").getBoundingClientRect();'
            'const v = visualViewport;'
            'return r.left <= v.offsetLeft && r.top <= v.offsetTop &&'
            '       r.right >= v.offsetLeft + v.width && r.bottom >= v.offsetTop + v.height'),
            'the zoomed table does not fill the screen')
        self.pinch(driver, centre, 150, 10)
        self.assertTrue(wait_for(lambda: scale() < 1.05), 'not zoomed back out: %s' % scale())
        time.sleep(0.5)
        self.assertEqual(screen(), before, 'two fingers played the game')
        self.assertEqual(driver.execute_script('return bjSounds'), [])

    def test_phones_are_filled_and_take_each_chip_where_the_finger_is(self):
        """Each phone in each orientation: the screen filled, at a scale that is no
        whole number, and a tap on each chip's centre bets that chip."""
        chips = ['5', '10', '25', '100', '500']
        expected = {landscape: self.desktop_play(chips, landscape) for landscape in (False, True)}
        for phone in PHONES:
            with self.subTest(phone=phone):
                driver = chromium(phone=phone)
                self.drivers.append(driver)
                driver.get(self.server.url + '?clock=' + CLOCK)
                self.assertTrue(wait_for(lambda: self.frames(driver)))
                self.assert_fills(driver, phone)
                factor = driver.execute_script(
                    'return document.getElementById("screen").width / bjDevice.width')
                self.assertNotEqual(factor, round(factor), 'a whole factor tests no filter')
                self.play(driver, chips, phone[0] > phone[1])
                self.assert_shows(driver, expected[phone[0] > phone[1]],
                                  money=VGA_MONEY[phone[0] > phone[1]])

    def test_the_loading_screen_shows_until_the_first_frame(self):
        self.server.stop()
        gate = threading.Event()
        self.server = Server(gate)
        driver = chromium(phone=PHONES[0])
        self.drivers.append(driver)
        driver.get(self.server.url)
        shown = lambda: driver.execute_script(
            'const l = document.getElementById("loading");'
            'return [!l.hidden && l.getBoundingClientRect().height > 0, l.textContent,'
            '        getComputedStyle(document.getElementById("screen")).visibility,'
            '        window.bjFrames || 0]')
        visible, text, canvas, frames = shown()
        self.assertTrue(visible)
        self.assertIn('BlackJack', text)
        self.assertIn('Loading', text)
        self.assertEqual((canvas, frames), ('hidden', 0))
        gate.set()
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        visible, _, canvas, _ = shown()
        self.assertEqual((visible, canvas), (False, 'visible'))

    def test_turns_keep_every_region_answering(self):
        """Opened in landscape, turned to portrait and, with Options open, back: after
        each turn the screen is filled and the table is where a table started in that
        orientation with the same taps would be."""
        landscape, portrait = PHONES[1], PHONES[0]
        first = ['5', '10', 'deal']
        second = ['hit', 'stand', '25', '100', '500', 'clear', '5']
        third = ['ok', 'deal', 'deal', 'double']
        played_portrait = self.desktop_play(first + second, False)
        played_landscape = self.desktop_play(first + second + third, True)
        driver = chromium(phone=landscape)
        self.drivers.append(driver)
        driver.get(self.server.url + '?clock=' + CLOCK)
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        self.play(driver, first, True)
        self.turn(driver, portrait)
        self.assert_fills(driver, portrait)
        self.play(driver, second, False)
        self.assert_shows(driver, played_portrait, money=VGA_MONEY[False])
        self.play(driver, ['options'], False)
        self.turn(driver, landscape)
        self.assert_fills(driver, landscape)
        self.play(driver, third, True)
        self.assert_shows(driver, played_landscape, money=VGA_MONEY[True])

    def hide_and_show(self, driver):
        """Another tab in front hides the page; closing it shows the page again."""
        page = driver.current_window_handle
        driver.switch_to.new_window('tab')
        driver.get(self.server.url + 'manifest.webmanifest')
        time.sleep(1)
        driver.close()
        driver.switch_to.window(page)

    def play_hand(self, driver, dealt, after):
        self.tap(driver, CHIP)
        self.tap(driver, DEAL)
        self.assert_shows(driver, dealt)
        self.tap(driver, STAND)
        self.assert_shows(driver, after)

    def test_hands_played_with_the_pen_and_kept_while_hidden_and_across_a_reload(self):
        with tempfile.TemporaryDirectory() as profile:
            hand = ['tap %d %d' % CHIP, 'tap %d %d' % DEAL, 'wait 1500', SHOT,
                    'tap %d %d' % STAND, 'wait 8000', SHOT]
            start, dealt, after, restarted, dealt_again, after_again, reloaded = desktop_frames(
                profile, [SHOT], hand, [SHOT], hand, [SHOT])
        self.assertNotEqual(start, restarted, 'the desktop hand changed no money')
        self.assertNotEqual(restarted, reloaded, 'the second desktop hand changed no money')
        driver = self.open()
        self.assert_shows(driver, start)
        self.play_hand(driver, dealt, after)
        # Hidden, the game is closed as the device's shell would close it; shown,
        # it starts afresh from the money it stored.
        self.hide_and_show(driver)
        self.assert_shows(driver, restarted)
        self.play_hand(driver, dealt_again, after_again)
        driver.refresh()
        self.assert_shows(driver, reloaded)

    def test_a_swipe_and_the_wheel_scroll_a_dialog_taller_than_the_screen(self):
        """Options in landscape: a finger's swipe up, then a notch of the wheel towards
        the user, each shown as the desktop program's script shows it."""
        with tempfile.TemporaryDirectory() as profile:
            opened, swiped, wheeled = desktop_frames(
                profile, ['tap 160 227', SHOT, 'down 250 150', 'move 250 135', 'up 250 120', SHOT,
                          'wheel -1', SHOT], screen='qvga-landscape')
        driver = self.open('?screen=qvga-landscape&clock=' + CLOCK)
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        self.tap(driver, (160, 227))
        self.assert_shows(driver, opened)
        self.swipe(driver, (250, 150), (250, 120))
        self.assert_shows(driver, swiped)
        origin = ScrollOrigin.from_element(driver.find_element(By.ID, 'screen'))
        ActionChains(driver).scroll_from_origin(origin, 0, 100).perform()
        self.assert_shows(driver, wheeled)

    def test_a_second_tab_refuses_until_the_first_closes(self):
        driver = self.open()
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        first = driver.current_window_handle
        driver.switch_to.new_window('tab')
        driver.get(self.server.url)
        self.assertTrue(wait_for(lambda: driver.execute_script('return window.bjRefused')))
        self.assertIn('open in another', driver.find_element(By.ID, 'message').text)
        time.sleep(1)
        self.assertEqual(self.frames(driver), 0)
        second = driver.current_window_handle
        driver.switch_to.window(first)
        driver.close()
        driver.switch_to.window(second)
        self.assertTrue(wait_for(lambda: self.frames(driver)), 'the waiting tab never started')

    def test_the_screen_follows_the_page_and_has_the_sharp_pictures_where_large(self):
        """A small window shows the 96-dpi table (less than twice its size would fit),
        turned as the window turns; a desktop browser's 1280x800 the 192-dpi one."""
        size = lambda driver: driver.execute_script(
            'const d = window.bjDevice;'
            'return window.bjFrames ? [d.width, d.height] : null')
        driver = self.open('', width=500, height=400)
        self.assertEqual(wait_for(lambda: size(driver)), [320, 240])
        driver.set_window_size(400, 600)
        self.assertEqual(wait_for(lambda: size(driver) == [240, 320] and size(driver)), [240, 320])
        driver = self.open('', width=1280, height=800)
        self.assertEqual(wait_for(lambda: size(driver)), [640, 480])

    def test_starts_offline_after_the_first_load(self):
        driver = self.open()
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        ready = driver.execute_async_script(
            'const done = arguments[0];'
            'navigator.serviceWorker.ready.then(() => done(true), () => done(false));')
        self.assertTrue(ready)
        self.assertTrue(wait_for(lambda: driver.execute_script(
            'return !!navigator.serviceWorker.controller')), 'no service worker took the page')
        self.server.stop()
        driver.refresh()
        self.assertTrue(wait_for(lambda: self.frames(driver)), 'no frame without the server')

    def recording(self, version, lines):
        """A recording of a game at the vga table with $1200 to start from."""
        return '\n'.join([
            '# BlackJack recording: replay it with `blackjack --replay FILE`',
            '#: version ' + version, '#: screen 480x640', '#: dpi 192', '#: os ce5.1',
            '#: clock ' + CLOCK, '#: hive Windows Registry Editor Version 5.00',
            '#: hive [HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]',
            '#: hive "TotalAmount"=dword:000004b0'] + lines) + '\n'

    def test_a_recorded_game_in_the_address_replays_on_its_own_money(self):
        """A hand and a turn recorded, shared as a link: played in the page at its pace
        whatever the finger does, it ends on the frame and the money of the headless
        replay of the same recording, and leaves the player's own money alone."""
        version = subprocess.run([DESKTOP, '--version'], check=True, capture_output=True,
                                 text=True).stdout.split()[1]
        regions = VGA_REGIONS[False]
        lines = []
        for action in ('25', 'deal', 'stand'):
            lines += ['wait 400', 'down %d %d' % regions[action], 'up %d %d' % regions[action]]
        with tempfile.TemporaryDirectory() as profile:
            shot = os.path.join(profile, 'last.png')
            text = self.recording(version, lines + ['wait 3000', 'rotate', 'wait 500',
                                                    'screenshot ' + shot, 'close'])
            game = os.path.join(profile, 'game.txt')
            with open(game, 'w') as f:
                f.write(text)
            subprocess.run([DESKTOP, '--headless', '--replay', game, '--profile', profile],
                           check=True, timeout=120)
            with open(shot, 'rb') as f:
                last = base64.b64encode(f.read()).decode()
            with open(os.path.join(profile, 'registry.reg')) as f:
                stored = [line for line in f if 'TotalAmount' in line]
        self.assertEqual(len(stored), 1)
        driver = self.open(REPLAY_LINK.link(text.encode(), ''), width=700, height=500)
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        for _ in range(3):  # a bet of its own would show on the money line
            self.touch(driver, regions['100'])
        self.assert_shows(driver, last, timeout=30, money=VGA_MONEY[True])
        kept = lambda profile: driver.execute_script(
            'return localStorage.getItem(arguments[0])', 'blackjack:/%s/registry.reg' % profile)
        self.assertTrue(wait_for(lambda: stored[0].strip() in (kept('replay') or '')),
                        'the replay stored %r' % kept('replay'))
        self.assertIsNone(kept('profile'))
        # A link that holds no recording, or one of another version, says why.
        for link, said in ((REPLAY_LINK.link(b'wait 100\n', ''), 'not a recording'),
                           (REPLAY_LINK.link(self.recording('0.1', []).encode(), ''),
                            'recorded by blackjack 0.1'),
                           ('?replay=AAAA', 'not deflated')):
            with self.subTest(said=said):
                driver.get(self.server.url + link)
                self.assertTrue(wait_for(lambda: said in driver.find_element(
                    By.ID, 'message').text), driver.find_element(By.ID, 'message').text)

    def test_keys_and_a_gamepad_play_the_hand_the_pen_plays(self):
        """The 100 chip and Deal by keys, the arrow's highlight drawn over the page and
        not into the device's screen, then Hit by the pad's A on the highlight and
        Stand by its B: the screen the desktop shows after the same taps."""
        with tempfile.TemporaryDirectory() as profile:
            after, = desktop_frames(profile, ['tap 127 276', 'tap 31 242', 'tap 90 242',
                                              'tap 150 242', 'wait 8000', SHOT])
        driver = chromium()
        self.drivers.append(driver)
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': PAD})
        driver.get(self.server.url + '?screen=qvga&clock=' + CLOCK)
        self.assertTrue(wait_for(lambda: self.frames(driver)))
        ActionChains(driver).send_keys('4').pause(0.7).send_keys('d').pause(1).perform()
        before = driver.execute_script('return bjDevice.toDataURL()')
        ActionChains(driver).send_keys(Keys.ARROW_RIGHT).perform()
        self.assertEqual(wait_for(lambda: driver.execute_script('return window.bjHighlight')),
                         [75, 229, 105, 255], 'the arrow shows no highlight on Hit')
        self.assertEqual(before, driver.execute_script('return bjDevice.toDataURL()'),
                         'the highlight was drawn into the device\'s screen')
        driver.execute_script('window.dispatchEvent(new Event("gamepadconnected"))')
        for button in (0, 1):  # A on the highlight, B
            driver.execute_script('bjPad.buttons[arguments[0]].pressed = true', button)
            time.sleep(0.3)
            driver.execute_script('bjPad.buttons[arguments[0]].pressed = false', button)
            time.sleep(0.3)
        self.assert_shows(driver, after)


if __name__ == '__main__':
    DIST, DESKTOP = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
