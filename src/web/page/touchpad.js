// Touchpad: one finger moves the pointer, a short touch is a left click, two
// fingers tapping are a right click and two fingers dragging scroll.
import { TO_VORK } from './protocol.js';

const POINTER_GAIN = 2;       // screen pixels per CSS pixel of finger movement; Windows adds its acceleration
const WHEEL_GAIN = 4;         // wheel units per CSS pixel of a two-finger drag (120 is one notch)
const TAP_LIMIT_MS = 250;     // a touch shorter than this that hardly moved is a click
const TAP_SLOP_PX = 8;

// timeOf(event): when the input happened, in milliseconds: the event's own
// time, so a page busy between a touch and its lift still sees how short the
// touch was. Fixed only in tests.
export function startTouchpad(pad, send, timeOf = (event) => event.timeStamp) {
  const touches = new Map();  // pointerId -> {x, y}
  let gesture = null;         // {start, fingers, moved, restX, restY, restWheel, restTilt}

  pad.addEventListener('pointerdown', (event) => {
    event.preventDefault();
    try { pad.setPointerCapture(event.pointerId); } catch (error) { /* as for the keys */ }
    touches.set(event.pointerId, {x: event.clientX, y: event.clientY});
    if (!gesture) gesture = {start: timeOf(event), fingers: 0, moved: 0, restX: 0, restY: 0, restWheel: 0, restTilt: 0};
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
      // Each finger reports its own move; half of each is the pair's. The
      // page moves with the fingers: fingers going right scroll to the left.
      gesture.restWheel += (dy / touches.size) * WHEEL_GAIN;
      gesture.restTilt -= (dx / touches.size) * WHEEL_GAIN;
      const wheel = Math.trunc(gesture.restWheel);
      const tilt = Math.trunc(gesture.restTilt);
      gesture.restWheel -= wheel;
      gesture.restTilt -= tilt;
      if (tilt !== 0) send(`${TO_VORK.scroll} ${wheel} ${tilt}`);
      else if (wheel !== 0) send(`${TO_VORK.scroll} ${wheel}`);
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
    send(`${TO_VORK.move} ${moveX} ${moveY}`);
  });

  function liftFinger(event, cancelled) {
    if (!touches.delete(event.pointerId) || !gesture || touches.size > 0) return;
    const tapped = !cancelled && timeOf(event) - gesture.start < TAP_LIMIT_MS * (gesture.fingers >= 2 ? 1.5 : 1) &&
                   gesture.moved < TAP_SLOP_PX * gesture.fingers;
    if (tapped) send(`${TO_VORK.click} ${gesture.fingers >= 2 ? 'right' : 'left'}`);
    gesture = null;
    pad.classList.remove('active');
  }
  pad.addEventListener('pointerup', (event) => liftFinger(event, false));
  pad.addEventListener('pointercancel', (event) => liftFinger(event, true));
  pad.addEventListener('contextmenu', (event) => event.preventDefault());
}
