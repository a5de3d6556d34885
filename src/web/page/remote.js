// Vork's browser remote: pairs this browser with the PC by the secret in the
// QR code (or the code typed from the PC's screen), then sends the phone's
// keys, touchpad moves, typing and releases over one WebSocket, sealed. The
// messages are short texts (see web_session.h in Vork).
import { PageLink } from './link.js';
import { PLACEHOLDER, edit, pressMessage, shortcutKey, textMessages } from './typing.js';

const NAME_KEY = 'vork.name';
const VIBRATE_KEY = 'vork.vibrate';
const POINTER_GAIN = 2;       // screen pixels per CSS pixel of finger movement; Windows adds its acceleration
const WHEEL_GAIN = 4;         // wheel units per CSS pixel of a two-finger drag (120 is one notch)
const TAP_LIMIT_MS = 250;     // a touch shorter than this that hardly moved is a click
const TAP_SLOP_PX = 8;
const BEAT_MS = 300;          // while a key is held: well inside Vork's one second
const CLICK_AFTER_POINTER_MS = 800;  // a click this soon after a finger's lift is that finger's, already acted on
const BUZZ_MS = 12;

const $ = (id) => document.getElementById(id);
const stateLine = $('state');
let qrSecret = null;          // from the QR code's address, until Pair uses it

function showState(text, tone) {
  stateLine.textContent = text;
  stateLine.className = tone || '';
}

// What the link shows, on this page.
const view = {
  state: showState,
  // The pairing form; the code field only when there is a secret from a QR code to use.
  login(text, tone) {
    $('remote').hidden = true;
    $('login').hidden = false;
    $('code-field').hidden = Boolean(qrSecret);
    showState(text, tone);
  },
  remote() {
    $('login').hidden = true;
    $('remote').hidden = false;
    showState('Connected', 'good');
    view.linkUp(true);
    link.send(`visible ${document.hidden ? 0 : 1}`);
  },
  // While the link is down the keys are off: nothing pressed then is sent later.
  linkUp(up) {
    if (!up) releaseAll();
    for (const control of document.querySelectorAll('#remote .key, #typing')) control.disabled = !up;
    $('offline').hidden = up || !link.paired;
    if (up) resetLine();
    else disarm();
  },
  labels: (message) => showLabels(message),
  // Text the PC did not type: the line starts again rather than go on from a
  // text the window never got.
  error(message) {
    if (message === 'error text lost' || message === 'error bad text') resetLine();
  },
  // The Pair button waits while a pairing is under way or Vork asked to wait.
  pairButton(seconds) {
    const button = $('connect');
    clearTimeout(pairWait);
    button.disabled = seconds !== 0;
    if (seconds > 0) pairWait = setTimeout(() => { button.disabled = false; }, seconds * 1000);
  },
};
let pairWait = 0;
const link = new PageLink({ storage: localStorage, connect: () => new WebSocket(`ws://${location.host}/ws`), view });
const send = (text) => link.send(text);

function defaultName() {
  const agent = navigator.userAgent;
  if (/iPhone/.test(agent)) return 'iPhone';
  if (/iPad/.test(agent)) return 'iPad';
  const model = /Android[^;]*;\s*([^;)]+?)(?:\s+Build|\))/.exec(agent);
  if (model && model[1] !== 'K') return model[1].trim();
  if (/Android/.test(agent)) return 'Android phone';
  return 'Browser';
}

// "labels APP\tKEY=LABEL\t...": what the application in front does with
// each key; an empty label: nothing. Keys it does not name show their sign.
function showLabels(message) {
  const [head, ...pairs] = message.split('\t');
  const app = head.slice('labels '.length).trim();
  const labels = new Map(pairs.map((pair) => {
    const equals = pair.indexOf('=');
    return equals < 0 ? [pair, null] : [pair.slice(0, equals), pair.slice(equals + 1)];
  }));
  $('app').textContent = app;
  $('app').hidden = !app;
  for (const button of document.querySelectorAll('.key[data-key]')) {
    const name = keyName(button);
    const label = labels.has(button.dataset.key) ? labels.get(button.dataset.key) : null;
    let line = button.querySelector('.label');
    if (!label) {
      if (line) line.remove();
    } else {
      if (!line) {
        line = document.createElement('span');
        line.className = 'label';
        button.append(line);
      }
      line.textContent = label;
    }
    button.classList.toggle('unused', label === '');
    const said = label === '' ? `unused in ${app || 'this window'}` : label;
    button.setAttribute('aria-label', said ? `${name}: ${said}` : name);
  }
}

// The key's own name, as the page was written.
function keyName(button) {
  if (!button.dataset.name) button.dataset.name = button.getAttribute('aria-label') || button.textContent.trim();
  return button.dataset.name;
}

// Keys. A held key (arrows, volume) acts from the finger going down to its
// lift, like a phone key, a beat telling Vork the finger is still there; it is
// released on lift, on cancel, and when the page is hidden. Any other key acts
// when the finger lifts on it: a press that slides off or turns into a scroll
// does nothing. A click that no finger made (keyboard, switch access) acts once.
let heldButton = null;
let beatTimer = 0;
const armed = new Set();      // one-shot modifiers waiting for the next key
const vibrate = $('vibrate');

function command(button) {
  const key = button.dataset.key;
  return key.startsWith('M:') ? `media ${key.slice(2)}` : `key ${key}`;
}

function flash(button) {
  button.classList.add('pressed');
  setTimeout(() => button.classList.remove('pressed'), 120);
}

function hold(button) {
  releaseAll();
  send(command(button));
  button.classList.add('pressed');
  heldButton = button;
  beatTimer = setInterval(() => send('beat'), BEAT_MS);
}

function releaseAll() {
  if (!heldButton) return;
  heldButton.classList.remove('pressed');
  heldButton = null;
  clearInterval(beatTimer);
  send('release');
}

function act(button) {
  if (button.disabled) return;
  releaseAll();
  if (button.dataset.mod) {
    if (!armed.delete(button.dataset.mod)) armed.add(button.dataset.mod);
    showArmed();
    return;
  }
  flash(button);
  if (button.dataset.press) pressKey(button.dataset.press);
  else send(command(button));
}

// A key of the PC's keyboard, with the modifiers armed for it. The PC's
// caret has moved away from what the line holds, so the line starts again.
function pressKey(key) {
  send(pressMessage(key, armed));
  disarm();
  resetLine();
}

function disarm() {
  armed.clear();
  showArmed();
}

function showArmed() {
  for (const button of document.querySelectorAll('.key[data-mod]')) {
    button.setAttribute('aria-pressed', String(armed.has(button.dataset.mod)));
  }
}

function buzz() {
  if (vibrate.checked && typeof navigator.vibrate === 'function') navigator.vibrate(BUZZ_MS);
}

for (const button of document.querySelectorAll('.key')) {
  const held = 'hold' in button.dataset;
  let finger = null;          // the pointer pressing the key
  let box = null;             // the key's place when the finger went down
  let liftedAt = -Infinity;   // a click soon after is that finger's
  button.addEventListener('pointerdown', (event) => {
    event.preventDefault();   // keeps the focus, and with it the phone's keyboard, on the text line
    if (button.disabled) return;
    // Keeps the lift coming here when the finger slides off; a pointer the
    // browser no longer knows cannot be captured, and the key still works.
    try { button.setPointerCapture(event.pointerId); } catch (error) { /* nothing to keep */ }
    finger = event.pointerId;
    // Measured now, so that the lift acts without waiting for a layout.
    box = button.getBoundingClientRect();
    liftedAt = Infinity;
    buzz();
    if (held) hold(button);
  });
  button.addEventListener('pointerup', (event) => {
    if (event.pointerId !== finger) return;
    finger = null;
    liftedAt = performance.now();
    if (held) {
      if (heldButton === button) releaseAll();
      return;
    }
    if (event.clientX >= box.left && event.clientX <= box.right && event.clientY >= box.top && event.clientY <= box.bottom) {
      act(button);
    }
  });
  for (const type of ['pointercancel', 'lostpointercapture']) {
    button.addEventListener(type, (event) => {
      if (event.pointerId === finger) {
        finger = null;
        liftedAt = performance.now();
      }
      if (heldButton === button) releaseAll();
    });
  }
  button.addEventListener('click', () => {
    if (performance.now() - liftedAt < CLICK_AFTER_POINTER_MS) return;
    if (!held) {
      act(button);
    } else if (!button.disabled) {
      hold(button);
      releaseAll();
      flash(button);
    }
  });
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}
window.addEventListener('pagehide', releaseAll);
window.addEventListener('blur', releaseAll);
document.addEventListener('visibilitychange', () => {
  if (document.hidden) releaseAll();
  send(`visible ${document.hidden ? 0 : 1}`);
  // Back in view: connect at once rather than at the next try.
  if (!document.hidden && !link.socket && !link.pairing && link.remembered) link.open();
});

vibrate.checked = localStorage.getItem(VIBRATE_KEY) !== '0';
vibrate.addEventListener('change', () => localStorage.setItem(VIBRATE_KEY, vibrate.checked ? '1' : '0'));
$('vibrate-switch').hidden = typeof navigator.vibrate !== 'function';

// The text line: each change goes to the PC as it happens (typed, swiped,
// spoken or corrected), as Backspaces and text; a modifier armed takes the
// next single character instead.
const line = $('typing');
let typed = PLACEHOLDER;      // the line as the PC has it

function resetLine() {
  typed = PLACEHOLDER;
  showLine(PLACEHOLDER, 0);
}

// The caret as far from the end as it was, and never before the placeholder.
// Only in the focused line: some browsers focus a line whose caret is set.
function showLine(value, fromEnd) {
  line.value = value;
  if (document.activeElement !== line) return;
  const at = Math.max(PLACEHOLDER.length, value.length - fromEnd);
  line.setSelectionRange(at, at);
}

line.addEventListener('input', () => {
  const fromEnd = line.value.length - line.selectionEnd;
  const change = edit(typed, line.value);
  const key = armed.size > 0 ? shortcutKey(change) : null;
  if (key) {
    pressKey(key);
    return;
  }
  if (change.deleted > 0 || change.inserted) disarm();
  for (const message of textMessages(change)) send(message);
  typed = change.line;
  if (line.value !== typed) showLine(typed, fromEnd);
});
line.addEventListener('keydown', (event) => {
  if (event.key !== 'Enter' || event.isComposing) return;
  event.preventDefault();
  pressKey('enter');
});
// A caret put before the placeholder would leave Backspace nothing to remove.
line.addEventListener('pointerup', () => setTimeout(() => {
  if (line.selectionEnd === 0) line.setSelectionRange(PLACEHOLDER.length, PLACEHOLDER.length);
}));
resetLine();

// Tabs: the remote, the keypad, and the keyboard (whose line takes the focus,
// which opens the phone's keyboard).
const tabs = [...document.querySelectorAll('#tabs [role="tab"]')];

function showTab(tab, typing) {
  for (const other of tabs) {
    const chosen = other === tab;
    other.setAttribute('aria-selected', String(chosen));
    other.tabIndex = chosen ? 0 : -1;
    $(other.getAttribute('aria-controls')).hidden = !chosen;
  }
  if (typing && tab.id === 'tab-keyboard' && !line.disabled) {
    line.focus();
    showLine(line.value, 0);
  }
}

for (const tab of tabs) {
  tab.addEventListener('click', () => showTab(tab, true));
  tab.addEventListener('keydown', (event) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
    if (!step) return;
    const next = tabs[(tabs.indexOf(tab) + step + tabs.length) % tabs.length];
    next.focus();
    showTab(next, false);
  });
}

// Touchpad: one finger moves the pointer, a short touch is a left click, two
// fingers tapping are a right click and two fingers dragging scroll.
const pad = $('touchpad');
const touches = new Map();    // pointerId -> {x, y}
let gesture = null;           // {start, fingers, moved, restX, restY, restWheel}

pad.addEventListener('pointerdown', (event) => {
  event.preventDefault();
  try { pad.setPointerCapture(event.pointerId); } catch (error) { /* as for the keys */ }
  touches.set(event.pointerId, {x: event.clientX, y: event.clientY});
  if (!gesture) gesture = {start: performance.now(), fingers: 0, moved: 0, restX: 0, restY: 0, restWheel: 0};
  gesture.fingers = Math.max(gesture.fingers, touches.size);
  pad.classList.add('active');
});

pad.addEventListener('pointermove', (event) => {
  const last = touches.get(event.pointerId);
  if (!last || !gesture) return;
  const dx = event.clientX - last.x;
  const dy = event.clientY - last.y;
  touches.set(event.pointerId, {x: event.clientX, y: event.clientY});
  gesture.moved += Math.abs(dx) + Math.abs(dy);
  if (touches.size >= 2) {
    // Each finger reports its own move; half of each is the pair's.
    gesture.restWheel += (dy / touches.size) * WHEEL_GAIN;
    const wheel = Math.trunc(gesture.restWheel);
    if (wheel !== 0) { gesture.restWheel -= wheel; send(`scroll ${wheel}`); }
    return;
  }
  if (gesture.fingers >= 2) return;  // the last finger of a scroll lifting
  gesture.restX += dx * POINTER_GAIN;
  gesture.restY += dy * POINTER_GAIN;
  const moveX = Math.trunc(gesture.restX);
  const moveY = Math.trunc(gesture.restY);
  if (moveX === 0 && moveY === 0) return;
  gesture.restX -= moveX;
  gesture.restY -= moveY;
  send(`move ${moveX} ${moveY}`);
});

function liftFinger(event, cancelled) {
  if (!touches.delete(event.pointerId) || !gesture || touches.size > 0) return;
  const tapped = !cancelled && performance.now() - gesture.start < TAP_LIMIT_MS * (gesture.fingers >= 2 ? 1.5 : 1) &&
                 gesture.moved < TAP_SLOP_PX * gesture.fingers;
  if (tapped) send(gesture.fingers >= 2 ? 'click right' : 'click left');
  gesture = null;
  pad.classList.remove('active');
}
pad.addEventListener('pointerup', (event) => liftFinger(event, false));
pad.addEventListener('pointercancel', (event) => liftFinger(event, true));
pad.addEventListener('contextmenu', (event) => event.preventDefault());

$('forget').addEventListener('click', () => {
  if (!window.confirm('Forget this phone? Using it again takes a new pairing with the code on the PC.')) return;
  link.forget();
});

$('login').addEventListener('submit', (event) => {
  event.preventDefault();
  const name = $('name').value.trim() || defaultName();
  localStorage.setItem(NAME_KEY, name);
  const offer = qrSecret ? { secret: qrSecret } : { code: $('code').value };
  qrSecret = null;
  link.pairWith(offer, name);
});

// The QR code's address carries the pairing secret after '#', which the
// browser never sends; it leaves the address bar (and the history) at once.
const fragment = /^#pair=([0-9a-f]{32})$/.exec(location.hash);
if (fragment) {
  history.replaceState(null, '', location.pathname + location.search);
  qrSecret = fragment[1];
}
$('name').value = localStorage.getItem(NAME_KEY) || defaultName();
if (qrSecret) view.login('Name this phone, then pair');
else link.open();
