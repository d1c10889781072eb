// The browser build played end to end in Debian's headless Chromium against a
// static server of its own on the loopback address:
//   1. the whole game by keyboard and mouse along the road of
//      tests/road/road.txt: nine codes (one in capitals, one Cyrillic), the
//      path choice, the chain of three missions to the engine code, closing
//      back to the board and the end page. The missions' hours pass on
//      Playwright's clock, installed before the page loads: it replaces the
//      page's Date and timers and nothing else.
//   2. at each stop, every shown dialog's client area in the canvas compared
//      with this machine's Linux build replaying the page's own journal to
//      the page's clock (build/tests/replay_journal): identical pixels, but
//      one level in one channel inside the clue picture; and the replay
//      showing what the road says of the stop;
//   3. a page closed in the middle of a mission and opened again: the game
//      comes back with the countdown where the wall time says;
//   4. a page frozen for a minute (DevTools' lifecycle state "frozen")
//      catches up every tick when it resumes;
//   5. with the server stopped, a reload still plays (the service worker);
//   6. figures beside the Linux program's in the same run: the first frame
//      after load, and idle CPU over a stretch of seconds;
//   7. the saved game, which no tab, load, update or tap throws away: one
//      tab plays and hands the game over (tabs); a load cut short, a refused
//      or torn journal and "start over" keep it (saved); a save that fails
//      is shown at once and the storage is asked to be kept (told); an
//      update reaches the player and keeps the game (update); on a phone,
//      pinch zoom stays sharp and the field being typed in stays in sight
//      above the keyboard (phone);
//   8. the page as a screen reader reads it, through Chromium's
//      accessibility tree, and a level code played through its mirror
//      (reader).
//
// Usage: node play.js SITE_DIR LINUX_BUILD_DIR OUT_DIR [DOCS_DIR]
//   PARTS=game,reload,figures,screenshots,tabs,saved,told,update,phone,reader
//   PREVIOUS_SITE=DIR  the update part starts from this build of the page
//                      (an earlier version) instead of SITE_DIR itself
//   BASELINE_SITE=DIR  the reader part also measures a countdown's cost on
//                      this build of the page
// Prints one line per check and the figures; exits 1 on any failure.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const { execFileSync, spawn } = require('child_process');
const { chromium } = require('playwright-core');
const { cpuSeconds, processesWith } = require('../../../tools/cpu_time.js');

const [site, linuxBuild, out, docs] = process.argv.slice(2).map((p) => p && path.resolve(p));
if (!site || !linuxBuild || !out) {
  console.error('usage: node play.js SITE_DIR LINUX_BUILD_DIR OUT_DIR [DOCS_DIR]');
  process.exit(2);
}
fs.mkdirSync(out, { recursive: true });
const chromiumArgs = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];
let failures = 0;
let passes = 0;
const figures = {};
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (ok) ++passes; else ++failures;
  return ok;
}

// --- A static server that can be stopped. It serves served.root, with
// "Cache-Control: no-cache", or, when served.stale, as many static servers
// do: a Last-Modified a month ago and nothing else, which lets the browser
// keep the files for days without asking.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript',
  '.wasm': 'application/wasm', '.png': 'image/png', '.ttf': 'font/ttf',
  '.webmanifest': 'application/manifest+json', '.txt': 'text/plain; charset=utf-8' };
let server = null;
const served = { root: site, stale: false };
const sockets = new Set();
function serve(port) {
  return new Promise((resolve) => {
    server = http.createServer((req, res) => {
      let file = decodeURIComponent(new URL(req.url, 'http://x').pathname);
      if (file.endsWith('/')) file += 'index.html';
      const full = path.join(served.root, path.normalize(file));
      if (!full.startsWith(path.resolve(served.root)) || !fs.existsSync(full)) {
        res.writeHead(404);
        res.end();
        return;
      }
      const headers = { 'Content-Type': types[path.extname(full)] || 'application/octet-stream' };
      if (served.stale) {
        headers['Last-Modified'] = new Date(Date.now() - 30 * 86400 * 1000).toUTCString();
      } else {
        headers['Cache-Control'] = 'no-cache';
      }
      res.writeHead(200, headers);
      fs.createReadStream(full).pipe(res);
    });
    server.on('connection', (s) => { sockets.add(s); s.on('close', () => sockets.delete(s)); });
    server.listen(port, '127.0.0.1', resolve);
  });
}
function stopServing() {
  return new Promise((resolve) => {
    for (const s of sockets) s.destroy();
    server.close(() => resolve());
  });
}

// --- PNG files: 8-bit RGB or RGBA, not interlaced (Chromium's and ours).
function readPng(buffer) {
  let pos = 8;
  let width = 0, height = 0, channels = 0;
  const data = [];
  while (pos < buffer.length) {
    const length = buffer.readUInt32BE(pos);
    const type = buffer.toString('ascii', pos + 4, pos + 8);
    const body = buffer.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = { 2: 3, 6: 4 }[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error('unsupported PNG');
    } else if (type === 'IDAT') {
      data.push(body);
    }
    pos += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(width * height * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0;
      const b = prev[i];
      const c = i >= channels ? prev[i - channels] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[i] = (line[i] + p) & 255;
    }
    for (let x = 0; x < width; ++x) {
      for (let k = 0; k < 3; ++k) pixels[(y * width + x) * 3 + k] = line[x * channels + k];
    }
    prev = line;
  }
  return { width, height, pixels };
}

// Pixels of b that differ from a, outside and inside the allowed area (where a
// channel may differ by tolerance).
function differences(a, b, left, top, allowance, covered) {
  let count = 0, worst = 0, compared = 0;
  for (let y = 0; y < a.height; ++y) {
    for (let x = 0; x < a.width; ++x) {
      if (covered.some((r) => x >= r.left && x < r.right && y >= r.top && y < r.bottom)) continue;
      ++compared;
      let most = 0;
      for (let k = 0; k < 3; ++k) {
        const d = Math.abs(a.pixels[(y * a.width + x) * 3 + k] -
          b.pixels[((y + top) * b.width + x + left) * 3 + k]);
        most = Math.max(most, d);
      }
      const inside = allowance && x < allowance.width && y < allowance.height;
      if (most > (inside ? allowance.tolerance : 0)) ++count;
      worst = Math.max(worst, most);
    }
  }
  return { count, worst, compared };
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
// Waits until test() holds, for up to 30 s.
async function until(test, what) {
  for (const end = Date.now() + 30000; !test(); await sleep(50)) {
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
  }
}
// Whether process pid has ended (a zombie has).
function ended(pid) {
  try { return fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1][0] === 'Z'; }
  catch (e) { return true; }
}
// Waits for the page's program to have gone idle (it tells its state each
// time it waits) with n windows shown, or with any after a replay.
function shown(page, n) {
  return page.waitForFunction((n) => window.Module && Module.mv && Module.mv.firstFrameMs >= 0 &&
    (n ? Module.mv.windows.length === n : Module.mv.replay && Module.mv.windows.length > 0),
  n, { timeout: 30000 });
}

async function state(page) {
  return page.evaluate(() => {
    const r = Module.canvas.getBoundingClientRect();
    return {
      clock: Module.mv.clock, records: Module.mv.records, scale: Module.mv.scale,
      windows: Module.mv.windows, journal: localStorage.getItem(Module.journalKey),
      firstFrameMs: Module.mv.firstFrameMs, replay: Module.mv.replay,
      // Where the desktop's top-left corner is in the page (CSS pixels).
      origin: { x: Math.round(r.left), y: Math.round(r.top) }
    };
  });
}

// The Linux build's view of the page's state: it replays the page's journal to
// the page's clock. Returns the state text, the dialogs' PNG files and, at a
// stop of the road, what of the stop the state does not show.
function linuxReplay(name, s, roadStop) {
  const dir = path.join(out, 'linux-' + name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  fs.writeFileSync(path.join(dir, 'journal.txt'), s.journal);
  execFileSync(path.join(linuxBuild, 'tests', 'replay_journal'),
    [path.join(dir, 'journal.txt'), String(s.clock), dir].concat(roadStop || []));
  const road = roadStop ? fs.readFileSync(path.join(dir, 'road.txt'), 'utf8') : '';
  return { dir, text: fs.readFileSync(path.join(dir, 'state.txt'), 'utf8'), road };
}

// A stop of the game: the canvas and the Linux build's replay of the journal
// must show every dialog alike. Taken between two identical page states, so
// that no tick fell in between. Where the top dialog shows the clue picture
// (Image1, 681 x 289 at its client area's corner), a level in one channel
// may differ.
async function stop(page, name, picture = false, roadStop = null) {
  let s, shot;
  for (let attempt = 0; attempt < 5; ++attempt) {
    s = await state(page);
    shot = await page.screenshot({ path: path.join(out, name + '.png') });
    const again = await state(page);
    if (again.clock === s.clock && again.records === s.records) break;
  }
  const allowance = picture &&
    { window: s.windows[s.windows.length - 1].id, width: 681, height: 289, tolerance: 1 };
  const linux = linuxReplay(name, s, roadStop);
  const browser = readPng(shot);
  let all = true;
  s.windows.forEach((w, i) => {
    const file = path.join(linux.dir, 'window-' + w.id + '.png');
    if (!fs.existsSync(file)) { all = false; return; }
    const reference = readPng(fs.readFileSync(file));
    // What the windows above cover (in client coordinates) is not compared.
    const above = s.windows.slice(i + 1).map((o) => ({ left: o.left - w.left - 3,
      top: o.top - w.top - 22, right: o.left + o.width - w.left - 3,
      bottom: o.top + o.height - w.top - 22 }));
    const d = differences(reference, browser, s.origin.x + w.left + 3, s.origin.y + w.top + 22,
      allowance && allowance.window === w.id ? allowance : null, above);
    // A window wholly covered by the one above is not seen at all.
    all = all && d.count === 0 && (d.compared > 0 || i < s.windows.length - 1);
    if (d.count) console.log(`     window ${w.id}: ${d.count} pixels differ (worst ${d.worst})`);
  });
  check(all && s.windows.length > 0,
    `${name}: ${s.windows.length} dialog(s) identical to the Linux build's rendering`);
  return { s, linux };
}

function secondsLeft(text) {
  const m = /seconds=(-?\d+),(-?\d+),(-?\d+)/.exec(text);
  return m ? m.slice(1).map(Number) : null;
}

async function launch(extra = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mirvolant-chromium-'));
  const context = await chromium.launchPersistentContext(dir, {
    executablePath: '/usr/bin/chromium', headless: true, args: chromiumArgs,
    viewport: { width: 1024, height: 768 }, deviceScaleFactor: 1, ...extra
  });
  context.profile = dir;
  return context;
}

async function open(context, url, clock) {
  const page = context.pages()[0] || await context.newPage();
  page.on('pageerror', (e) => check(false, 'page error: ' + e.message));
  if (clock) await page.clock.install();
  await page.goto(url);
  await page.waitForFunction(() => window.Module && Module.mv && Module.mv.firstFrameMs >= 0,
    null, { timeout: 30000 });
  // The installed clock runs on with the real one until paused; paused, the
  // page's time moves only by runFor, however long a step of the test takes.
  if (clock) await page.clock.pauseAt(await page.evaluate(() => Date.now()) + 1000);
  return page;
}

// A click on the close box of the dialog on top (the scale is 1 here).
async function closeTop(page) {
  const s = await state(page);
  const w = s.windows.pop();
  await page.mouse.click(s.origin.x + w.left + w.width - 3 - 2 - 8, s.origin.y + w.top + 3 + 2 + 7);
}

// The road through the quest (tests/road/road.txt): the codes, and the stops
// with the move that reaches each (what the dialogs show there is checked on
// the Linux build's replay).
function readRoad() {
  const road = { levels: [], paths: [], drains: [], stops: [] };
  for (const line of fs.readFileSync(path.join(__dirname, '..', '..', 'road', 'road.txt'), 'utf8')
    .split('\n')) {
    const [kind, a, b, c] = line.split('\t');
    const last = road.stops[road.stops.length - 1];
    if (kind === 'level') road.levels.push(b);
    else if (kind === 'path') road.paths.push(b);
    else if (kind === 'drain') road.drains.push(b);
    else if (kind === 'stop') road.stops.push({ name: a, move: b, n: Number(c || 0) });
    // The clue picture differs by a level in one channel.
    else if (kind === 'visible' && line.includes('\tForm3.Image1')) last.picture = true;
  }
  return road;
}
const road = readRoad();

async function typeCode(page, code) {
  // Letters the US keyboard lacks come as text input, as a phone's keyboard
  // or an input method gives them.
  if (/^[\x20-\x7e]*$/.test(code)) await page.keyboard.type(code);
  else await page.keyboard.insertText(code);
  await page.keyboard.press('Enter');
}

// The board from its first slot, Tab to the next open one; the first code in
// capitals.
async function solveBoard(page, upTo = 9) {
  for (let i = 0; i < upTo; ++i) {
    if (i > 0) await page.keyboard.press('Tab');
    await typeCode(page, i === 0 ? road.levels[0].toUpperCase() : road.levels[i]);
  }
}

// The path field the road takes.
const roadPath = road.stops.find((st) => st.move === 'path').n;

// Path N's code into its field of the path choice.
async function enterPath(page, n) {
  for (let i = 1; i < n; ++i) await page.keyboard.press('Tab');
  await typeCode(page, road.paths[n - 1]);
}

async function game(url) {
  const context = await launch();
  const page = await open(context, url, true);
  check((await page.title()) === 'Mirvolant', 'the page is titled Mirvolant');
  let drains = 0;
  let roadJournal = null;
  for (const st of road.stops) {
    // The move to the stop; its input is handled on the clock's next turns.
    if (st.move === 'levels') {
      // A stop on the way, the ninth code half typed.
      await solveBoard(page, 8);
      await page.keyboard.press('Tab');
      await page.keyboard.type(road.levels[8].slice(0, -1));
      await page.clock.runFor(100);
      await stop(page, 'board-eight-solved');
      await page.keyboard.type(road.levels[8].slice(-1));
      await page.keyboard.press('Enter');
    } else if (st.move === 'path') {
      await enterPath(page, st.n);
    } else if (st.move === 'drain') {
      // As the missions show them, in capitals.
      await typeCode(page, road.drains[drains++].toUpperCase());
    } else if (st.move === 'close') {
      await closeTop(page);
    }
    await page.clock.runFor(st.move === 'wait' ? st.n * 1000 : 100);
    const seen = await stop(page, st.name, st.picture, st.name);
    check(seen.linux.road === '', `${st.name}: the dialogs as the road says ` + seen.linux.road);
    if (st.name === 'engine-code') roadJournal = seen.s.journal;
  }
  // The board's close box ends the game.
  await closeTop(page);
  await page.clock.runFor(100);
  await page.waitForFunction(() => !document.getElementById('end').hidden, null,
    { timeout: 10000 });
  const ended = await page.evaluate(() => ({
    text: document.getElementById('end').innerText,
    journal: localStorage.getItem(Module.journalKey)
  }));
  check(/Игра окончена/.test(ended.text) && ended.journal === null,
    'closing the board shows the end page and clears the journal');
  await page.screenshot({ path: path.join(out, 'end-page.png') });
  await context.close();

  // The whole road's journal, loaded by a new page: replayed in full.
  const again = await launch();
  const first = again.pages()[0] || await again.newPage();
  await first.addInitScript((text) => {
    if (!sessionStorage.getItem('seeded')) {
      localStorage.setItem('mirvolant.journal', text);
      sessionStorage.setItem('seeded', '1');
    }
  }, roadJournal);
  const restored = await open(again, url, false);
  await shown(restored);
  const rebuilt = await stop(restored, 'road-replayed', false, 'engine-code');
  figures.roadReplayMs = rebuilt.s.replay.ms;
  figures.roadReplayRecords = rebuilt.s.replay.records;
  check(rebuilt.linux.road === '',
    `a whole road's journal (${rebuilt.s.replay.records} records, three hours of countdowns) ` +
    `replays in ${rebuilt.s.replay.ms.toFixed(1)} ms to the solved mystery mission ` +
    '(first load of the page: the browser has not yet optimised the compiled code)');
  // Reloaded, as a phone reloads a page it had: the browser's cache holds the
  // optimised code.
  await sleep(3000);
  await restored.reload();
  await shown(restored);
  const reloaded = await stop(restored, 'road-reloaded', false, 'engine-code');
  figures.roadReplayReloadMs = reloaded.s.replay.ms;
  check(reloaded.linux.road === '' && reloaded.s.replay.ms < 200,
    `reloaded, the same road (${reloaded.s.replay.records} records) replays in ` +
    `${reloaded.s.replay.ms.toFixed(1)} ms`);
  await again.close();
}

// Real time from here on.
async function reloadFreezeOffline(url) {
  const context = await launch();
  let page = await open(context, url, false);
  await solveBoard(page);
  await enterPath(page, roadPath);
  await shown(page, 3);
  const before = await stop(page, 'before-reload');
  const left1 = secondsLeft(before.linux.text)[2];
  // The tab is closed; ten seconds later the page is opened again.
  await page.close();
  await sleep(10000);
  page = await context.newPage();
  page.on('pageerror', (e) => check(false, 'page error: ' + e.message));
  await page.goto(url);
  await shown(page);
  const after = await stop(page, 'after-reload');
  const left2 = secondsLeft(after.linux.text)[2];
  // The ticks fall on the phase's own seconds, not the clock's: an interval
  // of L seconds holds L rounded down or up of them.
  const elapsed = (after.s.clock - before.s.clock) / 1000;
  figures.replayMs = after.s.replay.ms;
  figures.replayRecords = after.s.replay.records;
  check(/Form5 shown/.test(after.linux.text) && Math.abs(left1 - left2 - elapsed) < 1 &&
    elapsed >= 10,
    `reload restores the escape mission: ${left1} s left before, ${left2} s after ` +
    `${elapsed.toFixed(1)} s of wall time (replay of ${after.s.replay.records} records: ` +
    `${after.s.replay.ms.toFixed(1)} ms)`);

  // Frozen for a minute. DevTools' lifecycle state "frozen" is asked for,
  // but this headless Chromium keeps a visible page's timers running then
  // (measured: a 100 ms interval ticked on through a 3 s "freeze"), so the
  // page's script is also held still by the debugger: no task of the page
  // runs until it resumes, as on a frozen page.
  const cdp = await context.newCDPSession(page);
  const frozenFrom = await stop(page, 'before-freeze');
  await cdp.send('Debugger.enable');
  await cdp.send('Page.setWebLifecycleState', { state: 'frozen' });
  await cdp.send('Debugger.pause');
  await sleep(60000);
  await cdp.send('Debugger.resume');
  await cdp.send('Page.setWebLifecycleState', { state: 'active' });
  await cdp.send('Debugger.disable');
  // Resumed, the program catches up to the wall clock and tells it.
  await page.waitForFunction((t) => Module.mv.clock >= t, frozenFrom.s.clock + 60000,
    { timeout: 30000 });
  const resumed = await stop(page, 'after-freeze');
  // Jumps of the clock journaled since the freeze began: "<dt> j <deadline>".
  let time = 0;
  const jumps = [];
  for (const line of resumed.s.journal.split('\n').slice(1)) {
    const f = line.split(' ');
    if (f[0] === 'sum') break;
    time += Number(f[0]);
    if (f[1] === 'j' && time > frozenFrom.s.clock) jumps.push({ deadline: Number(f[2]), to: time });
  }
  const late = jumps.length ? jumps[0].to - jumps[0].deadline : 0;
  const f1 = secondsLeft(frozenFrom.linux.text)[2];
  const f2 = secondsLeft(resumed.linux.text)[2];
  const wall = (resumed.s.clock - frozenFrom.s.clock) / 1000;
  figures.freeze = { secondsLeftBefore: f1, secondsLeftAfter: f2, wallSeconds: wall, wokeLateMs: late };
  check(jumps.length === 1 && late >= 55000 && Math.abs(f1 - f2 - wall) < 1 && wall >= 60,
    `a page frozen for a minute catches up: ${f1} s left before, ${f2} s after ` +
    `${wall.toFixed(1)} s; ` +
    `the wait woke ${late} ms late and the clock jump was journaled`);

  // Offline: the server stops, the page reloads from the service worker and
  // plays on.
  await page.evaluate(() => navigator.serviceWorker.ready);
  await stopServing();
  await page.reload();
  await shown(page);
  await typeCode(page, road.drains[0]);
  await shown(page, 4);
  const offline = await stop(page, 'offline-reload');
  check(/Form4 shown/.test(offline.linux.text),
    'with the server stopped a reload plays: the drain code opens the victory mission');
  await context.close();
}

async function figuresBesideLinux(url, idleSeconds) {
  // The Linux program under Xvfb: first frame (the board's face colour at
  // the screen's centre), then idle on the board.
  const display = ':' + (90 + (process.pid % 9));
  const xvfb = spawn('Xvfb', [display, '-screen', '0', '1024x768x24', '-nolisten', 'tcp'],
    { stdio: 'ignore' });
  await until(() => fs.existsSync('/tmp/.X11-unix/X' + display.slice(1)), 'Xvfb');
  const env = { ...process.env, DISPLAY: display };
  const linuxFirst = [];
  let linuxPid = 0;
  for (let run = 0; run < 5; ++run) {
    // The program goes on after the probe ends: its output and errors go
    // to files, not to pipes that would stay open.
    const result = path.join(out, 'first-frame.txt');
    execFileSync('bash', ['-c', '"$0" 512 384 D4D0C8 10000 "$1" > "$2" 2> "$2.err"',
      path.join(linuxBuild, 'tools', 'first_frame'), path.join(linuxBuild, 'mirvolant'), result],
    { env });
    const line = fs.readFileSync(result, 'utf8').trim().split(/\s+/);
    linuxFirst.push(Number(line[0]));
    if (run < 4) {
      try { process.kill(Number(line[1])); } catch (e) { /* ended */ }
      await until(() => ended(Number(line[1])), 'the program to end');
    } else {
      linuxPid = Number(line[1]);
    }
  }
  // The browser: a cold load of a new profile, then a reload from the
  // service worker's cache.
  const context = await launch();
  const page = await open(context, url, false);
  const cold = (await state(page)).firstFrameMs;
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await page.waitForFunction(() => window.Module && Module.mv && Module.mv.firstFrameMs >= 0,
    null, { timeout: 30000 });
  const warm = (await state(page)).firstFrameMs;
  await sleep(2000);
  const browserPids = processesWith(context.profile);
  const cdp = await context.newCDPSession(page);
  await cdp.send('Performance.enable');
  const metric = async () => Object.fromEntries(
    (await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
  const m0 = await metric();
  const b0 = cpuSeconds(browserPids);
  const l0 = cpuSeconds([linuxPid]);
  await sleep(idleSeconds * 1000);
  const m1 = await metric();
  const b1 = cpuSeconds(browserPids);
  const l1 = cpuSeconds([linuxPid]);
  linuxFirst.sort((a, b) => a - b);
  figures.firstFrame = { browserColdMs: cold, browserCachedMs: warm,
    linuxMedianMs: linuxFirst[2], linuxRunsMs: linuxFirst };
  figures.idle = { seconds: idleSeconds,
    browserProcessesCpuS: +(b1 - b0).toFixed(2), browserPageTaskS: +(m1.TaskDuration - m0.TaskDuration).toFixed(3),
    browserPageScriptS: +(m1.ScriptDuration - m0.ScriptDuration).toFixed(3),
    linuxCpuS: +(l1 - l0).toFixed(2), browserProcesses: browserPids.length };
  await context.close();
  try { process.kill(linuxPid); } catch (e) { /* ended */ }
  xvfb.kill();
}

async function screenshots(url) {
  if (!docs) return;
  // A desktop window and a phone held upright.
  const views = [
    { name: 'web-desktop', viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1 },
    { name: 'web-phone', viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
      isMobile: true, hasTouch: true }
  ];
  for (const v of views) {
    const context = await launch({ viewport: v.viewport, deviceScaleFactor: v.deviceScaleFactor,
      isMobile: v.isMobile, hasTouch: v.hasTouch });
    const page = await open(context, url, true);
    // The fourth code half typed, three slots solved.
    await solveBoard(page, 3);
    await page.keyboard.press('Tab');
    await page.keyboard.type(road.levels[3].slice(0, 3));
    await page.clock.runFor(100);
    await page.screenshot({ path: path.join(docs, v.name + '-board.png') });
    await page.keyboard.type(road.levels[3].slice(3));
    await page.keyboard.press('Enter');
    for (let i = 4; i < 9; ++i) {
      await page.keyboard.press('Tab');
      await typeCode(page, road.levels[i]);
    }
    await enterPath(page, roadPath);
    // The escape and victory missions' drain codes at their ends.
    for (const code of road.drains.slice(0, 2)) {
      await page.clock.runFor(3600 * 1000);
      await typeCode(page, code);
    }
    await page.clock.runFor(1300 * 1000);
    await page.screenshot({ path: path.join(docs, v.name + '-mission.png') });
    await context.close();
  }
}

// The saved game's and the phone's parts (keeps.js), and the screen reader's
// (reader.js).
const keeps = require('./keeps.js')({ check, launch, open, state, linuxReplay,
  levelCodes: road.levels, typeCode, solveBoard, readPng, out, docs, site, served });
const reader = require('./reader.js')({ check, launch, open, levelCodes: road.levels, typeCode,
  solveBoard, enterPath, roadPath, figures, served });

(async () => {
  const port = 8700 + (process.pid % 200);
  const url = `http://127.0.0.1:${port}/`;
  await serve(port);
  const parts = (process.env.PARTS ||
    'game,reload,figures,screenshots,tabs,saved,told,update,phone,reader').split(',');
  if (parts.includes('game')) await game(url);
  if (parts.includes('figures')) await figuresBesideLinux(url, Number(process.env.IDLE_SECONDS || 20));
  if (parts.includes('screenshots')) await screenshots(url);
  for (const name of ['tabs', 'saved', 'told', 'update', 'phone']) {
    if (parts.includes(name)) await keeps[name](url);
  }
  if (parts.includes('reader')) await reader.reader(url);
  if (parts.includes('reload')) await reloadFreezeOffline(url);
  if (server.listening) await stopServing();
  console.log('figures: ' + JSON.stringify(figures));
  console.log(`${passes} passed, ${failures} failed`);
  process.exit(failures ? 1 : 0);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
