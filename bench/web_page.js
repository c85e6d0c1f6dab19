// The page of the web build: its size, and how long it takes from opening
// it to the first text on its canvas.  Each of RUNS opens is a fresh
// chromium with an empty profile (nothing cached: a first visit), the page
// served on localhost; the time is the page's own performance.now() (from
// the start of the navigation) when the program first drew text, as its
// live region received it in the same present.  Not a test: it reports.
//
//   node bench/web_page.js [PAGE_DIR] [RUNS]     (default build/web/page, 7)
'use strict';

const fs = require('fs');
const path = require('path');
const lib = require('../tests/web/lib');

const root = path.resolve(__dirname, '..');
const pageDir = path.resolve(process.argv[2] || path.join(root, 'build/web/page'));
const runs = Number(process.argv[3] || 7);

function size(files) {
  return files.reduce((sum, file) => sum + (fs.existsSync(path.join(pageDir, file)) ? fs.statSync(path.join(pageDir, file)).size : 0), 0);
}
function kib(bytes) {
  return `${bytes} bytes (${(bytes / 1024).toFixed(1)} KiB)`;
}

lib.run(async () => {
  if (!fs.existsSync(path.join(pageDir, 'mirabo.wasm'))) lib.fail(`no page in ${pageDir}`);
  const all = fs.readdirSync(pageDir);
  const scripts = all.filter((file) => file.endsWith('.js'));
  const data = all.filter((file) => !file.endsWith('.js') && file !== 'mirabo.wasm');
  const wasm = size(['mirabo.wasm']);
  const script = size(scripts);
  const rest = size(data);
  console.log(`page size: wasm ${kib(wasm)}; script ${kib(script)} (${scripts.join(', ')}); ` +
              `data ${kib(rest)} (${data.join(', ')}); in all ${kib(wasm + script + rest)}`);

  const playwright = lib.loadPlaywright();
  const { url, server } = await lib.serve(pageDir);
  const times = [];
  try {
    for (let run = 1; run <= runs; ++run) {
      const browser = await lib.launch(playwright);
      try {
        const page = await lib.openPage(browser.context, url);
        await page.waitForFunction(() => window.mirabo.firstTextAt !== null, null, { timeout: 30000 });
        const at = await page.evaluate(() => window.mirabo.firstTextAt);
        console.log(`run ${run}: first text ${at.toFixed(1)} ms after the navigation started`);
        times.push(at);
      } finally {
        await browser.close();
      }
    }
  } finally {
    server.close();
  }
  times.sort((a, b) => a - b);
  const median = times[Math.floor(times.length / 2)];
  console.log(`first text after: median ${median.toFixed(0)} ms, min ${times[0].toFixed(0)} ms, ` +
              `max ${times[times.length - 1].toFixed(0)} ms, ${times.length} opens`);
});
