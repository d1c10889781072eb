// The CPU time of processes, read from /proc: the browser test and the page's
// figures script both measure what a page costs while it idles.
'use strict';
const fs = require('fs');

// CPU seconds of processes (user + system); a process that is gone counts 0.
function cpuSeconds(pids) {
  let ticks = 0;
  for (const pid of pids) {
    try {
      const f = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      ticks += Number(f[11]) + Number(f[12]);
    } catch (e) { /* gone */ }
  }
  // Linux counts them in hundredths of a second.
  return ticks / 100;
}

// The processes whose command line holds text (e.g. a browser profile's folder).
function processesWith(text) {
  return fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p)).filter((p) => {
    try { return fs.readFileSync(`/proc/${p}/cmdline`, 'utf8').includes(text); }
    catch (e) { return false; }
  });
}

module.exports = { cpuSeconds, processesWith };
