// Vork's browser remote: pairs this browser with the PC by the secret in the
// QR code (or the code typed from the PC's screen), then sends the phone's
// keys, touchpad moves and releases over one WebSocket, sealed. The messages
// are short texts (see web_session.h in Vork).
import { Handshake, codeKey, qrKey } from './secure.js';

const ID_KEY = 'vork.id';
const SECRET_KEY = 'vork.key';
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
let handshake = null;         // under way on this socket
let channel = null;           // sealed, once Vork proved itself
let pairing = null;           // {secret} from the QR code, or {code} typed; the name with it
let paired = false;
let retries = 0;
let retryTimer = 0;

function showState(text, tone) {
  stateLine.textContent = text;
  stateLine.className = tone || '';
}

// The pairing form; the code field only when there is no secret from a QR code.
function showLogin(text, tone) {
  paired = false;
  $('remote').hidden = true;
  $('login').hidden = false;
  $('code-field').hidden = Boolean(pairing && pairing.secret);
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

// Everything after the handshake is sealed; nothing is sent before.
function send(text) {
  if (channel && socket && socket.readyState === WebSocket.OPEN) socket.send(channel.seal(text));
}

function forgetKey() {
  localStorage.removeItem(ID_KEY);
  localStorage.removeItem(SECRET_KEY);
}

function open() {
  clearTimeout(retryTimer);
  if (socket) return;
  const id = localStorage.getItem(ID_KEY);
  const key = localStorage.getItem(SECRET_KEY);
  if (!pairing && !(id && key)) {
    showLogin('Not paired');
    return;
  }
  showState(paired ? 'Reconnecting\u2026' : (pairing ? 'Pairing\u2026' : 'Connecting\u2026'));
  socket = new WebSocket(`ws://${location.host}/ws`);
  channel = null;
  handshake = pairing
    ? new Handshake({ pairingSecret: (salt) => (pairing.secret ? qrKey(pairing.secret, salt) : codeKey(pairing.code, salt)) })
    : new Handshake({ id, key: hexKey(key) });
  socket.onopen = () => {
    retries = 0;
    socket.send(handshake.first());
  };
  socket.onmessage = (event) => receive(String(event.data));
  socket.onclose = () => {
    socket = null;
    channel = null;
    releaseAll();
    if (!localStorage.getItem(ID_KEY) || pairing) return;  // nothing to come back to
    // Vork has gone (closed, or the PC left the network): try again by itself.
    showState('Vork is not reachable \u2013 retrying\u2026', 'bad');
    retryTimer = setTimeout(open, RETRY_MS[Math.min(retries++, RETRY_MS.length - 1)]);
  };
}

function hexKey(hex) {
  const bytes = new Uint8Array(hex.length / 2);
  for (let i = 0; i < bytes.length; i += 1) bytes[i] = parseInt(hex.substr(i * 2, 2), 16);
  return bytes;
}

async function receive(text) {
  if (channel) {
    const message = channel.open(text);
    if (message === null) {
      socket.close();  // not from Vork's side of this channel
      return;
    }
    handleSealed(message);
    return;
  }
  const [word] = text.split(' ', 1);
  if (word === 'challenge') {
    const answer = await handshake.answer(text);
    if (answer && socket) socket.send(answer);
    return;
  }
  if (word === 'verified') {
    channel = handshake.verified(text);
    if (!channel) {
      showLogin('This is not the Vork it was paired with', 'bad');
      socket.close();
      return;
    }
    if (pairing) send(`name ${pairing.name}`);
    return;
  }
  const wasPairing = Boolean(pairing);
  pairing = null;
  if (word === 'nooffer') showLogin('Open Vork\u2019s Connect page on the PC first, then try again', 'bad');
  else if (wasPairing) showLogin('That did not pair: check the code on the PC and try again', 'bad');
  else {
    // Forgotten on the PC (or never paired): pair again.
    forgetKey();
    showLogin('Vork does not know this browser; pair it again');
  }
}

function handleSealed(message) {
  const [word, first, second] = message.split(' ');
  switch (word) {
    case 'paired':
      localStorage.setItem(ID_KEY, first);
      localStorage.setItem(SECRET_KEY, second);
      pairing = null;
      break;
    case 'connected': showRemote(); break;
    case 'forgotten': forgetKey(); break;
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
  forgetKey();
  paired = false;
  if (socket) socket.close();
  showLogin('Forgotten: pair again with the code on the PC');
});

$('login').addEventListener('submit', (event) => {
  event.preventDefault();
  const name = $('name').value.trim() || defaultName();
  localStorage.setItem(NAME_KEY, name);
  const secret = pairing && pairing.secret;
  pairing = secret ? { secret, name } : { code: $('code').value, name };
  if (socket) socket.close();
  socket = null;
  open();
});

// The QR code's address carries the pairing secret after '#', which the
// browser never sends; it leaves the address bar (and the history) at once.
const fragment = /^#pair=([0-9a-f]{32})$/.exec(location.hash);
if (fragment) {
  history.replaceState(null, '', location.pathname + location.search);
  pairing = { secret: fragment[1] };
}
$('name').value = localStorage.getItem(NAME_KEY) || defaultName();
if (pairing) showLogin('Name this phone, then pair');
else open();
