// The remote's keys. A held key (arrows, volume) acts from the finger going
// down to its lift, like a phone key, a beat telling Vork the finger is still
// there; it is released on lift, on cancel, and when the page is hidden. Any
// other key acts when the finger lifts on it: a press that slides off or turns
// into a scroll does nothing. A click that no finger made (keyboard, switch
// access) acts once. Ctrl, Alt, Shift and Win are one-shot modifiers, armed
// for the next key of the PC's keyboard.
import { TO_VORK } from './protocol.js';
import { pressMessage } from './typing.js';

const VIBRATE_KEY = 'vork.vibrate';
const BEAT_MS = 300;          // while a key is held: well inside Vork's one second
const CLICK_AFTER_POINTER_MS = 800;  // a click this soon after a finger's lift is that finger's, already acted on
const BUZZ_MS = 12;

// The Vibrate switch, kept in storage and shown only where the phone can
// vibrate: a buzz for each key touched.
export function startVibration(checkbox, toggle, storage) {
  checkbox.checked = storage.getItem(VIBRATE_KEY) !== '0';
  checkbox.addEventListener('change', () => storage.setItem(VIBRATE_KEY, checkbox.checked ? '1' : '0'));
  toggle.hidden = typeof navigator.vibrate !== 'function';
  return () => {
    if (checkbox.checked && typeof navigator.vibrate === 'function') navigator.vibrate(BUZZ_MS);
  };
}

// buttons: every key; pressed(): a key of the PC's keyboard has gone;
// media(word): another message for a media key (the player the Now playing
// card shows), or null for the PC's own media key.
export function startKeys(buttons, { send, buzz, pressed, media = () => null }) {
  let heldButton = null;
  let beatTimer = 0;
  const armed = new Set();    // one-shot modifiers waiting for the next key
  const modifiers = [...buttons].filter((button) => button.dataset.mod);

  function command(button) {
    const key = button.dataset.key;
    if (!key.startsWith('M:')) return `${TO_VORK.key} ${key}`;
    const word = key.slice(2);
    return media(word) || `${TO_VORK.media} ${word}`;
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
    beatTimer = setInterval(() => send(TO_VORK.beat), BEAT_MS);
  }

  function releaseAll() {
    if (!heldButton) return;
    heldButton.classList.remove('pressed');
    heldButton = null;
    clearInterval(beatTimer);
    send(TO_VORK.release);
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

  // A key of the PC's keyboard, with the modifiers armed for it.
  function pressKey(key) {
    send(pressMessage(key, armed));
    disarm();
    pressed();
  }

  function disarm() {
    armed.clear();
    showArmed();
  }

  function showArmed() {
    for (const button of modifiers) button.setAttribute('aria-pressed', String(armed.has(button.dataset.mod)));
  }

  for (const button of buttons) {
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

  return { armed, releaseAll, disarm, pressKey };
}
