// What every browser test needs: the page served on localhost, Debian's
// chromium driven through playwright-core (never a browser download), and
// the exit codes ctest reads (0 pass, 1 fail, 77 skipped with the reason;
// in CI a missing tool is a failure, not a skip).
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const CHROMIUM = process.env.MIRABO_CHROMIUM || '/usr/bin/chromium';
const IN_CI = process.env.CI === 'true';

function fail(reason) {
  console.log(`FAIL: ${reason}`);
  process.exit(1);
}

function skip(reason) {
  if (IN_CI) fail(`${reason} (in CI this is a failure, not a skip)`);
  console.log(`SKIP: ${reason}`);
  process.exit(77);
}

function loadPlaywright() {
  try {
    return require('playwright-core');
  } catch (error) {
    skip(`playwright-core is not installed: run npm ci in ${__dirname}`);
  }
  return null;
}

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.ttf': 'font/ttf', '.txt': 'text/plain; charset=utf-8',
};

// Serves the page's directory on 127.0.0.1 at a free port; `replaced`
// maps a file name to another file served in its place (a test voice).
function serve(directory, replaced = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname).replace(/^\/+/, '') || 'index.html';
    const file = replaced[name] || path.join(directory, path.normalize(name));
    if (!file.startsWith(directory) && !replaced[name]) {
      response.writeHead(403).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                                'Cache-Control': 'no-store' });
      response.end(data);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({ server, url: `http://127.0.0.1:${server.address().port}/` }));
  });
}

// A fresh browser with an empty profile, allowed to play sound without a
// key (the page's own words about sound are checked without this).
async function launch(playwright, { allowSound = true, viewport = { width: 1280, height: 1000 } } = {}) {
  if (!fs.existsSync(CHROMIUM)) skip(`no chromium at ${CHROMIUM} (Debian package chromium)`);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'mirabo-chromium-'));
  const args = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync'];
  if (allowSound) args.push('--autoplay-policy=no-user-gesture-required');
  const context = await playwright.chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM, headless: true, args, viewport, screen: viewport,
  });
  const close = async () => {
    await context.close().catch(() => {});
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { context, close, profile };
}

// Every process of the browser (all of them name its profile) at a
// real-time priority, as the native builds' timed tests run theirs, where
// the system allows it, else at a raised nice level: on a machine busy with
// other tests the page's timers are otherwise held up by tens of
// milliseconds (seen: 74 ms within a stretch of speech).  Called once the
// page runs: the browser's start-up at that priority would take the
// processors from every other test.
function raisePriority(browser, level = 20) {
  let pids = [];
  try {
    pids = execFileSync('pgrep', ['-f', '--', `--user-data-dir=${browser.profile}`], { encoding: 'utf8' })
      .split('\n').filter(Boolean);
  } catch (error) {
    console.log(`the browser's processes were not found (${error.message}): normal priority`);
    return;
  }
  // A process may end between pgrep and here: raised means raised all
  // that are left.
  const raise = (command, args) => pids.filter((pid) => {
    try {
      execFileSync(command, [...args, pid], { stdio: 'ignore' });
      return true;
    } catch (error) {
      return false;
    }
  }).length > 0;
  if (raise('chrt', ['-a', '-f', '-p', String(level)])) {
    console.log(`the browser's ${pids.length} processes run with 'chrt -f ${level}'`);
  } else if (raise('renice', ['-n', '-10', '-p'])) {
    console.log(`the browser's ${pids.length} processes run with 'nice -n -10'`);
  } else {
    console.log("the browser's processes run at normal priority (no right to raise it)");
  }
}

// The page opened at `address`, with what the page logs passed on.
async function openPage(context, address, { recordSound = false } = {}) {
  const page = context.pages()[0] || await context.newPage();
  page.on('console', (message) => console.log(`page: ${message.text()}`));
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  if (recordSound) await page.addInitScript(() => { window.miraboRecordSound = true; });
  await page.goto(address);
  await page.waitForFunction(() => window.mirabo && (window.mirabo.started || window.mirabo.failure),
                             null, { timeout: 30000 });
  const failure = await page.evaluate(() => window.mirabo.failure);
  if (failure) fail(`the page could not start the program: ${failure}`);
  return page;
}

// The lines of the page's live region, as a screen reader gets them.
function screenLines(page) {
  return page.evaluate(() => Array.from(document.querySelectorAll('#texto > div'), (line) => line.textContent));
}

// Waits until a line of the live region satisfies `test`.
async function waitForLine(page, test, what, timeout = 60000) {
  const started = Date.now();
  for (;;) {
    const lines = await screenLines(page);
    if (lines.some(test)) return lines;
    if (Date.now() - started > timeout) fail(`${what} never showed; the screen read: ${JSON.stringify(lines)}`);
    const code = await page.evaluate(() => window.mirabo.exitCode);
    if (code !== null) fail(`the program ended (exit code ${code}) before ${what} showed`);
    await page.waitForTimeout(50);
  }
}

async function waitForExit(page, timeout) {
  await page.waitForFunction(() => window.mirabo.exitCode !== null, null, { timeout })
    .catch(() => fail(`the program had not ended after ${timeout / 1000} s`));
  return page.evaluate(() => window.mirabo.exitCode);
}

// Runs a test body; any exception is a failure with its reason.
function run(body) {
  body().then(() => process.exit(0), (error) => fail(error && error.stack ? error.stack : String(error)));
}

module.exports = { fail, skip, loadPlaywright, serve, launch, raisePriority, openPage, screenLines,
                   waitForLine, waitForExit, run };
