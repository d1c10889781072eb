// The web back end's part in the page, put before the compiled code: it
// hands the page's pointer, key, text and paste events to the back end
// (Module.mv.queue, read by Browser.cpp) under the browser's own names (the
// event's type, KeyboardEvent.key and .code), which the back end maps; it
// shows the desktop's picture in the canvas, keeps the journal in the page's
// storage and waits. Typed text comes from the field of the page's mirror
// (mirror.js) that stands for the control being typed in.
//
// The page gives: Module.canvas (the desktop's canvas, whose parent element
// is the viewport) and Module.journalKey (the storage key of the journal's
// first copy; the second is that key and ".copy"). It may set
// Module.onJournalRefused, Module.onReplayFinished, Module.onSaveFailed
// (reason: 'full', 'refused' or 'failed'), Module.onSaved (a save went
// through after one failed) and Module.stopWanted (see mv.stop).
Module.mv = (function () {
  'use strict';
  // Keys whose default action would move the page's focus, scroll it or go
  // back. A paste's keys keep theirs: the browser hands the clipboard's text
  // over only with the paste event that follows.
  var Navigating = {
    Tab: 1, Enter: 1, Escape: 1, Backspace: 1, Delete: 1, ArrowLeft: 1, ArrowRight: 1,
    ArrowUp: 1, ArrowDown: 1, Home: 1, End: 1
  };

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
    // Between the load of a saved journal and the end of its replay.
    replaying: false,
    textWanted: false,
    // Where typed text goes, in desktop pixels, and the mirror's node that
    // stands for it.
    textArea: null,
    textNode: 0,
    // The field a composition is being typed into.
    composingIn: null,
    // Canvas pixels per desktop pixel (more than one while zoomed in).
    density: 1,
    saveFailed: null,
    stopped: false,
    // The files the page fetched for the program, by path (Browser.cpp).
    files: {}
  };
  var canvas = null;
  var context = null;
  // The desktop's picture, one pixel per desktop pixel; the canvas shows it
  // at its density.
  var picture = null;
  var pictureContext = null;
  var composing = null;
  var stopping = null;
  var focusedAtDown = false;

  function modifiers(e) {
    return (e.shiftKey ? 1 : 0) | (e.ctrlKey || e.metaKey ? 2 : 0) | (e.altKey ? 4 : 0);
  }

  function push(input) {
    if (mv.stopped || stopping) return;  // the game went to another tab
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

  // Hands the program a file it reads by path (the page has no file system).
  mv.putFile = function (path, data) { mv.files[path] = new Uint8Array(data); };
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
      x: (e.clientX - r.left) * picture.width / Math.max(1, r.width),
      y: (e.clientY - r.top) * picture.height / Math.max(1, r.height)
    };
  }

  // The mirror's field that takes typed text (null: none). Asked each time:
  // the mirror makes a field anew when its control is shown again.
  function textField() {
    return mv.textWanted ? mv.mirrorElement(mv.textNode) : null;
  }

  function focusField() {
    var field = textField();
    if (field && document.activeElement !== field) mv.focusForToolkit(field);
  }
  mv.focusTextField = focusField;

  // A tap on the field being typed in opens the phone's keyboard again, also
  // after the player put it away while the field kept the focus: a phone
  // opens it on a new focus only. focusedBefore: the field had the focus
  // when the tap began (else the tap gave it a new focus already).
  function refocusField(e, focusedBefore) {
    var a = mv.textArea;
    var p = place(e);
    var field = textField();
    if (focusedBefore && mv.textWanted && a && field && document.activeElement === field &&
        p.x >= a.left && p.y >= a.top && p.x < a.left + a.width && p.y < a.top + a.height) {
      field.blur();
    }
    focusField();
  }

  // A tap on a field other than the one being typed in: the toolkit will
  // give that one the focus, but a phone opens its keyboard only for a focus
  // inside the tap, so the page focuses the field under it at once.
  function focusFieldAt(e) {
    var p = place(e);
    var at = mv.fieldAt(p.x, p.y);
    if (at) mv.focusForToolkit(at);
    else focusField();
  }

  // Keeps the field being typed in in sight when the viewport shrank under
  // it (an on-screen keyboard that makes the page shorter).
  function revealField() {
    var field = textField();
    if (field && document.activeElement === field) {
      field.scrollIntoView({ block: 'center', inline: 'nearest' });
    }
  }

  // The canvas holds as many pixels per desktop pixel as the zoomed screen
  // shows device pixels for it, whole, so that a pinch zoom stays sharp; at
  // most 16 million pixels in all.
  function density() {
    var zoom = window.visualViewport ? window.visualViewport.scale : 1;
    if (!(zoom > 1) || !picture) return 1;
    var most = Math.floor(Math.sqrt(16e6 / Math.max(1, picture.width * picture.height)));
    return Math.max(1, Math.min(most, Math.floor(mv.scale * zoom)));
  }

  function redraw(x, y, w, h) {
    var d = mv.density;
    context.drawImage(picture, x, y, w, h, x * d, y * d, w * d, h * d);
  }

  function rezoom() {
    // Zoomed in, a finger moves the view; at the page's own size it drags
    // windows and two fingers zoom.
    var zoomed = window.visualViewport && window.visualViewport.scale > 1;
    canvas.style.touchAction = zoomed ? 'manipulation' : 'pinch-zoom';
    var d = density();
    if (d === mv.density) return;
    mv.density = d;
    canvas.width = picture.width * d;
    canvas.height = picture.height * d;
    context = canvas.getContext('2d', { alpha: false });
    context.imageSmoothingEnabled = false;
    redraw(0, 0, picture.width, picture.height);
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
      focusedAtDown = textField() !== null && document.activeElement === textField();
      push(pointer(e));
      focusFieldAt(e);
    });
    canvas.addEventListener('pointermove', function (e) {
      if (e.isPrimary) push(pointer(e));
    });
    canvas.addEventListener('pointerup', function (e) {
      if (!e.isPrimary) return;
      push(pointer(e));
      if (e.pointerType === 'mouse') focusFieldAt(e);
      else refocusField(e, focusedAtDown);
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
      // Ctrl+A would select the page's text; a space would click a button
      // of the mirror as well as the toolkit's key.
      if (Navigating[e.key] || (e.code === 'KeyA' && (mods & 2)) ||
          (e.key === ' ' && e.target.tagName === 'BUTTON' && e.target.mvNode)) {
        e.preventDefault();
      }
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

    // Typing into a field of the mirror: what it typed goes to the game as
    // keys and text, and the field shows again what the game holds (the
    // game's answer, a change of its value, follows).
    function typed(e) { return e.target.mvNode && /^(INPUT|TEXTAREA)$/.test(e.target.tagName); }
    document.addEventListener('compositionstart', function (e) {
      if (!typed(e)) return;
      composing = '';
      mv.composingIn = e.target;
    });
    document.addEventListener('compositionupdate', function (e) {
      if (typed(e)) composeTo(e.data);
    });
    document.addEventListener('compositionend', function (e) {
      if (!typed(e)) return;
      composeTo(e.data);
      composing = null;
      mv.composingIn = null;
      mv.restoreField(e.target);
    });
    document.addEventListener('input', function (e) {
      if (!typed(e) || composing !== null || e.isComposing) return;
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
        case 'insertReplacementText':
        case '':
        case undefined:
          // The whole value set at once (an autofill, a screen reader's
          // editing): the field's new text.
          mv.setFieldText(e.target);
          break;
        default:
          // Deletions the game made already by its keys (a cut) change
          // nothing here.
          if (e.data) push({ type: 'text', text: e.data });
          break;
      }
      mv.restoreField(e.target);
    });

    window.addEventListener('resize', function () {
      var v = mv.viewport();
      push({ type: 'resize', width: v.width, height: v.height, ratio: v.ratio });
      revealField();
    });
    if (window.visualViewport) {
      window.visualViewport.addEventListener('resize', function () {
        rezoom();
        revealField();
      });
    }
    window.addEventListener('focus', function () { push({ type: 'focus' }); });
    window.addEventListener('blur', function () { push({ type: 'blur' }); });
  }

  mv.start = function () {
    canvas = Module.canvas;
    context = canvas.getContext('2d', { alpha: false });
    mv.startMirror(push);
    picture = document.createElement('canvas');
    pictureContext = picture.getContext('2d', { alpha: false });
    listen();
    if (Module.stopWanted) mv.stop(Module.stopWanted);
  };

  // Stops the game once everything that came in was handled and saved:
  // then calls then() and never wakes the program again (its journal is
  // complete in the storage, for another tab to replay).
  mv.stop = function (then) {
    stopping = then;
    // Asleep with nothing to handle: all of it is saved already.
    if (mv.wake && !mv.queue.length) stopNow();
  };
  function stopNow() {
    var then = stopping;
    stopping = null;
    mv.stopped = true;
    mv.wake = null;
    then();
  }

  mv.sleep = function (ms, wakeUp) {
    if (stopping && !mv.queue.length) {
      stopNow();
      return;
    }
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
    picture.width = width;
    picture.height = height;
    pictureContext = picture.getContext('2d', { alpha: false });
    mv.scale = scale;
    mv.density = density();
    canvas.width = width * mv.density;
    canvas.height = height * mv.density;
    canvas.style.width = (width * scale / ratio) + 'px';
    canvas.style.height = (height * scale / ratio) + 'px';
    context = canvas.getContext('2d', { alpha: false });
    context.imageSmoothingEnabled = false;
    mv.placeMirror();
  };

  mv.show = function (pixels, width, height, rects) {
    var image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
      width, height);
    for (var i = 0; i < rects.length; i += 4) {
      pictureContext.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
      redraw(rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
    }
    if (mv.firstFrameMs < 0) {
      mv.firstFrameMs = performance.now();
      if (Module.onFirstFrame) Module.onFirstFrame();
    }
  };

  // --- The journal in the page's storage: two copies (see WebPlatform.h),
  // and the journals set aside, each under a key of its own.
  function key(copy) { return Module.journalKey + (copy ? '.copy' : ''); }
  // The storage, or an exception: a page whose storage is refused (another
  // site's frame, cookies blocked) throws already on asking for it.
  function storage() { return window.localStorage; }
  function why(e) {
    if (e && (e.name === 'QuotaExceededError' || e.name === 'NS_ERROR_DOM_QUOTA_REACHED' ||
      e.code === 22)) return 'full';
    if (e && e.name === 'SecurityError') return 'refused';
    return 'failed';
  }
  function failed(reason) {
    mv.saveFailed = reason;
    if (Module.onSaveFailed) Module.onSaveFailed(reason);
  }
  mv.loadJournal = function (copy) {
    var text = '';
    try { text = storage().getItem(key(copy)) || ''; } catch (e) { /* told at the first save */ }
    if (text) mv.replaying = true;
    return text;
  };
  mv.saveJournal = function (copy, text) {
    if (mv.stopped) return false;
    if (mv.keepAside) {
      failed(mv.keepAside);
      return false;
    }
    try {
      storage().setItem(key(copy), text);
    } catch (e) {
      failed(why(e));
      return false;
    }
    if (mv.saveFailed) {
      mv.saveFailed = null;
      if (Module.onSaved) Module.onSaved();
    }
    return true;
  };
  // Moves the saved journal's copies aside (kept, never replayed again);
  // false when the storage would not take them, and then the new game is not
  // saved over them.
  mv.setAside = function () {
    try {
      var s = storage();
      var stamp = Date.now();
      for (var copy = 0; copy < 2; ++copy) {
        var text = s.getItem(key(copy));
        if (text) s.setItem(Module.journalKey + '.aside.' + stamp + (copy ? '.copy' : ''), text);
      }
      s.removeItem(key(0));
      s.removeItem(key(1));
      return true;
    } catch (e) {
      mv.keepAside = why(e);
      return false;
    }
  };
  // Forgets the game: the player started over, or the game ended.
  mv.forget = function () {
    mv.stopped = true;
    try {
      storage().removeItem(key(0));
      storage().removeItem(key(1));
    } catch (e) { /* nothing was kept */ }
  };
  // Asks the browser once to keep the page's storage when it runs short of
  // room, on the first sign of a game worth keeping.
  function askToKeep() {
    if (mv.askedToKeep || !navigator.storage || !navigator.storage.persist) return;
    mv.askedToKeep = true;
    navigator.storage.persisted().then(function (kept) {
      if (!kept) return navigator.storage.persist();
    }).catch(function () { /* the browser decides */ });
  }
  mv.setTextInput = function (wanted, left, top, width, height, node) {
    // The field being typed in went away: in this game, a code was solved.
    if (mv.textWanted && !wanted) askToKeep();
    var before = textField();
    mv.textWanted = wanted;
    mv.textArea = wanted ? { left: left, top: top, width: width, height: height } : null;
    mv.textNode = wanted ? node : 0;
    if (wanted) focusField();
    else if (before && document.activeElement === before) before.blur();
  };
  mv.journalRefused = function () {
    mv.replaying = false;
    var kept = mv.setAside();
    if (Module.onJournalRefused) Module.onJournalRefused(kept);
  };
  mv.replayFinished = function (ms, records) {
    mv.replaying = false;
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

// Asyncify tracks every call from JavaScript into the compiled code, to know
// which call to resume after a wait; only the outermost one matters. The
// calls made while compiled code runs (two for each call that may throw a C++
// exception: the stack's place and the call through the table) go straight
// through, which makes a journal's replay about a quarter faster. Done before
// the compiled code arrives: its instantiation resolves after this script.
Module.preInit = [].concat(Module.preInit || [], function () {
  if (typeof Asyncify !== 'object' || !Asyncify.instrumentWasmExports) return;
  var track = Asyncify.instrumentWasmExports;
  Asyncify.instrumentWasmExports = function (exports) {
    var tracked = track(exports);
    var calls = {};
    Object.keys(tracked).forEach(function (name) {
      var direct = exports[name];
      var outermost = tracked[name];
      calls[name] = typeof direct !== 'function' ? outermost : function () {
        return (Asyncify.exportCallStack.length ? direct : outermost).apply(null, arguments);
      };
    });
    return calls;
  };
});
