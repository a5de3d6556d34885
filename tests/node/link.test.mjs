// The page's link (link.js, bundled as the page has it) with a socket and a
// storage of the test's own, and Vork's side replayed from what Vork's code
// answered (page_vectors.cpp; VORK_VECTORS names the file): the browser's key
// goes only on Vork's sealed word, never on a plain one anyone could send.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { PageLink } from '../../src/web/page/link.js';

const v = JSON.parse(readFileSync(process.env.VORK_VECTORS, 'utf8'));

class Storage extends Map {
  getItem(key) { return this.has(key) ? this.get(key) : null; }
  setItem(key, value) { this.set(key, String(value)); }
  removeItem(key) { this.delete(key); }
}

// A page whose browser holds the key of the vectors, connected to a socket the test plays.
function page(extra = {}) {
  const storage = new Storage([['vork.id', v.browser], ['vork.key', v.key], ['vork.keynumber', '1'], ...Object.entries(extra)]);
  const shown = { states: [], logins: [], timers: [] };
  const sockets = [];
  const view = {
    state: (text) => shown.states.push(text), login: (text) => shown.logins.push(text), remote: () => shown.states.push('remote'),
    linkUp() {}, labels() {}, nowPlaying() {}, error() {}, pairButton() {},
  };
  const connect = () => {
    const socket = { sent: [], readyState: 1, send(text) { this.sent.push(text); }, close() { this.readyState = 3; this.onclose(); } };
    sockets.push(socket);
    return socket;
  };
  const timers = { setTimeout: (_, ms) => shown.timers.push(ms), clearTimeout() {} };
  const link = new PageLink({ storage, connect, view, timers, scalar: BigInt(`0x${v.x}`) });
  const say = (socket, ...texts) => texts.forEach((data) => socket.onmessage({ data }));
  return { storage, shown, sockets, link, say };
}

test('a plain "wait" or "unknown" leaves the key where it is; the page waits as long as Vork asks', () => {
  const waiting = page();
  waiting.link.open();
  const [socket] = waiting.sockets;
  socket.onopen();
  assert.equal(socket.sent[0], v.returning.hello, 'the page says hello as Vork expects');
  waiting.say(socket, 'wait 5');
  socket.close();
  assert.equal(waiting.storage.getItem('vork.key'), v.key);
  assert.equal(waiting.shown.states.at(-1), 'Vork asks this phone to wait 5 s\u2026');
  assert.deepEqual(waiting.shown.timers, [5000], 'it tries again when the wait is over, not before');

  const unknown = page();
  unknown.link.open();
  unknown.sockets[0].onopen();
  unknown.say(unknown.sockets[0], 'unknown');
  unknown.sockets[0].close();
  assert.equal(unknown.storage.getItem('vork.key'), v.key);
  assert.deepEqual(unknown.shown.logins, ['Vork does not know this browser; pair it again']);
  assert.deepEqual(unknown.shown.timers, [], 'and does not knock again by itself');
});

test('Forget while Vork is away keeps the key and asks at the next connection; Vork\'s sealed "forgotten" ends it', () => {
  const { storage, shown, sockets, link, say } = page();
  link.forget();
  assert.equal(shown.states.at(-1), 'The PC will forget this phone when it next reaches it');
  assert.equal(storage.getItem('vork.key'), v.key);
  link.open();  // the next retry
  const [socket] = sockets;
  socket.onopen();
  say(socket, v.returning.share);
  assert.ok(socket.sent[1].startsWith('confirm '), 'the page checked Vork and confirmed');
  say(socket, v.returning.greeting[0]);
  assert.equal(storage.getItem('vork.key'), v.key, 'connected, not yet forgotten');
  assert.equal(socket.sent.length, 3, 'then, sealed, the Forget it was asked for');
  say(socket, v.returning.greeting[1]);
  assert.equal(storage.getItem('vork.keynumber'), '2', 'the next key, kept before it is acknowledged');
  assert.notEqual(storage.getItem('vork.key'), v.key);
  say(socket, v.returning.forgotten);
  assert.deepEqual([...storage.keys()], [], 'gone once Vork said so, sealed');
  assert.deepEqual(shown.logins, ['Forgotten: pair again with the code on the PC']);
});
