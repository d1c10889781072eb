// The browser's end-to-end part about screen readers (see play.js, which runs
// it): the page as Chromium's accessibility tree shows it, read through the
// DevTools protocol (Accessibility.getFullAXTree) as a screen reader's view of
// it, and one level code played through the page's mirror as a screen reader
// would: typed into the focused field, the slot's button pressed by its
// default action.
'use strict';

module.exports = function parts(h) {
  const { check, launch, open, levelCodes, typeCode, solveBoard, enterPath, figures, served } = h;
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

  // The nodes of the page's accessibility tree that are not ignored, each
  // with its role, name and value as plain strings.
  async function tree(page) {
    const client = await page.context().newCDPSession(page);
    await client.send('Accessibility.enable');
    const { nodes } = await client.send('Accessibility.getFullAXTree');
    await client.detach();
    return nodes.filter((n) => !n.ignored).map((n) => ({
      role: n.role && n.role.value, name: n.name ? String(n.name.value) : '',
      value: n.value ? String(n.value.value) : '', id: n.nodeId, parent: n.parentId,
      properties: Object.fromEntries((n.properties || []).map((p) => [p.name, p.value.value]))
    }));
  }
  // Polls the tree until test(nodes) holds, for up to 20 s; the last nodes.
  async function until(page, test) {
    let nodes = [];
    for (const end = Date.now() + 20000; Date.now() < end; await sleep(100)) {
      nodes = await tree(page);
      if (test(nodes)) return { nodes, ok: true };
    }
    return { nodes, ok: false };
  }
  const named = (nodes, role, name) => nodes.find((n) => n.role === role && n.name === name);

  async function reader(url) {
    const context = await launch();
    const page = await open(context, url, true);
    const prompt = 'Введите код 1го уровня:';
    let { nodes, ok } = await until(page, (ns) => named(ns, 'textbox', prompt));
    check(ok && named(nodes, 'dialog', 'MIRVOLANT'), 'reader: the board is a dialog named MIRVOLANT');
    const field = named(nodes, 'textbox', prompt);
    check(field && field.properties.focused === true,
      `reader: the focused code field is named by its prompt "${prompt}"`);
    // Each of the nine prompts names its field, and is its label.
    const prompts = levelCodes.map((c, i) => `Введите код ${i + 1}го уровня:`);
    const labels = await page.evaluate(() => Array.from(document.querySelectorAll('label[for]'))
      .map((l) => [l.textContent, document.getElementById(l.htmlFor).type]));
    check(prompts.every((p) => named(nodes, 'textbox', p) &&
      labels.some(([text, type]) => text === p && type === 'password')),
      'reader: all nine code fields are password fields named by their prompts, the prompts ' +
      'their labels');
    check(nodes.filter((n) => n.role === 'button' && n.name === 'ОК').length === 9,
      'reader: nine "ОК" buttons');
    check(!nodes.some((n) => n.role === 'canvas' || n.role === 'Canvas'),
      'reader: the canvas itself is hidden from the reader');

    // The first code typed into the focused field of the mirror: the typing
    // goes to the game as keys and text, as today; the field exposes no text.
    const mirrored = await page.evaluate(() => {
      const a = document.activeElement;
      return a && a.id.startsWith('mv-n') && a.type === 'password';
    });
    check(mirrored, 'reader: the page\'s focus is on the mirror\'s password field');
    const code = levelCodes[0];
    await page.keyboard.type(code);
    ({ nodes, ok } = await until(page, (ns) => {
      const f = named(ns, 'textbox', prompt);
      return f && f.value.length === code.length;
    }));
    const typed = named(nodes, 'textbox', prompt);
    check(ok && !typed.value.toLowerCase().includes(code.toLowerCase()) &&
      !/[a-z0-9]/i.test(typed.value),
      `reader: the password field exposes ${code.length} masked characters ` +
      `("${typed && typed.value}"), never the code`);
    // The slot's button pressed as a screen reader does: its element's
    // default action, a click on it (the canvas beneath hears nothing).
    const journalBefore = await page.evaluate(() => Module.mv.records);
    await page.evaluate(() => document.activeElement.parentElement.querySelector('button').click());
    ({ nodes, ok } = await until(page, (ns) => named(ns, 'group', 'OK')));
    check(ok && !named(nodes, 'textbox', prompt),
      'reader: pressed through the mirror, the slot is reported solved (a group named "OK") ' +
      'and its field is gone');
    check(await page.evaluate((n) => Module.mv.records > n, journalBefore),
      'reader: the press is in the journal');

    // The reloaded page replays the journal, the press included.
    await page.reload();
    await page.waitForFunction(() => window.Module && Module.mv && Module.mv.replay &&
      Module.mv.firstFrameMs >= 0, null, { timeout: 30000 });
    ({ nodes, ok } = await until(page, (ns) => named(ns, 'group', 'OK') &&
      named(ns, 'textbox', 'Введите код 2го уровня:')));
    check(ok && !named(nodes, 'textbox', prompt),
      'reader: after a reload the replayed slot is still solved');

    // The other eight codes and the path: a mission's countdown, whose
    // status is read on demand and announced each whole minute; the cost of
    // the mirror per tick.
    await solveBoardFrom(page, 2);
    await enterPath(page, h.roadPath);
    await page.clock.runFor(2000);
    ({ nodes, ok } = await until(page, (ns) => ns.some((n) => /осталось: \d+ сек\./.test(n.name))));
    const modal = nodes.filter((n) => n.role === 'dialog' && n.properties.modal === true);
    check(ok && modal.length === 1,
      `reader: a mission is a modal dialog ("${modal.map((n) => n.name).join('", "')}") with ` +
      'its countdown readable');
    if (!ok || modal.length !== 1) {
      console.log(nodes.filter((n) => n.name).map((n) => `${n.role} "${n.name}"`).join('; '));
    }
    const batches = await page.evaluate(() => Module.mv.mirrorBatches);
    const cost = await countdownCost(page);
    const said = await page.evaluate(() => [Module.mv.mirrorBatches,
      document.querySelector('#mv-mirror [aria-live="polite"]').textContent]);
    check(/осталось: \d+ сек\./.test(said[1]),
      `reader: the whole minute was announced politely ("${said[1]}")`);
    figures.mirror = { batches: said[0] - batches, readerOn: cost };
    await context.close();

    // The countdown's cost with no reader reading (the browser's own
    // accessibility off), and on an earlier build of the page without the
    // mirror, in the same run, to compare.
    const sites = [['page', served.root]];
    if (process.env.BASELINE_SITE) sites.push(['baseline', process.env.BASELINE_SITE]);
    const root = served.root;
    for (const [name, dir] of sites) {
      served.root = dir;
      const other = await launch();
      const p = await open(other, url, true);
      await solveBoard(p);
      await enterPath(p, h.roadPath);
      await p.clock.runFor(2000);
      figures.mirror[name] = await countdownCost(p);
      await other.close();
    }
    served.root = root;
  }

  // The page's own script and task time per second of a countdown, over two
  // minutes of the page's clock (each second a tick with its repaint).
  async function countdownCost(page) {
    const client = await page.context().newCDPSession(page);
    await client.send('Performance.enable');
    const metrics = async () => Object.fromEntries((await client.send('Performance.getMetrics'))
      .metrics.map((m) => [m.name, m.value]));
    const ticks = 120;
    const m0 = await metrics();
    await page.clock.runFor(ticks * 1000);
    await page.waitForFunction(() => Module.mv.wake !== null && Module.mv.queue.length === 0);
    const m1 = await metrics();
    await client.detach();
    return { ticks,
      scriptMsPerTick: +((m1.ScriptDuration - m0.ScriptDuration) * 1000 / ticks).toFixed(3),
      taskMsPerTick: +((m1.TaskDuration - m0.TaskDuration) * 1000 / ticks).toFixed(3) };
  }

  // The board's slots from first on, each reached by Tab from the one solved
  // before it.
  async function solveBoardFrom(page, first) {
    for (let slot = first; slot <= 9; ++slot) {
      await page.keyboard.press('Tab');
      await typeCode(page, levelCodes[slot - 1]);
    }
  }

  return { reader };
};
