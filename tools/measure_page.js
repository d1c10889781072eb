// Figures of the page (build-web/site) in Debian's headless Chromium, for one
// to three builds of it measured in the same run, interleaved round by round
// so that the machine's load hits all alike:
//   - the board's first frame (Module.mv.firstFrameMs: the first frame
//     presented on the canvas, counted from navigation start), cold (a new
//     profile: nothing cached, no service worker) and warm (the same profile
//     loaded again, from the service worker's cache);
//   - the bytes that crossed the network before that first frame (resource
//     timing's transfer sizes, the page itself included);
//   - a whole road's replay (tests/web/data: three hours of play) by a new
//     profile that finds the journal in its storage;
//   - the CPU all of the profile's processes spend while the board idles;
//   - each file's size, raw and gzip -9.
// Each timing is taken with no limits and with a phone's: the CPU slowed 4x
// and a 4G-like network (9 Mbit/s down and up, 60 ms latency), by the
// DevTools protocol. The server sends gzip to a browser that accepts it, as
// static servers are usually set up to, and "no-cache" so that nothing is
// kept between profiles.
//
// Usage: node measure_page.js SITE_DIR...   (tools/measure_page.sh; at most three)
//   LABELS=a,b,c    the columns' names (default: before, after)
//   RUNS=N          rounds (default 5); the medians of the rounds are shown
//   IDLE_SECONDS=N  the idle stretch (default 10)
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const { chromium } = require('playwright-core');
const { cpuSeconds, processesWith } = require('./cpu_time.js');

const sites = process.argv.slice(2).map((p) => path.resolve(p));
if (sites.length < 1 || sites.length > 3) {
  console.error('usage: node measure_page.js SITE_DIR [SITE_DIR [SITE_DIR]]');
  process.exit(2);
}
const runs = Number(process.env.RUNS || 5);
const idleSeconds = Number(process.env.IDLE_SECONDS || 10);
const roadJournal = fs.readFileSync(
  path.join(__dirname, '..', 'tests', 'web', 'data', 'road-1.0.0.journal'), 'utf8');
const chromiumArgs = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];
const profiles = [
  { name: 'no limits', cpu: 1, network: null },
  { name: '4x CPU, 4G', cpu: 4,
    network: { offline: false, latency: 60, downloadThroughput: 9e6 / 8,
      uploadThroughput: 9e6 / 8 } }
];

// --- One static server per site, on ports of their own.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript',
  '.wasm': 'application/wasm', '.png': 'image/png', '.jpg': 'image/jpeg', '.ttf': 'font/ttf',
  '.webmanifest': 'application/manifest+json', '.txt': 'text/plain; charset=utf-8' };
const incompressible = new Set(['.png', '.jpg']);
function serve(root, port) {
  const gzipped = new Map();
  const server = http.createServer((req, res) => {
    let file = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    if (file.endsWith('/')) file += 'index.html';
    const full = path.join(root, path.normalize(file));
    if (!full.startsWith(root) || !fs.existsSync(full)) {
      res.writeHead(404);
      res.end();
      return;
    }
    const ext = path.extname(full);
    const headers = { 'Content-Type': types[ext] || 'application/octet-stream',
      'Cache-Control': 'no-cache' };
    let body = fs.readFileSync(full);
    if (!incompressible.has(ext) && /\bgzip\b/.test(req.headers['accept-encoding'] || '')) {
      if (!gzipped.has(full)) gzipped.set(full, zlib.gzipSync(body, { level: 9 }));
      body = gzipped.get(full);
      headers['Content-Encoding'] = 'gzip';
    }
    headers['Content-Length'] = body.length;
    res.writeHead(200, headers);
    res.end(body);
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const firstFrame = () => window.Module && Module.mv && Module.mv.firstFrameMs >= 0;

// A new profile in a folder of its own, with the profile's limits on its page.
async function launch(profile) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mirvolant-measure-'));
  const context = await chromium.launchPersistentContext(dir, {
    executablePath: '/usr/bin/chromium', headless: true, args: chromiumArgs,
    viewport: { width: 1024, height: 768 }, deviceScaleFactor: 1
  });
  const page = context.pages()[0] || await context.newPage();
  const cdp = await context.newCDPSession(page);
  if (profile.network) {
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', profile.network);
  }
  if (profile.cpu !== 1) await cdp.send('Emulation.setCPUThrottlingRate', { rate: profile.cpu });
  return { context, page, dir };
}
async function close(session) {
  await session.context.close();
  fs.rmSync(session.dir, { recursive: true, force: true });
}

// The first frame and the bytes transferred before it (what the board's
// first frame waited for).
async function loaded(page) {
  await page.waitForFunction(firstFrame, null, { timeout: 60000 });
  return page.evaluate(() => {
    const at = Module.mv.firstFrameMs;
    let bytes = 0;
    for (const e of performance.getEntriesByType('navigation')
      .concat(performance.getEntriesByType('resource'))) {
      if (e.responseEnd <= at) bytes += e.transferSize;
    }
    return { ms: at, bytes };
  });
}

// Cold, then warm once the service worker has cached the page.
async function firstFrames(url, profile) {
  const s = await launch(profile);
  try {
    await s.page.goto(url);
    const cold = await loaded(s.page);
    await s.page.evaluate(() => navigator.serviceWorker.ready);
    // The worker controls the next load; the load in between may still be
    // filling its cache.
    await s.page.waitForFunction(() => caches.keys().then((k) => k.length > 0), null,
      { timeout: 60000 });
    await s.page.reload();
    const warm = await loaded(s.page);
    return { cold, warm };
  } finally {
    await close(s);
  }
}

async function replay(url, profile) {
  const s = await launch(profile);
  try {
    await s.page.addInitScript((text) => {
      if (!sessionStorage.getItem('seeded')) {
        localStorage.setItem('mirvolant.journal', text);
        sessionStorage.setItem('seeded', '1');
      }
    }, roadJournal);
    await s.page.goto(url);
    await s.page.waitForFunction(() => window.Module && Module.mv && Module.mv.replay, null,
      { timeout: 60000 });
    return await s.page.evaluate(() => Module.mv.replay.ms);
  } finally {
    await close(s);
  }
}

async function idle(url) {
  const s = await launch(profiles[0]);
  try {
    await s.page.goto(url);
    await loaded(s.page);
    await sleep(2000);
    const pids = processesWith(s.dir);
    const before = cpuSeconds(pids);
    await sleep(idleSeconds * 1000);
    return (cpuSeconds(pids) - before) / idleSeconds * 100;
  } finally {
    await close(s);
  }
}

// --- The files: raw and gzip -9.
function sizes(site) {
  const result = {};
  for (const name of fs.readdirSync(site).sort()) {
    const full = path.join(site, name);
    if (!fs.statSync(full).isFile()) continue;
    const data = fs.readFileSync(full);
    result[name] = { raw: data.length, gzip: zlib.gzipSync(data, { level: 9 }).length };
  }
  return result;
}

const median = (xs) => {
  const s = xs.slice().sort((a, b) => a - b);
  const n = s.length;
  return n % 2 ? s[(n - 1) / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
};
const pad = (text, n) => String(text).padEnd(n);
const lpad = (text, n) => String(text).padStart(n);
const thousands = (n) => Math.round(n).toString().replace(/\B(?=(\d{3})+(?!\d))/g, ',');

(async () => {
  const labels = process.env.LABELS ? process.env.LABELS.split(',')
    : [['site'], ['before', 'after'], ['before', 'between', 'after']][sites.length - 1];
  const servers = [];
  const urls = [];
  for (let i = 0; i < sites.length; ++i) {
    const port = 8900 + (process.pid % 50) * 2 + i;
    servers.push(await serve(sites[i], port));
    urls.push(`http://127.0.0.1:${port}/`);
  }
  console.log(`load average at start: ${fs.readFileSync('/proc/loadavg', 'utf8').trim()}`);
  sites.forEach((s, i) => console.log(`${labels[i]}: ${s}`));

  // figures[site][metric] = [one value a round]
  const figures = sites.map(() => ({}));
  const add = (i, metric, value) => (figures[i][metric] = figures[i][metric] || []).push(value);
  for (let round = 0; round < runs; ++round) {
    for (const profile of profiles) {
      // Each round begins with another site.
      for (let k = 0; k < sites.length; ++k) {
        const i = (k + round) % sites.length;
        const f = await firstFrames(urls[i], profile);
        add(i, `first frame, cold, ${profile.name} (ms)`, f.cold.ms);
        add(i, `first frame, warm, ${profile.name} (ms)`, f.warm.ms);
        add(i, `bytes before the first frame, cold, ${profile.name}`, f.cold.bytes);
        add(i, `road replay, cold, ${profile.name} (ms)`, await replay(urls[i], profile));
      }
    }
    process.stderr.write(`round ${round + 1} of ${runs} done\n`);
  }
  for (let k = 0; k < sites.length; ++k) {
    add(k, `idle CPU over ${idleSeconds} s, no limits (% of a core)`, await idle(urls[k]));
  }
  console.log(`load average at end: ${fs.readFileSync('/proc/loadavg', 'utf8').trim()}`);

  // --- The tables.
  const width = 52;
  const col = 26;
  console.log(`\nTimings (median of ${runs}; min-max), figures in the order measured:`);
  console.log(pad('', width) + labels.map((l) => lpad(l, col)).join(''));
  for (const metric of Object.keys(figures[0])) {
    const cells = figures.map((f) => {
      const xs = f[metric] || [];
      if (!xs.length) return lpad('-', col);
      const fmt = metric.startsWith('bytes') ? thousands : (x) => x.toFixed(1);
      const range = xs.length > 1 ? ` (${fmt(Math.min(...xs))}-${fmt(Math.max(...xs))})` : '';
      return lpad(fmt(median(xs)) + range, col);
    });
    console.log(pad(metric, width) + cells.join(''));
  }

  const all = sites.map(sizes);
  const names = [...new Set(all.flatMap((s) => Object.keys(s)))].sort();
  console.log('\nFiles, bytes raw / gzip -9:');
  console.log(pad('', 30) + labels.map((l) => lpad(l, 24)).join(''));
  const totals = sites.map(() => ({ raw: 0, gzip: 0 }));
  for (const name of names) {
    console.log(pad(name, 30) + all.map((s, i) => {
      if (!s[name]) return lpad('-', 24);
      totals[i].raw += s[name].raw;
      totals[i].gzip += s[name].gzip;
      return lpad(`${thousands(s[name].raw)} / ${thousands(s[name].gzip)}`, 24);
    }).join(''));
  }
  console.log(pad('total', 30) +
    totals.map((t) => lpad(`${thousands(t.raw)} / ${thousands(t.gzip)}`, 24)).join(''));
  for (const s of servers) s.close();
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
