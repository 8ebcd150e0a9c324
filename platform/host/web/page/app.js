// The page around the program: its options from the address, the canvas scaled by a
// whole number, the pen, keys and sound, one game per browser, and offline start.
'use strict';
(function () {
  const canvas = document.getElementById('screen');
  const message = document.getElementById('message');

  function say(text) {
    message.textContent = text;
    message.hidden = !text;
  }

  // The address's options are the desktop program's: ?screen=vga&dpi=192&mute.
  // Without a screen, the preset fits the viewport: the 192-dpi pictures on a
  // screen with two or more device pixels to the CSS pixel, turned as the page is.
  function options() {
    const args = ['--profile', '/profile'];
    const query = new URLSearchParams(window.location.search);
    let screenGiven = false;
    for (const [name, value] of query) {
      if (name === 'screen') screenGiven = true;
      args.push('--' + name);
      if (value !== '') args.push(value);
    }
    if (!screenGiven) {
      const sharp = window.devicePixelRatio >= 2;
      const landscape = window.innerWidth > window.innerHeight;
      args.push('--screen', (sharp ? 'vga' : 'qvga') + (landscape ? '-landscape' : ''));
    }
    return {args, followOrientation: !screenGiven};
  }

  // The largest whole number of device pixels per screen pixel that fits; a
  // smaller screen than the device's is fitted as well as it goes.
  function layout() {
    const w = canvas.width;
    const h = canvas.height;
    const ratio = window.devicePixelRatio || 1;
    const whole = Math.floor(Math.min(window.innerWidth * ratio / w,
                                      window.innerHeight * ratio / h));
    const scale = whole >= 1 ? whole / ratio
                             : Math.min(window.innerWidth / w, window.innerHeight / h);
    canvas.style.width = (w * scale) + 'px';
    canvas.style.height = (h * scale) + 'px';
  }

  const events = [];
  function queue(kind, a, b) {
    events.push([kind, a, b]);
    if (window.Module && Module.bjWake) Module.bjWake();
  }

  // Sound can start only after a gesture; until then the program plays silently.
  const audio = {context: null, source: null};
  function unlockAudio() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    if (!audio.context) {
      try { audio.context = new Context(); } catch (e) { return; }
    }
    if (audio.context.state === 'suspended') audio.context.resume();
  }

  // The pen: one pointer at a time (a finger, a mouse's left button, a stylus).
  const PEN_DOWN = 1, PEN_MOVE = 2, PEN_UP = 3, KEY_DOWN = 4, KEY_UP = 5, WHEEL = 6;
  let penId = null;
  function devicePoint(e) {
    const r = canvas.getBoundingClientRect();
    const x = Math.floor((e.clientX - r.left) * canvas.width / r.width);
    const y = Math.floor((e.clientY - r.top) * canvas.height / r.height);
    return [Math.min(Math.max(x, 0), canvas.width - 1), Math.min(Math.max(y, 0), canvas.height - 1)];
  }
  canvas.addEventListener('pointerdown', (e) => {
    unlockAudio();
    if (penId !== null || !e.isPrimary || e.button !== 0) return;
    penId = e.pointerId;
    canvas.setPointerCapture(e.pointerId);
    canvas.focus();
    queue(PEN_DOWN, ...devicePoint(e));
    e.preventDefault();
  });
  canvas.addEventListener('pointermove', (e) => {
    if (e.pointerId === penId) queue(PEN_MOVE, ...devicePoint(e));
  });
  function penUp(e) {
    if (e.pointerId !== penId) return;
    penId = null;
    queue(PEN_UP, ...devicePoint(e));
  }
  canvas.addEventListener('pointerup', penUp);
  canvas.addEventListener('pointercancel', penUp);
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  // A finger's swipe is the pen dragged: the page itself must not take the touch to
  // scroll or zoom, whatever the browser makes of touch-action.
  for (const type of ['touchstart', 'touchmove']) {
    canvas.addEventListener(type, (e) => e.preventDefault(), {passive: false});
  }

  // The wheel in the device's units: 120 a notch, positive turned away from the user.
  // A notch is 100 pixels of scrolling, 3 lines, or a page.
  const WHEEL_NOTCH = [100, 3, 1];
  canvas.addEventListener('wheel', (e) => {
    const delta = Math.round(-e.deltaY * 120 / WHEEL_NOTCH[e.deltaMode]);
    if (delta) queue(WHEEL, delta, 0);
    e.preventDefault();
  }, {passive: false});

  // Keys as the desktop maps them to virtual keys; the browser keeps its own.
  const namedKeys = {
    Enter: 13, Escape: 27, Space: 32, Tab: 9, Backspace: 8, ArrowLeft: 37, ArrowUp: 38,
    ArrowRight: 39, ArrowDown: 40, ControlLeft: 17, ControlRight: 17, ShiftLeft: 16,
    ShiftRight: 16, AltLeft: 18, AltRight: 18, NumpadEnter: 13,
    F1: 112, F2: 113, F3: 114, F4: 115, F6: 117, F7: 118, F8: 119, F10: 121,
  };
  function virtualKey(code) {
    if (/^Key[A-Z]$/.test(code)) return code.charCodeAt(3);
    if (/^Digit[0-9]$/.test(code)) return code.charCodeAt(5);
    return namedKeys[code] || 0;
  }
  function key(kind, e) {
    const vk = virtualKey(e.code);
    if (!vk || e.metaKey) return;
    if (kind === KEY_DOWN) unlockAudio();
    queue(kind, vk, 0);
    e.preventDefault();
  }
  window.addEventListener('keydown', (e) => key(KEY_DOWN, e));
  window.addEventListener('keyup', (e) => key(KEY_UP, e));

  // Hidden, turned or resized: the program looks at the page when it wakes. A
  // page being left wakes it at once, so it stores the money before the page goes.
  function wake() {
    if (window.Module && Module.bjWake) Module.bjWake();
  }
  document.addEventListener('visibilitychange', wake);
  window.addEventListener('pagehide', wake);
  window.addEventListener('resize', () => { layout(); wake(); });

  let frames = 0;
  function showFrame(pixels, width, height) {
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      layout();
    }
    canvas.getContext('2d').putImageData(new ImageData(pixels.slice(), width, height), 0, 0);
    if (frames++ === 0) {
      window.bjFirstFrameMs = performance.now();
      say('');
    }
    window.bjFrames = frames;
  }

  function start() {
    const chosen = options();
    window.Module = {
      arguments: chosen.args,
      canvas: canvas,
      bjEvents: events,
      bjAudio: audio,
      bjFollowOrientation: chosen.followOrientation,
      bjShowFrame: showFrame,
      bjWake: null,
      print: (text) => console.log(text),
      printErr: (text) => {
        console.error(text);
        if (text.startsWith('blackjack:')) say(text);
      },
      onAbort: (what) => say('BlackJack stopped: ' + what),
    };
    const script = document.createElement('script');
    script.src = 'blackjack.js';
    script.onerror = () => say('BlackJack could not be loaded.');
    document.body.appendChild(script);
  }

  // One game per browser: a second tab would run a second table over the same
  // money. It waits, and starts when the other tab closes.
  function startAlone() {
    if (!navigator.locks) {
      start();
      return;
    }
    const hold = (lock) => lock && new Promise(() => start());
    navigator.locks.request('blackjack-game', {ifAvailable: true}, hold).then((held) => {
      if (held !== null) return;
      say('BlackJack is open in another tab or window.');
      window.bjRefused = true;
      navigator.locks.request('blackjack-game', (lock) => {
        say('');
        return new Promise(() => start());
      });
    });
  }

  if ('serviceWorker' in navigator) {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
  layout();
  startAlone();
})();
