// The page around the program: its options from the address, the loading screen,
// the device's screen fitted to the page's, the pen, keys and sound, one game per
// browser, and offline start.
'use strict';
(function () {
  const canvas = document.getElementById('screen');
  const stage = document.getElementById('stage');
  const message = document.getElementById('message');
  const loading = document.getElementById('loading');
  const progress = document.getElementById('progress');
  const progressText = document.getElementById('progress-text');
  // The device's screen at its own size, as the program last presented it; the
  // canvas shows it scaled.
  const device = document.createElement('canvas');
  device.width = 0;
  device.height = 0;
  window.bjDevice = device;
  let frames = 0;

  // A word in place of the loading screen; none brings the loading screen back
  // until the first frame.
  function say(text) {
    message.textContent = text;
    message.hidden = !text;
    loading.hidden = !!text || frames > 0;
  }

  // The address's options are the desktop program's: ?screen=vga&dpi=192&mute.
  // Without a screen, the preset fits the page, turned as the page is: the 192-dpi
  // pictures wherever the 96-dpi table would be shown at twice its size or more
  // (or as a dpi in the address says). A recording in the address (?replay=)
  // brings its own screen, and plays on a profile of its own, so that watching a
  // game never touches the player's money.
  function options() {
    const query = new URLSearchParams(window.location.search);
    const replay = query.has('replay');
    const args = ['--profile', replay ? '/replay' : '/profile'];
    let screenGiven = replay;
    for (const [name, value] of query) {
      if (name === 'screen') screenGiven = true;
      args.push('--' + name);
      if (name === 'replay') {
        args.push('address'); // the text itself is Module.bjRecording
      } else if (value !== '') {
        args.push(value);
      }
    }
    if (!screenGiven) {
      const landscape = window.innerWidth > window.innerHeight;
      const sharp = query.has('dpi') ? Number(query.get('dpi')) >= 192
        : fitFactor(landscape ? 320 : 240, landscape ? 240 : 320, stage.clientWidth,
                    stage.clientHeight, window.devicePixelRatio || 1) >= 2;
      args.push('--screen', (sharp ? 'vga' : 'qvga') + (landscape ? '-landscape' : ''));
    }
    return {args, followOrientation: !screenGiven, replay: replay ? query.get('replay') : null};
  }

  // A recording as a link carries it deflated (raw) and in base64url; it is
  // inflated no further than the largest recording the program reads.
  const LARGEST_RECORDING = 64 << 20;
  async function inflateRecording(encoded) {
    let bytes;
    try {
      const base64 = encoded.replace(/-/g, '+').replace(/_/g, '/').replace(/=+$/, '');
      bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    } catch (e) {
      throw new Error('it is not in base64url');
    }
    const reader = new Blob([bytes]).stream()
      .pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    const decoder = new TextDecoder('utf-8', {fatal: true});
    let text = '';
    let size = 0;
    for (;;) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw new Error('it is not deflated');
      }
      if (chunk.done) break;
      size += chunk.value.byteLength;
      if (size > LARGEST_RECORDING) {
        reader.cancel();
        throw new Error('it is larger than any recording');
      }
      try {
        text += decoder.decode(chunk.value, {stream: true});
      } catch (e) {
        throw new Error('it is not text');
      }
    }
    try {
      return text + decoder.decode();
    } catch (e) {
      throw new Error('it is not text');
    }
  }

  // The device's screen as large as the stage holds it, in screen pixels per
  // device pixel: a whole number where one comes within 5% of the largest fit,
  // otherwise the largest fit itself.
  function fitFactor(width, height, stageWidth, stageHeight, ratio) {
    const largest = Math.min(stageWidth * ratio / width, stageHeight * ratio / height);
    const whole = Math.floor(largest);
    return whole >= 1 && whole >= 0.95 * largest ? whole : largest;
  }

  // The canvas placed and sized in screen pixels, centred on the stage.
  function layout() {
    if (!device.width) return;
    const ratio = window.devicePixelRatio || 1;
    const w = device.width;
    const h = device.height;
    const factor = fitFactor(w, h, stage.clientWidth, stage.clientHeight, ratio);
    const pixelsW = Math.max(1, Math.floor(w * factor + 1e-6));
    const pixelsH = Math.max(1, Math.floor(h * factor + 1e-6));
    if (canvas.width !== pixelsW || canvas.height !== pixelsH) {
      canvas.width = pixelsW;
      canvas.height = pixelsH;
    }
    canvas.style.width = (pixelsW / ratio) + 'px';
    canvas.style.height = (pixelsH / ratio) + 'px';
    canvas.style.left = ((stage.clientWidth - pixelsW / ratio) / 2) + 'px';
    canvas.style.top = ((stage.clientHeight - pixelsH / ratio) / 2) + 'px';
    present();
  }

  // The device's pixels onto the canvas. At a whole factor each is a square of
  // screen pixels. At a fractional one the frame is first enlarged to the next
  // whole factor pixel for pixel, then smoothed down to the canvas: an edge of a
  // card or a letter blends over one screen pixel at most, where the browser's
  // own enlarging would either blur it all or draw the pixels unevenly wide.
  const sharp = document.createElement('canvas');
  function present() {
    if (!device.width) return;
    const context = canvas.getContext('2d');
    const whole = Math.ceil(canvas.width / device.width - 1e-6);
    let source = device;
    if (whole > 1 && whole * device.width !== canvas.width) {
      sharp.width = device.width * whole;
      sharp.height = device.height * whole;
      const enlarge = sharp.getContext('2d');
      enlarge.imageSmoothingEnabled = false;
      enlarge.drawImage(device, 0, 0, sharp.width, sharp.height);
      source = sharp;
    }
    context.imageSmoothingEnabled = source !== device || canvas.width < device.width;
    context.imageSmoothingQuality = 'high';
    context.drawImage(source, 0, 0, canvas.width, canvas.height);
    drawHighlight(context);
  }

  // The key highlight, a yellow frame drawn over the shown picture (the device's own
  // canvas, which the tests compare, never has it): its device pixels, or none.
  let highlight = null;
  function showHighlight(left, top, right, bottom) {
    highlight = right > left ? [left, top, right, bottom] : null;
    window.bjHighlight = highlight;
    present();
  }
  function drawHighlight(context) {
    if (!highlight) return;
    const scale = canvas.width / device.width;
    const line = Math.max(1, Math.round(2 * scale));
    const [left, top, right, bottom] = highlight.map((v) => Math.round(v * scale));
    context.fillStyle = 'rgb(255, 214, 0)';
    context.fillRect(left, top, right - left, line);
    context.fillRect(left, bottom - line, right - left, line);
    context.fillRect(left, top, line, bottom - top);
    context.fillRect(right - line, top, line, bottom - top);
  }

  // The input for the program, which takes it when it wakes: an event's name
  // ('pendown', 'penmove', 'penup', 'pencancel', 'keydown', 'keyup', 'wheel') and two
  // numbers (a pen's device pixel, a key's virtual-key code, the wheel's turn). While
  // the page's sound is starting, input is held back (see startSound).
  const events = [];
  const held = [];
  let holdUntil = 0;
  function queue(name, a, b) {
    if (held.length || (!soundRunning() && performance.now() < holdUntil)) {
      held.push([name, a, b]);
      return;
    }
    events.push([name, a, b]);
    wake();
  }

  // A page may sound only from a gesture (a key, a click, the end of a touch). The
  // first touch or key starts the sound, and the input it brings waits until the
  // sound runs, so that the cue of the very first tap is heard; where the browser
  // will not let the page sound, it waits no longer than HOLD_MS.
  const HOLD_MS = 500;
  const audio = {context: null, source: null};
  function soundRunning() {
    return !!audio.context && audio.context.state === 'running';
  }
  function startSound() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context || soundRunning()) return;
    if (!audio.context) {
      try { audio.context = new Context(); } catch (e) { return; }
      audio.context.addEventListener('statechange', () => release(false));
    }
    holdUntil = performance.now() + HOLD_MS;
    setTimeout(() => release(true), HOLD_MS);
    audio.context.resume().then(() => release(false), () => release(false));
  }
  function release(late) {
    if (!held.length || (!late && !soundRunning() && performance.now() < holdUntil)) return;
    events.push(...held.splice(0));
    wake();
  }

  // The pen: one pointer at a time (a finger, a mouse's left button, a stylus).
  let penId = null;
  let penY = 0;
  function devicePoint(e) {
    const r = canvas.getBoundingClientRect();
    const x = Math.floor((e.clientX - r.left) * device.width / r.width);
    const y = Math.floor((e.clientY - r.top) * device.height / r.height);
    penY = Math.min(Math.max(y, 0), device.height - 1);
    return [Math.min(Math.max(x, 0), device.width - 1), penY];
  }
  // Two fingers are a gesture of the browser's (a pinch zooms the page, wherever it
  // starts): a second finger, or the browser taking the touch for itself, takes the
  // pen away, at the height it had, so that what it pressed lets go without acting
  // and a drag ends where it was.
  function penAway() {
    if (penId === null) return;
    penId = null;
    queue('pencancel', 0, penY);
  }
  canvas.addEventListener('pointerdown', (e) => {
    startSound();
    if (penId !== null && e.pointerType === 'touch' && e.pointerId !== penId) {
      penAway();
      return;
    }
    if (penId !== null || !e.isPrimary || e.button !== 0) return;
    penId = e.pointerId;
    canvas.setPointerCapture(e.pointerId);
    canvas.focus();
    queue('pendown', ...devicePoint(e));
    e.preventDefault();
  });
  canvas.addEventListener('pointermove', (e) => {
    if (e.pointerId === penId) queue('penmove', ...devicePoint(e));
  });
  canvas.addEventListener('pointerup', (e) => {
    startSound();
    if (e.pointerId !== penId) return;
    penId = null;
    queue('penup', ...devicePoint(e));
  });
  canvas.addEventListener('pointercancel', (e) => {
    if (e.pointerId === penId) penAway();
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  // One finger's swipe is the pen dragged: the page must not take it to scroll,
  // whatever the browser makes of touch-action; two fingers are left to the browser.
  canvas.addEventListener('touchmove', (e) => {
    if (e.touches.length === 1) e.preventDefault();
  }, {passive: false});

  // The wheel in the device's units: 120 a notch, positive turned away from the user.
  // A notch is 100 pixels of scrolling, 3 lines, or a page.
  const WHEEL_NOTCH = {
    [WheelEvent.DOM_DELTA_PIXEL]: 100, [WheelEvent.DOM_DELTA_LINE]: 3, [WheelEvent.DOM_DELTA_PAGE]: 1,
  };
  canvas.addEventListener('wheel', (e) => {
    const delta = Math.round(-e.deltaY * 120 / WHEEL_NOTCH[e.deltaMode]);
    if (delta) queue('wheel', delta, 0);
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
  function key(name, e) {
    const vk = virtualKey(e.code);
    if (!vk || e.metaKey) return;
    startSound();
    queue(name, vk, 0);
    e.preventDefault();
  }
  window.addEventListener('keydown', (e) => key('keydown', e));
  window.addEventListener('keyup', (e) => key('keyup', e));

  // A gamepad in the browser's standard layout: its buttons reach the program as
  // the keys Windows gives them (VK_GAMEPAD_A…), the left stick as the pad. The
  // browser reports no presses, so the pads are looked at while any is plugged in.
  const padButtons = {0: 0xC3, 1: 0xC4, 2: 0xC5, 3: 0xC6, 4: 0xC8, 5: 0xC7, 8: 0xD0, 9: 0xCF,
                      12: 0xCB, 13: 0xCC, 14: 0xCD, 15: 0xCE};
  const STICK_PRESSED = 0.5;
  const STICK_RELEASED = 0.25;
  const padsDown = new Map(); // a pad's index: the virtual keys it holds down
  function stickKeys(pad, held) {
    const keys = [];
    const ways = [[0, 0xCD, 0xCE], [1, 0xCB, 0xCC]];
    for (const [axis, less, more] of ways) {
      const value = pad.axes[axis] || 0;
      const holding = held.has(less) ? less : held.has(more) ? more : 0;
      const limit = holding ? STICK_RELEASED : STICK_PRESSED;
      if (Math.abs(value) >= limit) keys.push(value < 0 ? less : more);
    }
    return keys;
  }
  function lookAtPads() {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    for (const pad of pads) {
      if (!pad) continue;
      const held = padsDown.get(pad.index) || new Set();
      const now = new Set(stickKeys(pad, held));
      pad.buttons.forEach((button, i) => {
        if (button.pressed && padButtons[i]) now.add(padButtons[i]);
      });
      for (const vk of held) if (!now.has(vk)) queue('keyup', vk, 0);
      for (const vk of now) {
        if (!held.has(vk)) {
          startSound();
          queue('keydown', vk, 0);
        }
      }
      padsDown.set(pad.index, now);
    }
    for (const index of padsDown.keys()) {
      if (!pads.some((pad) => pad && pad.index === index)) padsDown.delete(index);
    }
    if (pads.some((pad) => pad)) requestAnimationFrame(lookAtPads);
    else padsLooked = false;
  }
  let padsLooked = false;
  window.addEventListener('gamepadconnected', () => {
    if (!padsLooked) {
      padsLooked = true;
      requestAnimationFrame(lookAtPads);
    }
  });

  // Hidden, turned or resized: the program looks at the page when it wakes. A
  // page being left wakes it at once, so it stores the money before the page goes.
  function wake() {
    if (window.Module && Module.bjWake) Module.bjWake();
  }
  document.addEventListener('visibilitychange', wake);
  window.addEventListener('pagehide', wake);
  window.addEventListener('resize', () => { layout(); wake(); });

  function showFrame(pixels, width, height) {
    const turned = device.width !== width || device.height !== height;
    if (turned) {
      device.width = width;
      device.height = height;
    }
    device.getContext('2d').putImageData(new ImageData(pixels.slice(), width, height), 0, 0);
    if (turned) {
      layout();
    } else {
      present();
    }
    if (frames++ === 0) {
      window.bjFirstFrameMs = performance.now();
      loaded();
      say('');
    }
    window.bjFrames = frames;
  }

  // The loading screen, from the page's first bytes to the program's first frame:
  // the name, and how much of the program has arrived.
  function showProgress(bytes) {
    const share = Math.min(1, bytes / progress.max);
    progress.value = share * progress.max;
    progressText.textContent = share < 1 ? 'Loading the game: ' + Math.floor(share * 100) + '%'
                                         : 'Starting';
  }
  // Once the game shows, the service worker keeps the page for offline starts:
  // registered earlier, its copying of every file would slow the first load.
  function loaded() {
    loading.hidden = true;
    canvas.classList.remove('waiting');
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch(() => {});
    }
  }

  // The program fetched by the page as soon as the page runs, so that its progress
  // shows, and compiled as it arrives, while the rest of the page loads. The
  // compiler is handed the response itself, which lets the browser keep the
  // compiled code with the file and take it from there at the next start; a copy of
  // the response is counted for the loading screen. A server that sends the program
  // under another type gets it compiled all the same, from a response made here.
  function countProgress(copy) {
    if (!copy.body) return;
    const reader = copy.body.getReader();
    let bytes = 0;
    const next = () => reader.read().then((chunk) => {
      if (chunk.done) return;
      bytes += chunk.value.byteLength;
      showProgress(bytes);
      next();
    }, () => {});
    next();
  }
  function compileProgram() {
    const program = fetch('blackjack.wasm', {credentials: 'same-origin'}).then((response) => {
      if (!response.ok) throw new Error('blackjack.wasm: ' + response.status);
      countProgress(response.clone());
      const type = response.headers.get('Content-Type') || '';
      return type.split(';')[0].trim() === 'application/wasm' ? response
        : new Response(response.body, {headers: {'Content-Type': 'application/wasm'}});
    });
    return WebAssembly.compileStreaming
      ? WebAssembly.compileStreaming(program)
      : program.then((response) => response.arrayBuffer()).then((b) => WebAssembly.compile(b));
  }
  const compiled = compileProgram();
  compiled.catch(() => {});

  // The program is instantiated as soon as it is compiled, but runs only once the
  // page allows it (the game's lock is held): waiting for the lock, which takes a
  // while in a new browser profile, then overlaps loading the program.
  let allow = null;
  const allowed = new Promise((resolve) => { allow = resolve; });
  // The browser's storage, which keeps the money, opens at its first use, which
  // in a new browser profile takes a while: it is opened while the page waits, so
  // that the program's first look at the money does not wait for it.
  function openStorage() {
    try {
      return window.localStorage.length;
    } catch (e) {
      return 0; // storage refused: the program says so when it stores
    }
  }
  function instantiateWasm(imports, done) {
    compiled.then((module) => WebAssembly.instantiate(module, imports).then((instance) => {
      openStorage();
      return allowed.then(() => {
        showProgress(progress.max);
        done(instance, module);
      });
    })).catch((error) => say('BlackJack could not be loaded: ' + error.message));
    return {};
  }

  function start(chosen, recording) {
    window.Module = {
      arguments: chosen.args,
      canvas: canvas,
      bjEvents: events,
      bjAudio: audio,
      bjRecording: recording,
      bjFollowOrientation: chosen.followOrientation,
      bjShowFrame: showFrame,
      bjShowHighlight: showHighlight,
      bjWake: null,
      instantiateWasm: instantiateWasm,
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
  // money. It waits, and starts when the other tab closes. A replay has money of
  // its own and plays beside a game.
  function startAlone(chosen) {
    start(chosen, '');
    if (!navigator.locks) {
      allow();
      return;
    }
    const hold = (lock) => lock && new Promise(() => allow());
    navigator.locks.request('blackjack-game', {ifAvailable: true}, hold).then((held) => {
      if (held !== null) return;
      say('BlackJack is open in another tab or window.');
      window.bjRefused = true;
      navigator.locks.request('blackjack-game', (lock) => {
        say('');
        return new Promise(() => allow());
      });
    });
  }

  const chosen = options();
  if (chosen.replay === null) {
    startAlone(chosen);
  } else if (!window.DecompressionStream) {
    say('This browser cannot open a recorded game.');
  } else {
    inflateRecording(chosen.replay).then((recording) => {
      start(chosen, recording);
      allow();
    }, (error) => say('This link holds no recorded game: ' + error.message + '.'));
  }
})();
