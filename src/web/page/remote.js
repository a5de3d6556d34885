// Vork's browser remote: pairs this browser with the PC through Vork's own
// dialog, then sends the phone's keys, touchpad moves and releases over one
// WebSocket. The messages are short texts (see web_session.h in Vork).
'use strict';

const TOKEN_KEY = 'vork.token';
const NAME_KEY = 'vork.name';
const POINTER_GAIN = 2;       // screen pixels per CSS pixel of finger movement; Windows adds its acceleration
const WHEEL_GAIN = 4;         // wheel units per CSS pixel of a two-finger drag (120 is one notch)
const TAP_LIMIT_MS = 250;     // a touch shorter than this that hardly moved is a click
const TAP_SLOP_PX = 8;
const BEAT_MS = 300;          // while a key is held: well inside Vork's one second
const RETRY_MS = [1000, 2000, 5000];

const $ = (id) => document.getElementById(id);
const stateLine = $('state');
let socket = null;
let wantLogin = false;        // the user pressed Connect: log in once the socket is open
let paired = false;
let retries = 0;
let retryTimer = 0;

function showState(text, tone) {
  stateLine.textContent = text;
  stateLine.className = tone || '';
}

function showLogin(text, tone) {
  paired = false;
  $('remote').hidden = true;
  $('login').hidden = false;
  showState(text, tone);
}

function showRemote() {
  paired = true;
  $('login').hidden = true;
  $('remote').hidden = false;
  showState('Connected', 'good');
}

function defaultName() {
  const agent = navigator.userAgent;
  if (/iPhone/.test(agent)) return 'iPhone';
  if (/iPad/.test(agent)) return 'iPad';
  const model = /Android[^;]*;\s*([^;)]+?)(?:\s+Build|\))/.exec(agent);
  if (model && model[1] !== 'K') return model[1].trim();
  if (/Android/.test(agent)) return 'Android phone';
  return 'Browser';
}

function send(text) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(text);
}

function open() {
  clearTimeout(retryTimer);
  if (socket) return;
  showState(paired ? 'Reconnecting\u2026' : 'Waiting for the PC\u2026');
  socket = new WebSocket(`ws://${location.host}/ws`);
  socket.onopen = () => {
    retries = 0;
    const token = localStorage.getItem(TOKEN_KEY);
    if (token) send(`hello ${token}`);
    else if (wantLogin) login();
    else showLogin('Not connected');
  };
  socket.onmessage = (event) => handleReply(String(event.data));
  socket.onclose = () => {
    socket = null;
    releaseAll();
    if (!paired && !localStorage.getItem(TOKEN_KEY) && !wantLogin) return;  // nothing to come back to
    // Vork has gone (closed, or the PC left the network): try again by itself.
    showState('Vork is not reachable \u2013 retrying\u2026', 'bad');
    retryTimer = setTimeout(open, RETRY_MS[Math.min(retries++, RETRY_MS.length - 1)]);
  };
}

function login() {
  wantLogin = false;
  const name = $('name').value.trim() || defaultName();
  localStorage.setItem(NAME_KEY, name);
  send(`login ${name}`);
}

function handleReply(reply) {
  const [word, argument] = reply.split(' ', 2);
  switch (word) {
    case 'connected': showRemote(); break;
    case 'accepted': localStorage.setItem(TOKEN_KEY, argument); showRemote(); break;
    case 'asking': showState('Asking the PC \u2013 answer ACCEPT there', ''); break;
    case 'unknown':  // forgotten on the PC (or never paired): ask again
      localStorage.removeItem(TOKEN_KEY);
      showLogin('Vork does not know this browser; connect again');
      break;
    case 'declined': showLogin('Declined on the PC', 'bad'); break;
    case 'unanswered': showLogin('Nobody answered on the PC; try again', 'bad'); break;
    case 'busy': showLogin('The PC is answering another phone; try again in a moment', 'bad'); break;
    case 'forgotten': localStorage.removeItem(TOKEN_KEY); break;
    case 'unpaired': showLogin('Not connected'); break;
    default: break;  // "error ..." is for developers; the page just goes on
  }
}

// Keys: sent as the finger goes down, like a phone key; held keys are
// released on lift, on cancel, when the finger slides off, and when the page
// is hidden, and a beat tells Vork the finger is still there.
let heldButton = null;
let beatTimer = 0;

function press(button) {
  releaseAll();
  send(`key ${button.dataset.key}`);
  button.classList.add('pressed');
  if (!('hold' in button.dataset)) {
    setTimeout(() => button.classList.remove('pressed'), 120);
    return;
  }
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

for (const button of document.querySelectorAll('.key')) {
  button.addEventListener('pointerdown', (event) => {
    event.preventDefault();
    // Keeps the lift coming here when the finger slides off; a pointer the
    // browser no longer knows cannot be captured, and the key still works.
    try { button.setPointerCapture(event.pointerId); } catch (error) { /* nothing to keep */ }
    press(button);
  });
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
    button.addEventListener(type, () => { if (heldButton === button) releaseAll(); });
  }
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}
document.addEventListener('visibilitychange', () => { if (document.hidden) releaseAll(); });
window.addEventListener('pagehide', releaseAll);
window.addEventListener('blur', releaseAll);

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
  send('key U:X');
  localStorage.removeItem(TOKEN_KEY);
  paired = false;
  if (socket) socket.close();
  showLogin('Forgotten: this phone asks again next time');
});

$('login').addEventListener('submit', (event) => {
  event.preventDefault();
  showState('Waiting for the PC\u2026');
  if (socket && socket.readyState === WebSocket.OPEN) login();
  else { wantLogin = true; open(); }
});

$('name').value = localStorage.getItem(NAME_KEY) || defaultName();
if (localStorage.getItem(TOKEN_KEY)) open();
else showLogin('Not connected');
