// The parts of the browser's end-to-end test about the saved game and the
// phone (see play.js, which runs them): each part is a function of the page's
// URL and reports its checks through the helpers play.js hands over.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');

module.exports = function parts(h) {
  const { check, launch, open, state, linuxReplay, levelCodes, typeCode, solveBoard, readPng,
    out, docs, site, served } = h;
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

  // Waits until the program sleeps with all input handled (and so saved).
  async function idle(page) {
    await page.waitForFunction(() => Module.mv.wake !== null && Module.mv.queue.length === 0,
      null, { timeout: 10000 });
  }
  // The slots solved in the page's game, as the Linux build replays its journal.
  async function solved(page, name) {
    await idle(page);
    const m = /solved=(\d+)/.exec(linuxReplay(name, await state(page)).text);
    return m ? Number(m[1]) : -1;
  }
  // Waits until the page plays: the program's first frame is shown, and the
  // saved game (if any) replayed.
  async function playing(page, timeout = 20000) {
    return page.waitForFunction(() => window.Module && Module.mv && Module.mv.firstFrameMs >= 0 &&
      !Module.mv.replaying && Module.mv.wake !== null, null, { timeout })
      .then(() => true, () => false);
  }
  // Whether an element the page shows, outside the canvas, holds text like this.
  async function shows(page, pattern, timeout = 5000) {
    return page.getByText(pattern).first().waitFor({ state: 'visible', timeout })
      .then(() => true, () => false);
  }
  // The site's storage, read and written from a page of the site that is not
  // the game (its font notice).
  async function storage(context, url, write) {
    const p = await context.newPage();
    await p.goto(url + 'ms_sans_serif-copyright.txt');
    const items = await p.evaluate((w) => {
      if (w) for (const [k, v] of Object.entries(w)) {
        if (v === null) localStorage.removeItem(k); else localStorage.setItem(k, v);
      }
      return Object.fromEntries(Object.keys(localStorage).map((k) => [k, localStorage.getItem(k)]));
    }, write || null);
    await p.close();
    return items;
  }
  function newPage(context) {
    return context.newPage().then((page) => {
      page.on('pageerror', (e) => check(false, 'page error: ' + e.message));
      return page;
    });
  }
  // Solves the board's slots first..last (1-based) by Tab and typing; the
  // first slot's field has the focus when the board is new.
  async function solveSlots(page, first, last) {
    for (let slot = first; slot <= last; ++slot) {
      if (slot > 1) await page.keyboard.press('Tab');
      await typeCode(page, levelCodes[slot - 1]);
    }
    await idle(page);
  }
  async function part(name, body) {
    try {
      await body();
    } catch (e) {
      check(false, `${name}: ${e.message.split('\n')[0]}`);
    }
  }

  // --- 1. One tab plays.
  async function tabs(url) {
    const context = await launch();
    let a = await open(context, url, false);
    await solveSlots(a, 1, 3);
    const b = await newPage(context);
    await b.goto(url);
    const told = await shows(b, /открыта в другой вкладке/);
    const button = await b.locator('#play-here').isVisible().catch(() => false);
    const bPlays = await playing(b, 3000);
    check(told && button && !bPlays,
      'tabs: a second tab does not play; it says the game is open elsewhere, with a button to ' +
      'play here');
    // The first tab plays on, then the second takes the game.
    await a.bringToFront();
    await solveSlots(a, 4, 4);
    await b.bringToFront();
    await b.locator('#play-here').click({ timeout: 3000 });
    const bTook = await playing(b);
    const aTold = await shows(a, /перешла в другую вкладку/);
    check(bTook && aTold && await solved(b, 'tabs-b-took') === 4,
      'tabs: "play here" hands the game over with every move: the second tab replays 4 solved ' +
      'slots, the first says the game went there');
    // Input to the tab that let go reaches no game.
    const handed = (await storage(context, url))['mirvolant.journal'];
    await a.bringToFront();
    await a.keyboard.press('Tab');
    await typeCode(a, levelCodes[4]);
    await sleep(500);
    const untouched = (await storage(context, url))['mirvolant.journal'] === handed;
    await b.bringToFront();
    await b.keyboard.press('Tab');
    await typeCode(b, levelCodes[4]);
    await b.keyboard.press('Tab');
    await typeCode(b, levelCodes[5]);
    await idle(b);
    // The first tab takes it back.
    await a.bringToFront();
    await Promise.all([a.waitForEvent('load'), a.locator('#play-here').click({ timeout: 3000 })]);
    const aTook = await playing(a);
    check(untouched && aTook && await solved(a, 'tabs-a-took') === 6 &&
      await shows(b, /перешла в другую вкладку/),
      'tabs: what is typed in the tab that let go is saved nowhere; and back: the first tab ' +
      'replays all 6 slots solved in either tab');
    // A tab that dies lets go of the game with it.
    await a.close({ runBeforeUnload: false });
    await b.bringToFront();
    await Promise.all([b.waitForEvent('load'), b.locator('#play-here').click({ timeout: 3000 })]);
    check(await playing(b) && await solved(b, 'tabs-after-close') === 6,
      'tabs: after the playing tab closed, the other plays at once with all 6 slots');
    await context.close();
  }

  // --- 2. A saved game is thrown away only when the player says so.
  async function saved(url) {
    const context = await launch();
    let page = await open(context, url, false);
    await solveSlots(page, 1, 3);
    await page.close();
    const kept = (await storage(context, url))['mirvolant.journal'];
    // Loads cut short: the tab closed as the page arrives, when its document
    // is read, when it has loaded, and just after the game is back.
    for (const moment of ['commit', 'domcontentloaded', 'load', 'replayed']) {
      page = await newPage(context);
      if (moment === 'replayed') {
        await page.goto(url);
        await playing(page);
      } else {
        await page.goto(url, { waitUntil: moment });
      }
      await page.close({ runBeforeUnload: false });
    }
    page = await newPage(context);
    await page.goto(url);
    const body = kept.slice(0, kept.lastIndexOf('sum '));
    const back = await playing(page) ? await solved(page, 'saved-cut-short') : -1;
    const same = ((await storage(context, url))['mirvolant.journal'] || '').startsWith(body);
    check(back === 3 && same,
      'saved: four loads cut short (at the response, the document, the load, after the replay) ' +
      `leave the journal as it was (${same ? 'kept' : 'changed'}): ${back} slots solved`);

    // "Start over" asks first, in the page's words, far from the bottom edge.
    const link = page.getByText('Начать заново', { exact: true }).filter({ visible: true }).first();
    const box = await link.boundingBox({ timeout: 3000 });
    const height = await page.evaluate(() => innerHeight);
    await link.click({ timeout: 3000 });
    const asked = await shows(page, /Начать игру заново\?/, 2000);
    const still = ((await storage(context, url))['mirvolant.journal'] || '').startsWith(body);
    check(box && box.y + box.height < height / 4 && asked && still,
      '"Начать заново" sits at the top of the page and asks before it forgets anything');
    if (asked) {
      await page.getByText('Нет, играть дальше').click({ timeout: 3000 });
      await page.keyboard.press('Tab');
      await solveSlots(page, 4, 4);
      await page.getByText('Начать заново', { exact: true }).filter({ visible: true }).click();
      await Promise.all([page.waitForEvent('load'),
        page.getByText('Да, начать заново').click({ timeout: 3000 })]);
      check(await playing(page) && await solved(page, 'saved-started-over') === 0,
        'saved: "no" plays on; "yes, start over" starts a new game');
    }
    await page.close();

    // A journal that cannot be used (here damaged) is kept aside and never
    // touches the next game.
    const damaged = kept.replace(/sum [0-9a-f]+/, 'sum 0000000000000000');
    await storage(context, url, { 'mirvolant.journal': damaged, 'mirvolant.journal.copy': null });
    page = await newPage(context);
    await page.goto(url);
    const refused = await playing(page) && await shows(page, /отложена/);
    await solveSlots(page, 1, 2);
    let items = await storage(context, url);
    const aside = Object.entries(items).some(([k, v]) =>
      k !== 'mirvolant.journal' && v === damaged);
    await page.reload();
    check(refused && aside && await playing(page) &&
      await solved(page, 'saved-after-refused') === 2,
      'saved: a damaged journal is kept aside with a note; the new game (2 slots) survives ' +
      'a reload');

    // A replay that really fails (here the compiled code traps as it ends)
    // keeps the journal aside and says so; the next load is a new game.
    await page.close();
    const two = (await storage(context, url))['mirvolant.journal'];
    const failing = await launch();
    await failing.addInitScript(() => {
      let module;
      Object.defineProperty(window, 'Module', {
        configurable: true,
        get() { return module; },
        set(value) {
          if (!module && value.preRun) {
            value.preRun.push(() => {
              value.mv.replayFinished = () => { throw new WebAssembly.RuntimeError('a trap'); };
            });
          }
          module = value;
        }
      });
    });
    await storage(failing, url, { 'mirvolant.journal': two });
    const broken = await failing.newPage();
    await broken.goto(url);
    const said = await shows(broken, /не удалось восстановить/, 10000);
    const setAside = Object.entries(await storage(failing, url)).some(([k, v]) =>
      k !== 'mirvolant.journal' && k !== 'mirvolant.journal.copy' && v === two);
    await broken.reload();
    const fresh = await playing(broken) && await solved(broken, 'saved-after-failed') === 0;
    await failing.close();
    check(said && setAside && fresh,
      'saved: a replay that fails keeps the journal aside and says so; the next load is a ' +
      'new game');

    // A save torn in the middle: the other copy holds the game.
    items = await storage(context, url);
    const journal = items['mirvolant.journal'] || '';
    await storage(context, url, { 'mirvolant.journal': journal.slice(0, journal.length - 30) });
    page = await newPage(context);
    await page.goto(url);
    check(await playing(page) && await solved(page, 'saved-torn') === 2,
      'saved: a journal torn by a write cut short loses nothing: 2 slots solved');
    await context.close();
  }

  // --- 3. The player always knows.
  async function told(url) {
    // A full storage, from the second solved code on.
    let context = await launch();
    await context.addInitScript(() => {
      const setItem = Storage.prototype.setItem;
      Storage.prototype.setItem = function (k, v) {
        if (window.storageFull) {
          throw new DOMException('The quota has been exceeded.', 'QuotaExceededError');
        }
        return setItem.call(this, k, v);
      };
      // The browser is asked to keep the storage: counted.
      window.persistAsked = 0;
      if (navigator.storage) {
        navigator.storage.persisted = () => Promise.resolve(false);
        navigator.storage.persist = () => {
          window.persistAsked += 1;
          return Promise.resolve(true);
        };
      }
    });
    let page = await open(context, url, false);
    await sleep(500);
    const askedBefore = await page.evaluate(() => window.persistAsked);
    await solveSlots(page, 1, 1);
    await sleep(300);
    const askedAfter = await page.evaluate(() => window.persistAsked);
    check(askedBefore === 0 && askedAfter === 1,
      'told: the browser is asked to keep the storage on the first solved code ' +
      `(asked ${askedBefore} time(s) before it, ${askedAfter} after)`);
    await page.evaluate(() => { window.storageFull = true; });
    const t0 = Date.now();
    await solveSlots(page, 2, 2);
    const full = await shows(page, /не сохраняется/, 2000);
    const ms = Date.now() - t0;
    const outside = await page.evaluate(() => {
      const n = [...document.querySelectorAll('body *')].find((e) =>
        e.children.length === 0 && /не сохраняется/.test(e.textContent));
      if (!n) return false;
      const r = n.getBoundingClientRect();
      const c = Module.canvas.getBoundingClientRect();
      return r.height > 0 && r.top >= 0 && r.bottom <= innerHeight &&
        (r.bottom <= c.top || r.top >= c.bottom || r.right <= c.left || r.left >= c.right);
    });
    check(full && outside, `told: with the storage full, a line outside the canvas says at once ` +
      `(${ms} ms after the code) that the game is not being kept`);
    await page.evaluate(() => { window.storageFull = false; });
    await solveSlots(page, 3, 3);
    const cleared = !(await shows(page, /не сохраняется/, 500));
    await page.reload();
    check(cleared && await playing(page) && await solved(page, 'told-after-full') === 3,
      'told: once the storage takes saves again, the line goes and every slot is kept (3)');
    await context.close();

    // Storage refused, as in another site's frame.
    context = await launch();
    await context.addInitScript(() => {
      Object.defineProperty(window, 'localStorage', {
        get() { throw new DOMException('The operation is insecure.', 'SecurityError'); }
      });
    });
    page = await newPage(context);
    await page.goto(url);
    await page.waitForFunction(() => window.Module && Module.mv && Module.mv.firstFrameMs >= 0,
      null, { timeout: 20000 });
    check(await shows(page, /не сохраняется/, 2000),
      'told: storage refused, the page says from the first frame that the game is not being kept');
    await context.close();
  }

  // --- 4. Updates reach players and keep their games.
  // The next version: every file as it is but index.html changed (and the
  // program's version in it, where the page names one), and a service worker
  // of another name, as the build writes it.
  function nextVersion(from) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mirvolant-next-'));
    fs.cpSync(from, dir, { recursive: true });
    const index = path.join(dir, 'index.html');
    fs.writeFileSync(index, fs.readFileSync(index, 'utf8')
      .replace(/Mirvolant (\d+)\.(\d+)\.(\d+)/g,
        (m, a, b, c) => `Mirvolant ${a}.${b}.${Number(c) + 1}`)
      .replace('<head>', '<head>\n<!-- the next version -->'));
    const worker = path.join(dir, 'sw.js');
    fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8')
      .replace(/mirvolant-([0-9a-f]+)/, 'mirvolant-$1next'));
    return dir;
  }
  async function update(url) {
    const before = process.env.PREVIOUS_SITE ? path.resolve(process.env.PREVIOUS_SITE) : site;
    const after = process.env.PREVIOUS_SITE ? site : nextVersion(site);
    for (const stale of [true, false]) {
      const how = stale ? 'with files the browser may keep for days' : 'with files revalidated';
      served.root = before;
      served.stale = stale;
      const context = await launch();
      let page = await open(context, url, false);
      await page.evaluate(() => navigator.serviceWorker.ready);
      await solveSlots(page, 1, 3);
      await page.reload();  // the page as the worker serves it, from its cache
      await playing(page);
      served.root = after;
      // The load that finds the new version installs it; the next one is it.
      await page.reload();
      await playing(page);
      const next = fs.readFileSync(path.join(after, 'sw.js'), 'utf8')
        .match(/mirvolant-[0-9a-z]+/)[0];
      // Installed and in charge once the caches of the versions before are gone.
      const t0 = Date.now();
      let found = false;
      while (!found && Date.now() - t0 < 30000) {
        found = await page.evaluate((name) => caches.keys().then((names) =>
          names.length === 1 && names[0] === name), next);
        if (!found) await sleep(200);
      }
      const installMs = Date.now() - t0;
      await page.reload();
      const played = await playing(page);
      const html = await page.content();
      const isNext = process.env.PREVIOUS_SITE ? !html.includes("programId: 'Mirvolant")
        : html.includes('the next version');
      check(found && played && isNext, `update: ${how}, the load that finds the new version ` +
        `installs it (in ${installMs} ms) and the next load shows it`);
      const noted = await page.evaluate(() => document.getElementById('note').textContent);
      check(played && await solved(page, 'update-' + stale) === 3,
        `update: ${how}, the game played before it goes on: 3 slots solved` +
        (noted ? ` (the page says: ${noted})` : ''));
      await context.close();
    }
    served.root = site;
    served.stale = false;
  }

  // --- 5. Readable on a phone.
  // A board slot's control (Label, MaskEdit) in the board's client area,
  // from the board's description.
  function boardControl(kind, slot) {
    const dlg = fs.readFileSync(path.join(__dirname, '..', '..', '..', 'resources', 'TForm1.dlg'),
      'utf8');
    const number = (block, name) => Number(new RegExp(name + ' = (-?\\d+)').exec(block)[1]);
    const panel = dlg.slice(dlg.indexOf(`object Panel${slot}:`));
    const control = panel.slice(panel.indexOf(`object ${kind}${slot}:`));
    return { left: number(panel, 'Left') + number(control, 'Left'),
      top: number(panel, 'Top') + number(control, 'Top'),
      width: number(control, 'Width'), height: number(control, 'Height') };
  }
  // Where a point of the board's client area is in the page (CSS pixels).
  async function inPage(page, x, y) {
    const s = await state(page);
    const board = s.windows[0];
    const css = s.scale / await page.evaluate(() => devicePixelRatio);
    return { x: s.origin.x + (board.left + 3 + x) * css,
      y: s.origin.y + (board.top + 22 + y) * css };
  }
  async function phone(url) {
    const phoneView = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };
    // Upright: pinch zoom.
    let context = await launch({ viewport: { width: 390, height: 844 }, ...phoneView });
    let page = await open(context, url, false);
    await solveSlots(page, 1, 3);
    await page.keyboard.press('Tab');
    await page.keyboard.type('28k');
    await idle(page);
    const l = boardControl('Label', 4);
    const label = await inPage(page, l.left + l.width / 2, l.top + l.height / 2);
    // Two fingers spread apart around the prompt, from 100 to 180 CSS px.
    const cdp = await context.newCDPSession(page);
    const fingers = (d) => [{ x: label.x - d, y: label.y, id: 1 },
      { x: label.x + d, y: label.y, id: 2 }];
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: fingers(50) });
    for (let d = 54; d <= 90; d += 4) {
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: fingers(d) });
    }
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await sleep(800);
    await idle(page);
    const zoom = await page.evaluate(() => ({ scale: visualViewport.scale,
      left: visualViewport.offsetLeft, top: visualViewport.offsetTop, density: Module.mv.density }));
    const s = await state(page);
    const prompt = l.height * s.scale / 3 * zoom.scale;
    const shot = await page.screenshot({ path: path.join(out, 'phone-zoomed.png') });
    if (docs) {
      fs.copyFileSync(path.join(out, 'phone-zoomed.png'), path.join(docs, 'web-phone-zoomed.png'));
    }
    // Sharp: the zoomed board shows only colours of its own rendering (the
    // Linux build's), no blend of two of them.
    const linux = linuxReplay('phone-zoomed', s);
    const reference = readPng(fs.readFileSync(
      path.join(linux.dir, `window-${s.windows[0].id}.png`)));
    const rgb = (p, i) => (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    const palette = new Set();
    for (let i = 0; i < reference.pixels.length; i += 3) palette.add(rgb(reference.pixels, i));
    const view = readPng(shot);
    const board = s.windows[0];
    const k = zoom.scale * 3;
    let inside = 0, foreign = 0;
    for (let y = 0; y < view.height; y += 2) {
      for (let x = 0; x < view.width; x += 2) {
        // Back to desktop pixels of the board's client area, away from its edges.
        const cssX = x / k + zoom.left - s.origin.x, cssY = y / k + zoom.top - s.origin.y;
        const dx = cssX * 3 / s.scale - board.left - 3, dy = cssY * 3 / s.scale - board.top - 22;
        if (dx < 1 || dy < 1 || dx > board.width - 8 || dy > board.height - 27) continue;
        ++inside;
        const i = (y * view.width + x) * 3;
        if (!palette.has(rgb(view.pixels, i))) ++foreign;
      }
    }
    check(zoom.scale > 1.5 && prompt >= 11 && inside > 1000 && foreign === 0,
      `phone: pinch zoom works (${zoom.scale.toFixed(2)}×): the board's prompt is ` +
      `${prompt.toFixed(1)} CSS px high, drawn sharp (${foreign} of ${inside} board pixels ` +
      'sampled are not the board\'s own colours; ' +
      `canvas at ${zoom.density} pixels per dialog pixel)`);

    // A tap on the field being typed in always opens the keyboard: a new
    // focus of the page's text field (the mirror's field of that control)
    // each time.
    await cdp.send('Emulation.setPageScaleFactor', { pageScaleFactor: 1 }).catch(() => {});
    await page.evaluate(() => {
      window.fieldFocused = 0;
      document.addEventListener('focusin', (e) => {
        if (e.target.closest('#mv-mirror') && /^(INPUT|TEXTAREA)$/.test(e.target.tagName)) {
          window.fieldFocused += 1;
        }
      });
    });
    const f = boardControl('MaskEdit', 4);
    let at = await inPage(page, f.left + f.width / 2, f.top + f.height / 2);
    await page.touchscreen.tap(at.x, at.y);
    await idle(page);
    await page.touchscreen.tap(at.x, at.y);
    await idle(page);
    const focused = await page.evaluate(() => window.fieldFocused);
    check(focused >= 2,
      `phone: each tap on the code field focuses the page's text field anew (${focused} of 2)`);
    await context.close();

    // Turned, with the keyboard open: the field being typed in stays in sight.
    context = await launch({ viewport: { width: 844, height: 390 }, ...phoneView });
    page = await open(context, url, false);
    for (let i = 0; i < 6; ++i) await page.keyboard.press('Tab');  // the seventh slot
    await page.keyboard.type('%3');
    await idle(page);
    const before = await state(page);
    // The page's text field (the mirror's, focused) lies over the code
    // field: its middle is the white of the field.
    const over = async (name) => {
      const r = await page.evaluate(() => {
        const t = document.activeElement.getBoundingClientRect();
        return { x: t.left + t.width / 2, y: t.top + t.height / 2, top: t.top, bottom: t.bottom };
      });
      const png = readPng(await page.screenshot({ path: path.join(out, name + '.png') }));
      const i = (Math.round(r.y * 3) * png.width + Math.round(r.x * 3)) * 3;
      const white = r.top >= 0 && r.bottom <= await page.evaluate(() => innerHeight) &&
        png.pixels[i] === 255 && png.pixels[i + 1] === 255 && png.pixels[i + 2] === 255;
      return white;
    };
    const placed = await over('phone-landscape');
    await page.setViewportSize({ width: 844, height: 175 });
    await sleep(500);
    await idle(page);
    const after = await state(page);
    const still = after.scale === before.scale &&
      JSON.stringify(after.windows) === JSON.stringify(before.windows);
    const visible = await over('phone-keyboard');
    if (docs) {
      fs.copyFileSync(path.join(out, 'phone-keyboard.png'), path.join(docs, 'web-phone-keyboard.png'));
    }
    check(placed && still && visible,
      'phone: the page\'s text field lies over the code field being typed in; with the landscape ' +
      `keyboard (844 × 175) no window moves (scale ${before.scale.toFixed(2)} → ` +
      `${after.scale.toFixed(2)}) ` +
      'and that field is in sight');
    await context.close();
  }

  return {
    tabs: (url) => part('tabs', () => tabs(url)),
    saved: (url) => part('saved', () => saved(url)),
    told: (url) => part('told', () => told(url)),
    update: (url) => part('update', () => update(url)),
    phone: (url) => part('phone', () => phone(url))
  };
};
