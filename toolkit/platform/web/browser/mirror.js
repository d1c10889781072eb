// The page's mirror for assistive technology, put before the compiled code
// after platform.js. The canvas is hidden from screen readers; over it lie
// real elements that stand for the drawn dialogs and controls (a dialog
// element per window with a label, input fields, buttons, labels bound to
// the fields they name, a live region for announcements), unseen but placed
// exactly over what is drawn, so that a screen reader reads them, a
// magnifier follows them and a phone keeps the field being typed in above
// its keyboard. The back end sends what changed (toolkit/platform/web/
// DomMirror.h); what the user asks of an element comes back as input of the
// kind 'access': press a button, focus a field, or fill it.
(function (mv) {
  'use strict';
  // Actions and states as the toolkit numbers them.
  var Press = 0, Focus = 1, SetText = 2;
  var Disabled = 1 << 2, ReadOnly = 1 << 3, MultiLine = 1 << 5;

  var root = null;
  var polite = null;
  var assertive = null;
  // The window elements by window, and every element by node.
  var windows = {};
  var nodes = {};
  // The element the page is focusing itself (not the user through assistive
  // technology).
  var focusing = null;
  // Time spent applying changes, for the page's figures.
  mv.mirrorMs = 0;
  mv.mirrorBatches = 0;

  mv.mirroring = function () { return root !== null; };

  // CSS pixels per desktop pixel.
  function css() { return mv.scale / (window.devicePixelRatio || 1); }

  // Sets an element's box in CSS pixels, touching only what changed.
  function box(el, left, top, width, height) {
    var c = css();
    var text = 'left:' + left * c + 'px;top:' + top * c + 'px;width:' + width * c + 'px;height:' +
      height * c + 'px';
    if (el.mvBox === text) return;
    el.mvBox = text;
    el.style.left = left * c + 'px';
    el.style.top = top * c + 'px';
    el.style.width = width * c + 'px';
    el.style.height = height * c + 'px';
  }

  function place(el) {
    var at = el.mvNode.b;
    var parent = el.parentNode && el.parentNode.mvNode;
    var origin = parent && parent.b ? parent.b : [0, 0];
    box(el, at[0] - origin[0], at[1] - origin[1], at[2], at[3]);
  }

  function placeWindow(el) {
    var m = el.mvNode;
    box(el, m.x, m.y, m.b[2], m.b[3]);
    if (el.style.zIndex !== String(m.z)) el.style.zIndex = String(m.z);
  }

  // Everything again at another scale.
  mv.placeMirror = function () {
    if (!root) return;
    var canvas = Module.canvas;
    root.style.left = canvas.offsetLeft + 'px';
    root.style.top = canvas.offsetTop + 'px';
    Object.keys(windows).forEach(function (w) { placeWindow(windows[w]); });
    Object.keys(nodes).forEach(function (id) {
      if (nodes[id].mvNode.parent) place(nodes[id]);
    });
  };

  function setAttribute(el, name, value) {
    if (value === null || value === '' || value === false) {
      if (el.hasAttribute(name)) el.removeAttribute(name);
    } else if (el.getAttribute(name) !== String(value)) {
      el.setAttribute(name, value);
    }
  }

  function setText(el, text) {
    if (el.textContent !== text) el.textContent = text;
  }

  // The element a role becomes.
  function make(op) {
    var el;
    switch (op.role) {
      case 'label':
        el = document.createElement(op.label ? 'label' : 'div');
        break;
      case 'textfield':
      case 'passwordfield':
        el = document.createElement('input');
        el.type = op.role === 'passwordfield' ? 'password' : 'text';
        el.setAttribute('autocomplete', 'off');
        el.setAttribute('autocorrect', 'off');
        el.setAttribute('autocapitalize', 'off');
        el.setAttribute('spellcheck', 'false');
        el.setAttribute('enterkeyhint', 'enter');
        break;
      case 'textarea':
        el = document.createElement('textarea');
        break;
      case 'pushbutton':
        el = document.createElement('button');
        el.type = 'button';
        break;
      case 'image':
        el = document.createElement('div');
        el.setAttribute('role', 'img');
        break;
      default:
        el = document.createElement('div');
        break;
    }
    el.id = 'mv-n' + op.id;
    el.className = 'mv-node';
    // Tab is the toolkit's: the browser's own order never lands here; what
    // cannot take the focus is not made focusable.
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA' || el.tagName === 'BUTTON') {
      el.tabIndex = -1;
    }
    return el;
  }

  function isField(el) {
    return el.tagName === 'INPUT' || el.tagName === 'TEXTAREA';
  }

  // The field's text and selection as the toolkit last told them; not while
  // a composition is typed into it.
  mv.restoreField = function (el) {
    var m = el.mvNode;
    if (!m || el === mv.composingIn) return;
    if (el.value !== m.value) el.value = m.value;
    if (document.activeElement === el && m.sel[0] >= 0) {
      var backward = m.sel[2] === m.sel[0] && m.sel[0] !== m.sel[1];
      try {
        el.setSelectionRange(m.sel[0], m.sel[1], backward ? 'backward' : 'forward');
      } catch (e) { /* a field without selection */ }
    }
  };

  function update(el, op) {
    el.mvNode = op;
    var named = op.name;
    switch (op.role) {
      case 'label':
        setAttribute(el, 'for', op.label ? 'mv-n' + op.label : null);
        setText(el, op.name);
        break;
      case 'status':
        setText(el, op.name);
        break;
      case 'panel':
        setAttribute(el, 'role', op.name ? 'group' : null);
        setAttribute(el, 'aria-label', op.name);
        break;
      case 'pushbutton':
        setText(el, op.name);
        break;
      case 'image':
        setAttribute(el, 'aria-label', op.name);
        break;
      default:
        if (isField(el)) {
          setAttribute(el, 'aria-label', named);
          el.readOnly = (op.states & ReadOnly) !== 0;
          setAttribute(el, 'aria-multiline', (op.states & MultiLine) !== 0 ? 'true' : null);
          mv.restoreField(el);
        }
        break;
    }
    setAttribute(el, 'aria-description', op.desc);
    // Disabled, but still read: never the attribute that takes it out of reach.
    setAttribute(el, 'aria-disabled', (op.states & Disabled) !== 0 ? 'true' : null);
    place(el);
  }

  function windowOp(op) {
    var el = windows[op.w];
    if (el && op['new']) {
      drop(el);
      el = null;
    }
    if (!el) {
      el = document.createElement('div');
      el.id = 'mv-n' + op.id;
      el.className = 'mv-window';
      el.tabIndex = -1;
      el.mvNode = { w: op.w, id: op.id, x: 0, y: 0, z: 0, b: [0, 0, 0, 0] };
      windows[op.w] = el;
      nodes[op.id] = el;
      root.appendChild(el);
    }
    var m = el.mvNode;
    m.b = op.b;
    m.role = op.role;
    setAttribute(el, 'role', op.role);
    setAttribute(el, 'aria-label', op.name);
    setAttribute(el, 'aria-description', op.desc);
    setAttribute(el, 'aria-modal', op.modal ? 'true' : null);
    // Beneath a modal dialog: nothing in it can be reached.
    el.inert = !!op.inert;
    placeWindow(el);
  }

  function drop(el) {
    el.querySelectorAll('[id^="mv-n"]').forEach(function (child) {
      delete nodes[child.id.slice(4)];
    });
    delete nodes[el.mvNode.id];
    if (el === mv.composingIn) mv.composingIn = null;
    el.remove();
  }

  function nodeOp(op) {
    var el = nodes[op.id];
    var parent = nodes[op.parent];
    if (!parent) return;
    if (el && (el.mvNode.role !== op.role || (op.role === 'label' && !op.label !== !el.mvNode.label))) {
      drop(el);
      el = null;
    }
    if (!el) {
      el = make(op);
      nodes[op.id] = el;
    }
    if (el.parentNode !== parent) parent.appendChild(el);
    update(el, op);
  }

  // Focuses el for the toolkit, not as a request of the user's.
  mv.focusForToolkit = function (el) {
    if (!el || document.activeElement === el) return;
    focusing = el;
    try { el.focus(); } finally { focusing = null; }
  };

  // Whether the page's focus may be moved by the game: it is not in the
  // page's own controls (a question it asks, say).
  function focusIsOurs() {
    var a = document.activeElement;
    return !a || a === document.body || a === Module.canvas || root.contains(a);
  }

  function say(op) {
    var region = op.assertive ? assertive : polite;
    // A new element each time, so that the same words are said again.
    var line = document.createElement('div');
    line.textContent = op.text;
    region.replaceChildren(line);
  }

  mv.mirror = function (ops) {
    var started = performance.now();
    for (var i = 0; i < ops.length; ++i) {
      var op = ops[i];
      switch (op.o) {
        case 'win':
          windowOp(op);
          break;
        case 'node':
          nodeOp(op);
          break;
        case 'drop':
          if (nodes[op.id]) drop(nodes[op.id]);
          break;
        case 'order': {
          var parent = nodes[op.id];
          if (!parent) break;
          op.kids.forEach(function (kid) {
            if (nodes[kid]) parent.appendChild(nodes[kid]);
          });
          break;
        }
        case 'hide':
          if (windows[op.w]) drop(windows[op.w]);
          delete windows[op.w];
          break;
        case 'focus':
          mv.focusedNode = op.id;
          if (nodes[op.id] && focusIsOurs()) mv.focusForToolkit(nodes[op.id]);
          break;
        case 'say':
          say(op);
          break;
        case 'place':
          if (windows[op.w]) {
            windows[op.w].mvNode.x = op.x;
            windows[op.w].mvNode.y = op.y;
            windows[op.w].mvNode.z = op.z;
            placeWindow(windows[op.w]);
          }
          break;
      }
    }
    // The field being typed in went away with the focus and came back anew
    // (its control hidden and shown again): it takes the focus again.
    var a = document.activeElement;
    if (mv.textWanted && (!a || a === document.body) && mv.focusTextField) mv.focusTextField();
    mv.mirrorMs += performance.now() - started;
    ++mv.mirrorBatches;
  };

  mv.mirrorElement = function (node) { return nodes[node] || null; };

  // The mirror's field that lies under a point of the desktop, in the window
  // on top there; null where there is none.
  mv.fieldAt = function (x, y) {
    var best = null;
    var bestZ = -1;
    Object.keys(windows).forEach(function (w) {
      var win = windows[w].mvNode;
      if (win.z < bestZ || x < win.x || y < win.y || x >= win.x + win.b[2] || y >= win.y + win.b[3]) {
        return;
      }
      bestZ = win.z;
      best = null;
      windows[w].querySelectorAll('input, textarea').forEach(function (f) {
        var b = f.mvNode.b;
        if (x >= win.x + b[0] && y >= win.y + b[1] && x < win.x + b[0] + b[2] &&
            y < win.y + b[1] + b[3]) {
          best = f;
        }
      });
    });
    return best;
  };

  mv.startMirror = function (push) {
    var canvas = Module.canvas;
    canvas.setAttribute('aria-hidden', 'true');
    root = document.createElement('div');
    root.id = 'mv-mirror';
    var style = document.createElement('style');
    // Unseen (opacity, unlike display or visibility, leaves it in what
    // assistive technology reads), and the pointer goes through to the
    // canvas. 16 px text keeps a phone from zooming in on a field.
    style.textContent =
      '#mv-mirror{position:absolute;left:0;top:0;width:0;height:0;pointer-events:none;' +
      'opacity:0}' +
      '#mv-mirror .mv-window,#mv-mirror .mv-node{position:absolute;box-sizing:border-box;' +
      'margin:0;padding:0;border:0;overflow:hidden;white-space:pre-line;font-size:16px;' +
      'line-height:1;color:transparent;background:transparent;outline:none;' +
      'caret-color:transparent;resize:none;pointer-events:none;user-select:text;' +
      '-webkit-user-select:text}' +
      '#mv-mirror .mv-live{position:absolute;left:0;top:0;width:1px;height:1px;overflow:hidden}' +
      // What changes inside an element (a countdown's text) is laid out
      // there alone.
      '#mv-mirror .mv-window,#mv-mirror .mv-node{contain:strict}';
    root.appendChild(style);
    polite = document.createElement('div');
    polite.className = 'mv-live';
    polite.setAttribute('aria-live', 'polite');
    assertive = document.createElement('div');
    assertive.className = 'mv-live';
    assertive.setAttribute('aria-live', 'assertive');
    root.appendChild(polite);
    root.appendChild(assertive);
    canvas.parentElement.appendChild(root);

    // What the user asks through assistive technology.
    root.addEventListener('click', function (e) {
      var el = e.target.closest && e.target.closest('.mv-node');
      var m = el && el.mvNode;
      if (m && (m.actions & (1 << Press))) push({ type: 'access', node: m.id, action: Press });
    });
    root.addEventListener('focusin', function (e) {
      var m = e.target.mvNode;
      if (e.target === focusing || !m || m.id === mv.focusedNode) return;
      var actions = e.target.classList.contains('mv-window') ? 1 << Focus : m.actions;
      if (actions & (1 << Focus)) push({ type: 'access', node: m.id, action: Focus });
    });
    // A value set all at once (an autofill, a screen reader's own editing):
    // the field's new text, as typing it would give.
    mv.setFieldText = function (el) {
      var m = el.mvNode;
      if (m && (m.actions & (1 << SetText))) {
        push({ type: 'access', node: m.id, action: SetText, text: el.value });
      }
    };
  };
})(Module.mv);
