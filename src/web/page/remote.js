// Vork's browser remote: pairs this browser with the PC by the secret in the
// QR code (or the code typed from the PC's screen), then sends the phone's
// keys, touchpad moves, typing and releases over one WebSocket, sealed. The
// messages are short texts (see web_session.h in Vork; their words are in
// page_protocol.json). This file finds the page's parts and wires together
// the modules that do each job.
import { startKeys, startVibration } from './keys.js';
import { showLabels } from './labels.js';
import { PageLink } from './link.js';
import { startLogin } from './login.js';
import { startNowPlaying } from './now_playing.js';
import { ERRORS, TO_PAGE, TO_VORK } from './protocol.js';
import { startTabs } from './tabs.js';
import { startTextLine } from './text_line.js';
import { startTouchpad } from './touchpad.js';

const $ = (id) => document.getElementById(id);
const stateLine = $('state');

// Text the PC did not type: the line starts again rather than go on from a
// text the window never got.
const LINE_LOST = [ERRORS['text lost'], ERRORS['bad text']].map((what) => `${TO_PAGE.error} ${what}`);

function showState(text, tone) {
  stateLine.textContent = text;
  stateLine.className = tone || '';
}

// What the link shows, on this page.
const view = {
  state: showState,
  login(text, tone) {
    $('remote').hidden = true;
    login.show();
    showState(text, tone);
  },
  remote() {
    $('login').hidden = true;
    $('remote').hidden = false;
    showState('Connected', 'good');
    view.linkUp(true);
    sendVisible();
  },
  // While the link is down the keys are off: nothing pressed then is sent later.
  linkUp(up) {
    if (!up) keys.releaseAll();
    for (const control of document.querySelectorAll('#remote .key, #typing')) control.disabled = !up;
    $('offline').hidden = up || !link.paired;
    nowPlaying.linkUp(up);
    if (up) textLine.reset();
    else keys.disarm();
  },
  labels: (message) => showLabels(message, $('app'), document.querySelectorAll('.key[data-key]')),
  nowPlaying: (message) => nowPlaying.receive(message),
  error(message) {
    if (LINE_LOST.includes(message)) textLine.reset();
  },
  pairButton: (seconds) => login.pairButton(seconds),
};
const link = new PageLink({ storage: localStorage, connect: () => new WebSocket(`ws://${location.host}/ws`), view });
const send = (text) => link.send(text);
const sendVisible = () => send(`${TO_VORK.visible} ${document.hidden ? 0 : 1}`);

const keys = startKeys(document.querySelectorAll('.key'), {
  send,
  buzz: startVibration($('vibrate'), $('vibrate-switch'), localStorage),
  // The PC's caret has moved away from what the line holds, so the line starts again.
  pressed: () => textLine.reset(),
  media: (word) => nowPlaying.command(word),
});
window.addEventListener('pagehide', keys.releaseAll);
window.addEventListener('blur', keys.releaseAll);
document.addEventListener('visibilitychange', () => {
  if (document.hidden) keys.releaseAll();
  sendVisible();
  // Back in view: connect at once rather than at the next try.
  if (!document.hidden && !link.socket && !link.pairing && link.remembered) link.open();
});

const textLine = startTextLine($('typing'), { send, keys });
startTabs([...document.querySelectorAll('#tabs [role="tab"]')], textLine.focus);
startTouchpad($('touchpad'), send);
const nowPlaying = startNowPlaying({
  card: $('now-playing'), cover: $('np-cover'), title: $('np-title'), artists: $('np-artists'), playerName: $('np-name'),
  status: $('np-status'), bar: $('np-bar'), position: $('np-position'), elapsed: $('np-elapsed'), length: $('np-length'),
  pick: $('np-pick'), picker: $('np-player'), said: $('np-said'),
}, { send });
const login = startLogin({
  form: $('login'), codeField: $('code-field'), code: $('code'), name: $('name'), pair: $('connect'), forget: $('forget'),
}, link, localStorage);

// Last, with every part ready for what the link shows.
if (login.fromQr) view.login('Name this phone, then pair');
else link.open();
