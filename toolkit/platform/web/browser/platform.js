// The web back end's part in the page, put before the compiled code: it
// hands the page's pointer, key, text and paste events to the back end
// (Module.mv.queue, read by Browser.cpp) under the browser's own names (the
// event's type, KeyboardEvent.key and .code), which the back end maps; it
// shows the desktop's picture in the canvas, keeps the journal in the page's
// storage and waits.
//
// The page gives: Module.canvas (the desktop's canvas, whose parent element
// is the viewport), Module.journalKey (the storage key of the journal) and
// Module.programId (the program's name and version, kept in the journal).
// It may set Module.onJournalRefused and Module.onReplayFinished.
Module.mv = (function () {
  'use strict';
  // Keys whose default action would move the page's focus, scroll it or go
  // back. A paste's keys keep theirs: the browser hands the clipboard's text
  // over only with the paste event that follows.
  var Navigating = {
    Tab: 1, Enter: 1, Escape: 1, Backspace: 1, Delete: 1, ArrowLeft: 1, ArrowRight: 1,
    ArrowUp: 1, ArrowDown: 1, Home: 1, End: 1
  };
  // What the hidden field holds between inputs: a backspace on a phone's
  // keyboard needs something to delete before the page hears of it.
  var Rest = '  ';

  var mv = {
    queue: [],
    wake: null,
    strings: [],
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
    mv.queue.push(input);
    if (mv.wake) mv.wake();
  }

  // A key the user pressed on a keyboard the page does not see as one (a
  // phone's), down and up.
  function pushKey(key) {
    push({ type: 'keydown', key: key });
    push({ type: 'keyup', key: key });
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
    for (var i = same; i < before.length; ++i) pushKey('Backspace');
    if (after.length > same) push({ type: 'text', text: after.slice(same).join('') });
    composing = next || '';
  }

  // A pointer event in desktop pixels.
  function pointer(e) {
    var p = place(e);
    return {
      type: e.type, x: p.x, y: p.y, button: [1, 3, 2][e.button] || 0,
      touch: e.pointerType !== 'mouse', modifiers: modifiers(e)
    };
  }

  function listen() {
    canvas.addEventListener('pointerdown', function (e) {
      if (!e.isPrimary) return;
      e.preventDefault();
      try { canvas.setPointerCapture(e.pointerId); } catch (err) { /* gone already */ }
      push(pointer(e));
      focusField();
    });
    canvas.addEventListener('pointermove', function (e) {
      if (e.isPrimary) push(pointer(e));
    });
    canvas.addEventListener('pointerup', function (e) {
      if (!e.isPrimary) return;
      push(pointer(e));
      focusField();
    });
    canvas.addEventListener('pointercancel', function (e) { push({ type: e.type }); });
    canvas.addEventListener('pointerleave', function (e) {
      if (e.pointerType === 'mouse') push({ type: e.type });
    });
    // A tap is a click: some phones open their keyboard only from one.
    canvas.addEventListener('click', focusField);
    canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });

    window.addEventListener('keydown', function (e) {
      // A composition's keys reach the page as its text.
      if (e.isComposing || e.keyCode === 229) return;
      var mods = modifiers(e);
      // Ctrl+A would select the page's text.
      if (Navigating[e.key] || (e.code === 'KeyA' && (mods & 2))) e.preventDefault();
      push({ type: e.type, key: e.key, code: e.code, modifiers: mods, repeat: e.repeat });
    }, true);
    window.addEventListener('keyup', function (e) {
      push({ type: e.type, key: e.key, code: e.code, modifiers: modifiers(e) });
    }, true);
    document.addEventListener('paste', function (e) {
      var text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
      e.preventDefault();
      push({ type: 'paste', text: text });
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
          pushKey('Enter');
          break;
        case 'deleteContentBackward':
          pushKey('Backspace');
          break;
        case 'deleteContentForward':
          pushKey('Delete');
          break;
        default:
          if (e.data) push({ type: 'text', text: e.data });
          break;
      }
      resetField();
    });

    window.addEventListener('resize', function () {
      var v = mv.viewport();
      push({ type: 'resize', width: v.width, height: v.height, ratio: v.ratio });
    });
    window.addEventListener('focus', function () { push({ type: 'focus' }); });
    window.addEventListener('blur', function () { push({ type: 'blur' }); });
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
