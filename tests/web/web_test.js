// The game in a browser: Debian's chromium opens the page served on
// localhost and plays.
//
//   node web_test.js start-screen  PAGE_DIR
//       ?CORFUNDO=1&CORLETRA=14: the canvas shows "Tecle enter" in yellow
//       on blue (from the screenshot's pixels), 80 x 25 cells of 9 x 22;
//       the live region reads it; without the browser's leave to play, the
//       page says that sound waits for a key, and after a key says it is
//       on and the start message is heard.
//   node web_test.js typed-game    PAGE_DIR
//       Enter 0 8 2 2 (each digit with Enter) typed ahead on the start
//       screen: the game wins and ends, the title says "Programa terminado"
//       and the exit code is 0.  The game is played with a voice of test
//       tones, and the sound recorded from the page's mixer holds every
//       segment of the game's timeline (game_timeline 0 8 2 2) in order,
//       each within 50 ms of its place.
//   node web_test.js braille-game  PAGE_DIR
//       ?MODO=2: a winning game typed in six-key chords only, each prompt
//       read from the live region before its chords.
//
// Environment: MIRABO_GAME_TIMELINE (the program), MIRABO_SEGMENT_TABLE
// (synt/segment_table.h), MIRABO_SCREENSHOT_DIR (kept screenshots).
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const lib = require('./lib');
const sound = require('./sound');

const [scenario, pageArgument] = process.argv.slice(2);
if (!scenario || !pageArgument) lib.fail('usage: node web_test.js SCENARIO PAGE_DIR');
const pageDir = path.resolve(pageArgument);
if (!fs.existsSync(path.join(pageDir, 'mirabo.wasm'))) {
  lib.skip(`no page built in ${pageDir}: build the web preset (cmake --preset web && cmake --build --preset web)`);
}
const shots = process.env.MIRABO_SCREENSHOT_DIR || os.tmpdir();

// The palette's yellow (14) and blue (1).
const YELLOW = [255, 255, 0];
const BLUE = [0, 0, 255];
const PROMPT = 'Digite um número de 0 a 9 e tecle enter';

async function canvasShot(page, name) {
  const file = path.join(shots, `web-${name}.png`);
  await page.locator('#tela').screenshot({ path: file });
  // The canvas's own pixels, as drawn.
  const pixels = await page.evaluate(() => {
    const canvas = document.getElementById('tela');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, data: Array.from(data) };
  });
  return { file, ...pixels };
}

function countColour(shot, [r, g, b], area = { x: 0, y: 0, width: shot.width, height: shot.height }) {
  let count = 0;
  for (let y = area.y; y < area.y + area.height; ++y) {
    for (let x = area.x; x < area.x + area.width; ++x) {
      const i = 4 * (y * shot.width + x);
      if (shot.data[i] === r && shot.data[i + 1] === g && shot.data[i + 2] === b) ++count;
    }
  }
  return count;
}

async function startScreen(playwright) {
  const { url, server } = await lib.serve(pageDir);
  // Without the leave to play sound: as a browser opens the page for a player.
  const browser = await lib.launch(playwright, { allowSound: false });
  try {
    const page = await lib.openPage(browser.context, `${url}?CORFUNDO=1&CORLETRA=14`, { recordSound: true });
    await lib.waitForLine(page, (line) => line === 'Tecle enter', '"Tecle enter"', 30000);
    const shot = await canvasShot(page, 'start-screen');
    console.log(`canvas ${shot.width} x ${shot.height}; screenshot ${shot.file}`);
    if (shot.width !== 80 * 9 || shot.height !== 25 * 22) {
      lib.fail(`the canvas is ${shot.width} x ${shot.height}, not 80 x 25 cells of 9 x 22`);
    }
    // The first row: 11 cells of letters, yellow on blue; the rest blue.
    const row = { x: 0, y: 0, width: 11 * 9, height: 22 };
    const yellow = countColour(shot, YELLOW, row);
    const blue = countColour(shot, BLUE, row);
    const total = shot.width * shot.height;
    const blueEverywhere = countColour(shot, BLUE);
    const yellowBelow = countColour(shot, YELLOW, { x: 0, y: 22, width: shot.width, height: shot.height - 22 });
    const yellowRight = countColour(shot, YELLOW, { x: 11 * 9, y: 0, width: shot.width - 11 * 9, height: 22 });
    console.log(`first 11 cells: ${yellow} yellow and ${blue} blue of ${row.width * row.height} pixels; ` +
                `blue in all: ${blueEverywhere} of ${total}; yellow elsewhere: ${yellowBelow + yellowRight}`);
    if (yellow < 150) lib.fail(`only ${yellow} pure yellow pixels in "Tecle enter"`);
    if (blue < row.width * row.height / 2) lib.fail('the start line is not on blue');
    if (blueEverywhere < total * 0.95) lib.fail('the screen is not blue');
    // Only the caret (2 pixels high, one cell wide, inverted: yellow on
    // blue) may be yellow outside the text.
    if (yellowBelow + yellowRight > 2 * 9) lib.fail('yellow outside the start line');
    // Each letter: the text of "Tecle enter" has 10 letters and one blank.
    for (let cell = 0; cell < 11; ++cell) {
      const ink = countColour(shot, YELLOW, { x: cell * 9, y: 0, width: 9, height: 22 });
      if ((cell === 5) !== (ink === 0)) lib.fail(`cell ${cell} of "Tecle enter" has ${ink} yellow pixels`);
    }

    // The page's words about sound, and what a key changes.
    const before = await page.evaluate(() => document.getElementById('som').textContent);
    const heardBefore = await page.evaluate(() => window.mirabo.recording.chunks.length);
    const playedBefore = await page.evaluate(() => window.mirabo.samplesPlayed);
    console.log(`before a key the page says: "${before}"`);
    if (!/depois de uma tecla ou de um clique/.test(before)) lib.fail('the page does not say that sound waits for a key or a click');
    await page.keyboard.press('Space');
    await page.waitForFunction(() => /Som ligado/.test(document.getElementById('som').textContent), null, { timeout: 5000 })
      .catch(() => lib.fail('after a key the page does not say that sound is on'));
    // Space repeats the start message, now heard: its mixed samples reach
    // the audio output (the recording holds what the mixer gave it).
    await page.waitForTimeout(1500);
    const heard = await page.evaluate(() => {
      const chunks = window.mirabo.recording.chunks;
      let loud = 0;
      for (const chunk of chunks) for (const sample of chunk.samples) if (Math.abs(sample) > 1000) ++loud;
      return { chunks: chunks.length, loud, played: window.mirabo.samplesPlayed };
    });
    console.log(`before the key: ${heardBefore} buffers of sound mixed, ${playedBefore} samples played; ` +
                `after: ${heard.chunks} buffers mixed (${heard.loud} loud samples), ${heard.played} samples played`);
    // Mixed on time all along, but handed to the audio output only once
    // the browser allows it: the repeated start message is played.
    if (heardBefore === 0) lib.fail('the start message was not mixed before the key');
    if (playedBefore !== 0) lib.fail('sound was handed to the output before the browser allowed it');
    if (heard.played < 44100 / 2) lib.fail('the start message is not played after the key');
    const lines = await lib.screenLines(page);
    if (lines[0] !== 'Tecle enter') lib.fail(`the live region reads ${JSON.stringify(lines[0])}`);
    console.log('PASS: start screen');
  } finally {
    await browser.close();
    server.close();
  }
}

async function typedGame(playwright) {
  const timelineProgram = process.env.MIRABO_GAME_TIMELINE;
  const table = process.env.MIRABO_SEGMENT_TABLE;
  if (!timelineProgram || !fs.existsSync(timelineProgram)) lib.skip('no game_timeline program (MIRABO_GAME_TIMELINE)');
  if (!table || !fs.existsSync(table)) lib.skip('no segment table (MIRABO_SEGMENT_TABLE)');
  const timelineText = execFileSync(timelineProgram, ['0', '8', '2', '2'], { encoding: 'utf8' });
  const events = sound.parseTimeline(timelineText);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'mirabo-web-'));
  const voice = path.join(work, 'fones.DAT');
  sound.writeToneVoice(table, voice);
  const { url, server } = await lib.serve(pageDir, { 'fones.DAT': voice });
  const browser = await lib.launch(playwright);
  try {
    const page = await lib.openPage(browser.context, url, { recordSound: true });
    await page.waitForFunction(() => !document.getElementById('tela').hidden && document.activeElement.id === 'tela',
                               null, { timeout: 30000 });
    lib.raisePriority(browser);
    // Typed ahead, while the start message is being spoken.
    for (const key of ['Enter', '0', 'Enter', '8', 'Enter', '2', 'Enter', '2', 'Enter']) {
      await page.keyboard.press(key);
    }
    const planned = events.find((event) => event.kind === 'exit').values[1];
    const code = await lib.waitForExit(page, planned + 60000);
    const title = await page.title();
    console.log(`exit code ${code}, title "${title}"`);
    await canvasShot(page, 'typed-game-end');
    if (code !== 0) lib.fail(`the game ended with exit code ${code}`);
    if (title !== 'Programa terminado') lib.fail(`the title is "${title}"`);

    const recorded = await page.evaluate(() => window.mirabo.recordedSound());
    fs.writeFileSync(path.join(shots, 'web-typed-game.raw'), Buffer.from(Int16Array.from(recorded.samples).buffer));
    console.log(`recorded ${recorded.samples.length} frames at ${recorded.rate} Hz ` +
                `(${(recorded.samples.length / recorded.rate).toFixed(1)} s); the game's timeline lasts ${planned} ms`);
    const result = sound.measureSegments(recorded.samples, recorded.rate, events);
    if (result.error) lib.fail(result.error);
    let worst = 0;
    let missing = 0;
    let previous = -Infinity;
    let disordered = 0;
    for (const r of result.found) {
      if (r.onset === null) {
        ++missing;
        console.log(`  segment ${r.segment} at ${r.at} ms: not found`);
        continue;
      }
      if (r.onset <= previous) ++disordered;
      previous = r.onset;
      worst = Math.max(worst, Math.abs(r.error));
    }
    const found = result.found.filter((r) => r.onset !== null);
    const last = found[found.length - 1];
    const firstPlanned = result.found[0].at;
    console.log(`segments: ${result.plays.length} in the timeline, ${found.length} found, ${disordered} out of order`);
    console.log(`largest error within a stretch of speech: ${worst.toFixed(1)} ms`);
    // Reported, not judged: across the pauses the waits' small excess over
    // their lengths adds up, as it does on every build.
    const fromStart = result.found.filter((r) => r.onset !== null)
      .map((r) => r.sinceFirst - (r.at - result.found[0].at));
    if (fromStart.length > 0) {
      console.log(`largest error against the whole timeline from the first segment: ` +
                  `${Math.max(...fromStart.map(Math.abs)).toFixed(1)} ms`);
    }
    if (last) {
      const span = last.sinceFirst - (result.found[0].onset !== null ? 0 : NaN);
      console.log(`from the first segment to the last: ${span.toFixed(1)} ms heard, ${last.at - firstPlanned} ms ` +
                  `in the timeline (${(100 * (span - (last.at - firstPlanned)) / (last.at - firstPlanned)).toFixed(2)}%)`);
    }
    for (const r of result.found.filter((x) => x.onset !== null && Math.abs(x.error) > 50).slice(0, 10)) {
      console.log(`  segment ${r.segment} at ${r.at} ms: ${r.error.toFixed(1)} ms from its place`);
    }
    if (missing > 0) lib.fail(`${missing} of ${result.plays.length} segments not found in the recorded sound`);
    if (disordered > 0) lib.fail(`${disordered} segments out of order`);
    if (worst > 50) lib.fail(`a segment is ${worst.toFixed(1)} ms from its place in the game's timeline`);
    console.log('PASS: typed-ahead game');
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
}

// Braille cells by their keys: F D S are dots 1 2 3, J K L dots 4 5 6.
const CHORDS = {
  enter: ['Space', 'KeyF', 'KeyS', 'KeyJ'],  // the space bar with m (dots 1 3 4)
  number: ['KeyS', 'KeyJ', 'KeyK', 'KeyL'],  // the number sign (dots 3 4 5 6)
  0: ['KeyD', 'KeyJ', 'KeyK'],               // j
  2: ['KeyF', 'KeyD'],                       // b
  8: ['KeyF', 'KeyD', 'KeyK'],               // h
};
const KEYS = { Space: ' ', KeyF: 'f', KeyD: 'd', KeyS: 's', KeyJ: 'j', KeyK: 'k', KeyL: 'l' };

// All keys of the cell down, then all up in another order, as fingers do.
async function chord(page, codes) {
  for (const code of codes) await page.keyboard.down(KEYS[code]);
  for (const code of [...codes].reverse()) await page.keyboard.up(KEYS[code]);
  await page.waitForTimeout(50);
}

async function brailleGame(playwright) {
  const { url, server } = await lib.serve(pageDir);
  const browser = await lib.launch(playwright);
  try {
    const page = await lib.openPage(browser.context, `${url}?MODO=2&CORFUNDO=1&CORLETRA=14`);
    await lib.waitForLine(page, (line) => line === 'Tecle enter', '"Tecle enter"', 30000);
    await chord(page, CHORDS.enter);
    let turn = 0;
    for (const digit of [0, 8, 2, 2]) {
      ++turn;
      // A fresh prompt with nothing typed under it.
      await lib.waitForLine(page, (line) => line === PROMPT, `prompt ${turn}`, 90000);
      await chord(page, CHORDS.number);
      await chord(page, CHORDS[digit]);
      const lines = await lib.waitForLine(page, (line) => line === String(digit), `the digit ${digit} typed in chords`, 30000);
      console.log(`turn ${turn}: the screen reads ${JSON.stringify(lines.slice(0, 2))}`);
      await canvasShot(page, `braille-typed-${turn}`);
      await chord(page, CHORDS.enter);
    }
    const code = await lib.waitForExit(page, 120000);
    console.log(`exit code ${code}, title "${await page.title()}"`);
    if (code !== 0) lib.fail(`the chord game ended with exit code ${code}`);
    if (await page.title() !== 'Programa terminado') lib.fail('the title does not say "Programa terminado"');
    console.log('PASS: braille game');
  } finally {
    await browser.close();
    server.close();
  }
}

const scenarios = { 'start-screen': startScreen, 'typed-game': typedGame, 'braille-game': brailleGame };
if (!scenarios[scenario]) lib.fail(`unknown scenario ${scenario}`);
const playwright = lib.loadPlaywright();
lib.run(() => scenarios[scenario](playwright));
