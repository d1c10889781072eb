// The web back end's part in the page, put before the compiled code: it
// turns the page's pointer, key and text events into the back end's input
// (Module.mv.queue, read by Browser.cpp), shows the desktop's picture in the
// canvas, keeps the journal in the page's storage and waits.
//
// The page gives: Module.canvas (the desktop's canvas, whose parent element
// is the viewport), Module.journalKey (the storage key of the journal) and
// Module.programId (the program's name and version, kept in the journal).
// It may set Module.onJournalRefused and Module.onReplayFinished.
Module.mv = (function () {
  'use strict';
  // The back end's kinds of input (RawInput::Kind) and keys (Key).
  var Kind = {
    PointerDown: 0, PointerMove: 1, PointerUp: 2, PointerCancel: 3, PointerLeave: 4,
    KeyDown: 5, KeyUp: 6, Text: 7, Paste: 8, Resize: 9, PageFocus: 10, PageBlur: 11
  };
  var Keys = {
    Tab: 1, Enter: 2, Escape: 3, Backspace: 4, Delete: 5, ArrowLeft: 6, ArrowRight: 7,
    ArrowUp: 8, ArrowDown: 9, Home: 10, End: 11, ' ': 12, Insert: 13
  };
  // Letters by the key's place, whatever the keyboard layout types there.
  var Letters = { KeyA: 14, KeyC: 15, KeyV: 16, KeyX: 17 };
  // Keys whose default action in the page must not happen.
  var Handled = { 1: 1, 2: 1, 3: 1, 4: 1, 5: 1, 6: 1, 7: 1, 8: 1, 9: 1, 10: 1, 11: 1 };
  // What the hidden field holds between inputs: a backspace on a phone's
  // keyboard needs something to delete before the page hears of it.
  var Rest = '  ';

  var mv = {
    queue: [],
    wake: null,
    text: '',
    journal: '',
    clock: 0,
    records: 0,
    scale: 1,
    windows: [],
    firstFrameMs: -1,
    replay: null,
    textWanted: false
  };
  var canvas = null;
  var context = null;
  var field = null;
  var composing = null;

  function modifiers(e) {
    return (e.shiftKey ? 1 : 0) | (e.ctrlKey || e.metaKey ? 2 : 0) | (e.altKey ? 4 : 0);
  }

  function push(input) {
    input.wallMs = Date.now();
    var last = mv.queue[mv.queue.length - 1];
    // Pointer moves the back end has not read yet: the latest is enough.
    if (input.kind === Kind.PointerMove && last && last.kind === Kind.PointerMove) {
      mv.queue[mv.queue.length - 1] = input;
    } else {
      mv.queue.push(input);
    }
    if (mv.wake) mv.wake();
  }

  function pushKey(kind, key, mods, repeat) {
    push({ kind: kind, key: key, modifiers: mods, repeat: repeat });
  }

  mv.viewport = function () {
    var box = canvas && canvas.parentElement ? canvas.parentElement : document.documentElement;
    var ratio = window.devicePixelRatio || 1;
    return {
      width: Math.max(1, Math.round(box.clientWidth * ratio)),
      height: Math.max(1, Math.round(box.clientHeight * ratio)),
      ratio: ratio
    };
  };

  // Desktop pixels of a pointer event.
  function place(e) {
    var r = canvas.getBoundingClientRect();
    return {
      x: (e.clientX - r.left) * canvas.width / Math.max(1, r.width),
      y: (e.clientY - r.top) * canvas.height / Math.max(1, r.height)
    };
  }

  function focusField() {
    if (mv.textWanted && document.activeElement !== field) field.focus({ preventScroll: true });
  }

  function resetField() {
    field.value = Rest;
    field.setSelectionRange(Rest.length, Rest.length);
  }

  // Typed text from a composition (a phone's keyboard, an input method):
  // what changed since the last update, as backspaces and new characters.
  function composeTo(next) {
    var before = Array.from(composing || '');
    var after = Array.from(next || '');
    var same = 0;
    while (same < before.length && same < after.length && before[same] === after[same]) ++same;
    for (var i = same; i < before.length; ++i) {
      pushKey(Kind.KeyDown, Keys.Backspace, 0, false);
      pushKey(Kind.KeyUp, Keys.Backspace, 0, false);
    }
    if (after.length > same) push({ kind: Kind.Text, text: after.slice(same).join('') });
    composing = next || '';
  }

  function listen() {
    canvas.addEventListener('pointerdown', function (e) {
      if (!e.isPrimary) return;
      e.preventDefault();
      try { canvas.setPointerCapture(e.pointerId); } catch (err) { /* gone already */ }
      var p = place(e);
      push({
        kind: Kind.PointerDown, x: p.x, y: p.y, button: [1, 3, 2][e.button] || 0,
        touch: e.pointerType !== 'mouse', modifiers: modifiers(e)
      });
      focusField();
    });
    canvas.addEventListener('pointermove', function (e) {
      if (!e.isPrimary) return;
      var p = place(e);
      push({ kind: Kind.PointerMove, x: p.x, y: p.y, touch: e.pointerType !== 'mouse' });
    });
    canvas.addEventListener('pointerup', function (e) {
      if (!e.isPrimary) return;
      var p = place(e);
      push({
        kind: Kind.PointerUp, x: p.x, y: p.y, button: [1, 3, 2][e.button] || 0,
        touch: e.pointerType !== 'mouse', modifiers: modifiers(e)
      });
      focusField();
    });
    canvas.addEventListener('pointercancel', function () { push({ kind: Kind.PointerCancel }); });
    canvas.addEventListener('pointerleave', function (e) {
      if (e.pointerType === 'mouse') push({ kind: Kind.PointerLeave });
    });
    // A tap is a click: some phones open their keyboard only from one.
    canvas.addEventListener('click', focusField);
    canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });

    window.addEventListener('keydown', function (e) {
      if (e.isComposing || e.keyCode === 229) return;
      var mods = modifiers(e);
      var key = Keys[e.key] || Letters[e.code] || 0;
      if (!key) return;
      // Pasting: the browser hands the text over only with its paste event,
      // which follows when the key's default action is left alone.
      if ((key === Letters.KeyV && (mods & 2)) || (key === Keys.Insert && mods === 1)) return;
      if (Handled[key] || (key === Letters.KeyA && (mods & 2))) e.preventDefault();
      pushKey(Kind.KeyDown, key, mods, e.repeat);
    }, true);
    window.addEventListener('keyup', function (e) {
      var key = Keys[e.key] || Letters[e.code] || 0;
      if (key) pushKey(Kind.KeyUp, key, modifiers(e), false);
    }, true);
    document.addEventListener('paste', function (e) {
      var text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
      e.preventDefault();
      push({ kind: Kind.Paste, text: text });
    });

    field.addEventListener('compositionstart', function () { composing = ''; });
    field.addEventListener('compositionupdate', function (e) { composeTo(e.data); });
    field.addEventListener('compositionend', function (e) {
      composeTo(e.data);
      composing = null;
      resetField();
    });
    field.addEventListener('input', function (e) {
      if (composing !== null || e.isComposing) return;
      switch (e.inputType) {
        case 'insertCompositionText':
        case 'deleteCompositionText':
          return;
        case 'insertLineBreak':
        case 'insertParagraph':
          pushKey(Kind.KeyDown, Keys.Enter, 0, false);
          pushKey(Kind.KeyUp, Keys.Enter, 0, false);
          break;
        case 'deleteContentBackward':
          pushKey(Kind.KeyDown, Keys.Backspace, 0, false);
          pushKey(Kind.KeyUp, Keys.Backspace, 0, false);
          break;
        case 'deleteContentForward':
          pushKey(Kind.KeyDown, Keys.Delete, 0, false);
          pushKey(Kind.KeyUp, Keys.Delete, 0, false);
          break;
        default:
          if (e.data) push({ kind: Kind.Text, text: e.data });
          break;
      }
      resetField();
    });

    window.addEventListener('resize', function () {
      var v = mv.viewport();
      push({ kind: Kind.Resize, width: v.width, height: v.height, ratio: v.ratio });
    });
    window.addEventListener('focus', function () { push({ kind: Kind.PageFocus }); });
    window.addEventListener('blur', function () { push({ kind: Kind.PageBlur }); });
  }

  mv.start = function () {
    canvas = Module.canvas;
    context = canvas.getContext('2d', { alpha: false });
    field = document.createElement('textarea');
    field.setAttribute('autocomplete', 'off');
    field.setAttribute('autocorrect', 'off');
    field.setAttribute('autocapitalize', 'off');
    field.setAttribute('spellcheck', 'false');
    field.setAttribute('aria-hidden', 'true');
    field.tabIndex = -1;
    // Out of sight but focusable; 16 px text keeps a phone from zooming in.
    field.style.cssText = 'position:fixed;left:0;top:0;width:1px;height:1px;opacity:0;' +
      'border:0;padding:0;margin:0;resize:none;overflow:hidden;font-size:16px;' +
      'pointer-events:none;z-index:-1';
    document.body.appendChild(field);
    resetField();
    listen();
  };

  mv.sleep = function (ms, wakeUp) {
    var timer = 0;
    var done = function () {
      if (mv.wake !== done) return;
      mv.wake = null;
      if (timer) clearTimeout(timer);
      try {
        wakeUp();
      } catch (e) {
        // The program's end leaves by an exception of the runtime's own.
        if (!(e instanceof ExitStatus) && e !== 'unwind') throw e;
      }
    };
    mv.wake = done;
    // Input that came meanwhile ends the wait at once, but never inside the
    // call that suspends the compiled code.
    if (mv.queue.length) setTimeout(done, 0);
    else if (ms >= 0) timer = setTimeout(done, ms);
  };

  mv.setSurface = function (width, height, scale) {
    var ratio = window.devicePixelRatio || 1;
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = (width * scale / ratio) + 'px';
    canvas.style.height = (height * scale / ratio) + 'px';
    mv.scale = scale;
    context = canvas.getContext('2d', { alpha: false });
  };

  mv.show = function (picture, width, height, rects) {
    var image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, picture, width * height * 4),
      width, height);
    for (var i = 0; i < rects.length; i += 4) {
      context.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
    }
    if (mv.firstFrameMs < 0) mv.firstFrameMs = performance.now();
  };

  mv.program = function () { return String(Module.programId || 'program'); };
  mv.loadJournal = function () {
    try { return localStorage.getItem(Module.journalKey) || ''; } catch (e) { return ''; }
  };
  mv.saveJournal = function (text) {
    try { localStorage.setItem(Module.journalKey, text); } catch (e) { mv.saveFailed = true; }
  };
  mv.setTextInput = function (wanted) {
    mv.textWanted = wanted;
    if (!field) return;
    if (wanted) focusField();
    else if (document.activeElement === field) field.blur();
  };
  mv.journalRefused = function () {
    if (Module.onJournalRefused) Module.onJournalRefused();
  };
  mv.replayFinished = function (ms, records) {
    mv.replay = { ms: ms, records: records };
    if (Module.onReplayFinished) Module.onReplayFinished(ms, records);
  };
  mv.publish = function (clock, records, scale, windows) {
    mv.clock = clock;
    mv.records = records;
    mv.scale = scale;
    mv.windows = windows;
  };
  return mv;
})();
Module.preRun = Module.preRun || [];
Module.preRun.push(function () { Module.mv.start(); });
