// The page around the program: what the browser stand-in (platform/web)
// asks of the browser.  The program's own calls reach this through the
// glue in web_browser_js.cpp as Module.page.<name>(...); nothing here
// knows the game.
//
// Input events are queued here and taken by the program when it pumps its
// messages, never pushed into it: the program runs only inside its own
// waits, so a key typed while it speaks waits in this queue, in order.
'use strict';

(function () {
  const canvas = document.getElementById('tela');
  const soundNotice = document.getElementById('som');
  const endNotice = document.getElementById('fim');
  const screenText = document.getElementById('texto');
  const dialog = document.getElementById('caixa');
  const FONT_FAMILY = 'Mirabo Mono';

  // What the tests and scripts/bench read back; nothing here is needed to play.
  const observed = {
    exitCode: null,
    firstTextAt: null,       // performance.now() when text first reached the canvas
    started: false,
    samplesPlayed: 0,        // handed to the audio output (not merely mixed)
    readyAt: {},             // performance.now() when each thing the start waits for was there
    failure: null,
    recording: window.miraboRecordSound === true ? { rate: 0, chunks: [] } : null,
  };
  window.mirabo = observed;

  // --- Settings: the MIRABO.INI keys in the page address ----------------------
  // ?CORFUNDO=1&CORLETRA=14 becomes the lines CORFUNDO=1 and CORLETRA=14 of
  // every section; the program's profile reader applies its usual rules
  // (case, blanks, quotes, lengths) to them.  A line break would start a
  // new key of the teacher's choosing, so a value ends at one.
  function settingsText() {
    let text = '';
    for (const [name, value] of new URLSearchParams(location.search)) {
      const key = name.trim();
      if (key === '' || /[\r\n=\[\]]/.test(key)) continue;
      text += key + '=' + value.split(/[\r\n]/)[0] + '\n';
    }
    return text;
  }

  // --- Input ---------------------------------------------------------------------
  const events = [];
  let wake = null;

  function push(event) {
    event.time = performance.now();
    events.push(event);
    if (wake) {
      const resolve = wake;
      wake = null;
      resolve();
    }
  }

  function keyEvent(kind, e) {
    return {
      kind, code: e.code, key: e.key, repeat: e.repeat,
      shift: e.shiftKey, ctrl: e.ctrlKey, alt: e.altKey, numLock: e.getModifierState('NumLock'),
    };
  }

  // Tab leaves the game for the page's buttons and the text below, so that
  // the game never traps the keyboard; the game has no use for it.
  function leavesTheGame(e) {
    return e.key === 'Tab' && !e.ctrlKey && !e.altKey && !e.metaKey;
  }

  canvas.addEventListener('keydown', (e) => {
    allowSound();
    if (leavesTheGame(e)) return;
    e.preventDefault();
    push(keyEvent('keydown', e));
  });
  canvas.addEventListener('keyup', (e) => {
    if (leavesTheGame(e)) return;
    e.preventDefault();
    push(keyEvent('keyup', e));
  });

  // Client coordinates in the canvas's own pixels, whatever its shown size.
  function point(e) {
    const box = canvas.getBoundingClientRect();
    const x = box.width > 0 ? (e.clientX - box.left) * canvas.width / box.width : 0;
    const y = box.height > 0 ? (e.clientY - box.top) * canvas.height / box.height : 0;
    return { x: Math.floor(x), y: Math.floor(y) };
  }
  function mouseEvent(kind, e) {
    const at = point(e);
    return { kind, button: e.button, x: at.x, y: at.y, shift: e.shiftKey, ctrl: e.ctrlKey };
  }
  // The right button is the magnifier; the browser's menu would hide the
  // window.  Only the canvas's own events count: a release outside it does
  // not reach the window, as on Windows.
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  canvas.addEventListener('mousedown', (e) => {
    allowSound();
    canvas.focus();
    if (e.button === 2) push(mouseEvent('mousedown', e));
  });
  canvas.addEventListener('mouseup', (e) => {
    if (e.button === 2) push(mouseEvent('mouseup', e));
  });
  canvas.addEventListener('mousemove', (e) => push(mouseEvent('mousemove', e)));
  canvas.addEventListener('focus', () => push({ kind: 'focus' }));
  canvas.addEventListener('blur', () => push({ kind: 'blur' }));

  // The buttons stand in for keys the browser or the system keep.
  function pressChord(code, key) {
    const modifiers = { shift: false, ctrl: true, alt: true, numLock: false, repeat: false };
    const down = (c, k, flags) => push(Object.assign({ kind: 'keydown', code: c, key: k }, flags));
    const up = (c, k, flags) => push(Object.assign({ kind: 'keyup', code: c, key: k }, flags));
    down('ControlLeft', 'Control', Object.assign({}, modifiers, { alt: false }));
    down('AltLeft', 'Alt', modifiers);
    down(code, key, modifiers);
    up(code, key, modifiers);
    up('AltLeft', 'Alt', Object.assign({}, modifiers, { alt: false }));
    up('ControlLeft', 'Control', Object.assign({}, modifiers, { ctrl: false, alt: false }));
  }
  function bindButton(id, action) {
    const button = document.getElementById(id);
    if (!button) return;
    button.addEventListener('click', () => {
      allowSound();
      action();
      canvas.focus();
    });
  }
  bindButton('fechar', () => push({ kind: 'close' }));
  bindButton('braille-modo', () => pressChord('F11', 'F11'));
  bindButton('braille-desligar', () => pressChord('F12', 'F12'));

  // The program's sleeps, to a fraction of a millisecond.  A timer comes
  // some 0.3 ms late, and one of less than 4 ms, set from another timer's
  // callback, waits 4 ms whatever it asks (the browser clamps nested
  // timers); each of the game's hundreds of waits would add its lateness to
  // the speech.  So the timer stops short and the last stretch is waited
  // by yielding to the page (a message to itself) until the time is there.
  const yielder = new MessageChannel();
  let yielded = null;
  yielder.port1.onmessage = () => {
    const resolve = yielded;
    yielded = null;
    if (resolve) resolve();
  };
  function yieldOnce() {
    return new Promise((resolve) => {
      yielded = resolve;
      yielder.port2.postMessage(0);
    });
  }
  async function sleep(milliseconds) {
    const end = performance.now() + milliseconds;
    if (milliseconds >= 6) await new Promise((resolve) => setTimeout(resolve, milliseconds - 2));
    do {
      await yieldOnce();
    } while (performance.now() < end);
  }

  // Resolves when an event is queued or after timeout ms (never, when < 0).
  function waitForEvent(timeout) {
    if (events.length > 0 || timeout === 0) return Promise.resolve();
    return new Promise((resolve) => {
      let timer = null;
      wake = () => {
        if (timer !== null) clearTimeout(timer);
        resolve();
      };
      if (timeout > 0) {
        timer = setTimeout(() => {
          wake = null;
          resolve();
        }, timeout);
      }
    });
  }

  // --- The window: a canvas, the title and the text of the screen ------------
  let context2d = null;

  function showCanvas(width, height) {
    canvas.width = width;
    canvas.height = height;
    context2d = canvas.getContext('2d', { alpha: false });
    canvas.hidden = false;
    if (document.activeElement === document.body || document.activeElement === null) {
      canvas.focus();
    }
  }

  // rgba: width x height pixels, 4 bytes each, from the program's memory.
  function present(rgba, x, y, width, height) {
    if (!context2d || width <= 0 || height <= 0) return;
    context2d.putImageData(new ImageData(rgba, width, height), x, y);
  }

  const lines = [];
  function setScreenLine(row, text) {
    while (lines.length <= row) {
      const line = document.createElement('div');
      screenText.appendChild(line);
      lines.push(line);
    }
    if (lines[row].textContent !== text) lines[row].textContent = text;
    if (observed.firstTextAt === null && text.trim() !== '') observed.firstTextAt = performance.now();
  }

  // --- Glyphs: the browser draws them from the font served with the page ----
  // The program picks the size and the horizontal scale (web_fonts.cpp); the
  // page measures the face and draws single characters white on black, so
  // that the red channel is the coverage.
  function fontSpec(weight, size) {
    return (weight >= 600 ? 'bold ' : '') + size + 'px "' + FONT_FAMILY + '"';
  }
  let glyphCanvas = null;
  let glyphContext = null;
  function glyphSurface(width, height) {
    if (!glyphCanvas) {
      glyphCanvas = document.createElement('canvas');
      glyphContext = null;
    }
    if (glyphCanvas.width !== width || glyphCanvas.height !== height || !glyphContext) {
      glyphCanvas.width = width;
      glyphCanvas.height = height;
      glyphContext = glyphCanvas.getContext('2d', { willReadFrequently: true });
    }
    return glyphContext;
  }
  // Ascent, descent and advance of '0' at `size` pixels.
  function measureFont(weight, size) {
    const context = glyphSurface(1, 1);
    context.font = fontSpec(weight, size);
    const metrics = context.measureText('0');
    return { ascent: metrics.fontBoundingBoxAscent, descent: metrics.fontBoundingBoxDescent,
             advance: metrics.width };
  }
  // Coverage of one character in a cell; `out` is width x height bytes.
  function drawGlyph(weight, size, scaleX, width, height, baseline, codePoint, out) {
    const context = glyphSurface(width, height);
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    context.font = fontSpec(weight, size);
    context.fillStyle = '#fff';
    context.textBaseline = 'alphabetic';
    const character = String.fromCodePoint(codePoint);
    const advance = context.measureText(character).width * scaleX;
    context.setTransform(scaleX, 0, 0, 1, (width - advance) / 2, 0);
    context.fillText(character, 0, baseline);
    const pixels = context.getImageData(0, 0, width, height).data;
    for (let i = 0; i < width * height; ++i) out[i] = pixels[4 * i];
  }

  // --- Sound: the mixer's output through an AudioWorklet ---------------------
  // The program mixes on this thread (wasm memory is not shared with the
  // audio thread) and hands over each stretch it has mixed; the worklet
  // plays them one after the other.  A browser lets a page sound only
  // after a key or a click: until then the program's sound is mixed and
  // dropped, on time, so that it plays on from the right place.
  const AUDIO_RATE = 44100;
  const audio = { context: null, node: null, pending: [], open: false, failed: false };

  function setUpAudio() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) {
      audio.failed = true;
      return Promise.resolve();
    }
    try {
      audio.context = new Context({ sampleRate: AUDIO_RATE, latencyHint: 'interactive' });
    } catch (error) {
      audio.failed = true;
      return Promise.resolve();
    }
    audio.context.onstatechange = tellSoundState;
    tellSoundState();
    if (!audio.context.audioWorklet) {
      audio.failed = true;
      return Promise.resolve();
    }
    return audio.context.audioWorklet.addModule('audio_worklet.js').then(() => {
      audio.node = new AudioWorkletNode(audio.context, 'mirabo-mixer-output',
                                        { numberOfInputs: 0, outputChannelCount: [1] });
      audio.node.connect(audio.context.destination);
      for (const chunk of audio.pending) audio.node.port.postMessage(chunk, [chunk.buffer]);
      audio.pending = [];
    }, () => {
      audio.failed = true;
    });
  }

  function allowSound() {
    if (audio.context && audio.context.state !== 'running') {
      audio.context.resume().then(tellSoundState, tellSoundState);
    }
  }

  function tellSoundState() {
    const running = audio.context && audio.context.state === 'running';
    const words = running ? soundNotice.dataset.ligado : soundNotice.dataset.esperando;
    if (words && soundNotice.textContent !== words) soundNotice.textContent = words;
  }

  function openAudio() {
    if (audio.failed || !audio.context) return 0;
    audio.open = true;
    if (observed.recording) observed.recording.rate = audio.context.sampleRate;
    return audio.context.sampleRate;
  }

  // samples: Int16Array (a view into the program's memory) starting at
  // stream frame `frame`.
  function playAudio(samples, frame) {
    if (!audio.open) return;
    if (observed.recording) observed.recording.chunks.push({ frame, samples: Int16Array.from(samples) });
    if (!audio.context || audio.context.state !== 'running') return;
    const chunk = new Float32Array(samples.length);
    for (let i = 0; i < samples.length; ++i) chunk[i] = samples[i] / 32768;
    observed.samplesPlayed += samples.length;
    if (audio.node) {
      audio.node.port.postMessage(chunk, [chunk.buffer]);
    } else {
      audio.pending.push(chunk);
    }
  }

  function closeAudio() {
    audio.open = false;
    if (audio.node) audio.node.port.postMessage('stop');
  }

  // The recording as one stream: what the mixer gave, at the frames it gave
  // it for, silence between.
  observed.recordedSound = function () {
    const recording = observed.recording;
    if (!recording || recording.chunks.length === 0) return { rate: recording ? recording.rate : 0, samples: [] };
    const first = recording.chunks[0].frame;
    const last = recording.chunks[recording.chunks.length - 1];
    const stream = new Int16Array(last.frame + last.samples.length - first);
    for (const chunk of recording.chunks) stream.set(chunk.samples, chunk.frame - first);
    return { rate: recording.rate, firstFrame: first, samples: Array.from(stream) };
  };

  // --- The message box and the end ------------------------------------------------
  function messageBox(caption, text) {
    return new Promise((resolve) => {
      if (!dialog || typeof dialog.showModal !== 'function') {
        window.alert(caption + '\n\n' + text);
        resolve();
        return;
      }
      document.getElementById('caixa-titulo').textContent = caption;
      document.getElementById('caixa-texto').textContent = text;
      dialog.addEventListener('close', () => {
        canvas.focus();
        resolve();
      }, { once: true });
      dialog.showModal();
      dialog.querySelector('button').focus();
    });
  }

  function programEnded(code) {
    observed.exitCode = code;
    const words = endNotice.dataset.fim;
    if (words) endNotice.textContent = words.replace('%d', String(code));
    closeAudio();
  }

  // The program's end (ExitProcess) unwinds it as an ExitStatus exception,
  // which reaches the page through the promise of the wait it woke from.
  window.addEventListener('unhandledrejection', (event) => {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });

  function programFailed(reason) {
    observed.failure = String(reason);
    endNotice.textContent = (endNotice.dataset.falha || '') + ' ' + String(reason);
  }

  // --- Start: the font and the voice first -------------------------------------------
  function loadFonts() {
    return Promise.all([document.fonts.load(fontSpec(400, 16)),
                        document.fonts.load(fontSpec(700, 16))]).then(() => {
      if (!document.fonts.check(fontSpec(400, 16))) throw new Error('font not loaded');
    });
  }

  // fones.DAT beside the page; without it the game is mute, as without the file.
  function loadVoice() {
    return fetch('fones.DAT').then((response) => {
      if (!response.ok) return null;
      return response.arrayBuffer();
    }).catch(() => null);
  }

  const noted = (name, promise) => promise.then((value) => {
    observed.readyAt[name] = performance.now();
    return value;
  });
  const loading = Promise.all([noted('fonts', loadFonts()), noted('voice', loadVoice()),
                               noted('audio', setUpAudio())]);

  window.Module = {
    page: {
      settingsText, sleep, waitForEvent, nextEvent: () => events.shift(), showCanvas, present,
      setTitle: (text) => { document.title = text; }, setScreenLine, measureFont, drawGlyph,
      openAudio, playAudio, closeAudio, messageBox, programEnded,
      screenSize: () => ({ width: window.screen.width, height: window.screen.height }),
      programAddress: () => new URL('mirabo.wasm', location.href).href,
    },
    noInitialRun: false,
    // The program starts once the font, the voice and the sound output are
    // there; they load while the browser compiles the program.
    preRun: [function () {
      Module.addRunDependency('mirabo-start');
      loading.then(([, voice]) => {
        if (voice) Module.FS.writeFile('/fones.DAT', new Uint8Array(voice));
        observed.started = true;
        observed.readyAt.program = performance.now();
        Module.removeRunDependency('mirabo-start');
      }, (error) => programFailed(error));
    }],
    onExit: programEnded,
    onAbort: programFailed,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  };
})();
