// The page's side of the browser link against RFC 9382's vectors and against
// what Vork's own code made of the same inputs (page_vectors.cpp writes them;
// VORK_VECTORS names the file); then the page's half of an exchange that
// Vork's code checks after this test (VORK_PAGE_HALF).
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { test } from 'node:test';

import {
  Handshake, SealedChannel, Spake2, bytesToHex, channelKeys, counterNonce, handshakeContext, hexToBytes, linkPassword,
  normaliseCode, paddedLength,
} from '../../src/web/page/secure.js';

const v = JSON.parse(readFileSync(process.env.VORK_VECTORS, 'utf8'));
const hex = hexToBytes;
const big = (text) => BigInt(`0x${text}`);

test('SPAKE2 gives RFC 9382\'s vector (A=server, B=client, P-256, SHA-256)', () => {
  const a = new Spake2(big('2ee57912099d31560b3a44b1184b9b4866e904c49d12ac5042c97dca461b1a5f'),
    big('43dd0fd7215bdcb482879fca3220c6a968e66d70b1356cac18bb26c84a78d729'), 'server', 'client');
  assert.equal(bytesToHex(a.share), '04a56fa807caaa53a4d28dbb9853b9815c61a411118a6fe516a8798434751470f9010153ac33d0d5f2047ffdb1a3e42c9b4e6be662766e1eeb4116988ede5f912c');
  const keys = a.finish(hex('0406557e482bd03097ad0cbaa5df82115460d951e3451962f1eaf4367a420676d09857ccbc522686c83d1852abfa8ed6e4a1155cf8f1543ceca528afb591a1e0b7'), new Uint8Array(0));
  assert.equal(bytesToHex(keys.sharedKey), '0e0672dc86f8e45565d338b0540abe69');
  assert.equal(bytesToHex(keys.confirmationA), '58ad4aa88e0b60d5061eb6b5dd93e80d9c4f00d127c65b3b35b1b5281fee38f0');
  assert.equal(bytesToHex(keys.confirmationB), 'd3e2e547f1ae04f2dbdbf0fc4b79f8ecff2dff314b5d32fe9fcef2fb26dc459b');
  assert.equal(a.finish(hex(v.pcShare), new Uint8Array(0)), null, 'a run finishes once');
});

test('the passwords, the context, SPAKE2\'s run and the connection\'s keys are Vork\'s', () => {
  assert.equal(linkPassword('qr', hex(v.secret)).toString(16).padStart(64, '0'), v.w.qr);
  assert.equal(linkPassword('code', new TextEncoder().encode(normaliseCode(v.code))).toString(16).padStart(64, '0'), v.w.code);
  assert.equal(linkPassword('key', hex(v.key)).toString(16).padStart(64, '0'), v.w.key);
  assert.equal(bytesToHex(handshakeContext('qr', '', 7)), v.context);
  assert.equal(bytesToHex(handshakeContext('key', v.browser, 3)), v.helloContext);
  const page = new Spake2(big(v.w.qr), big(v.x));
  assert.equal(bytesToHex(page.share), v.pageShare);
  const keys = page.finish(hex(v.pcShare), hex(v.context));
  assert.equal(bytesToHex(keys.sharedKey), v.sharedKey);
  assert.equal(bytesToHex(keys.confirmationA), v.confirmationA);
  assert.equal(bytesToHex(keys.confirmationB), v.confirmationB);
  const channel = channelKeys(keys.sharedKey, hex(v.context), page.share, hex(v.pcShare));
  assert.equal(bytesToHex(channel.pageToPc), v.pageToPc);
  assert.equal(bytesToHex(channel.pcToPage), v.pcToPage);
  assert.equal(new Spake2(big(v.w.qr), big(v.x)).finish(hex(`04${'00'.repeat(64)}`), hex(v.context)), null, 'not a point');
});

test('sealed messages are Vork\'s, byte for byte, padded to sizes that say little, and open only in order, whole and unchanged', () => {
  const texts = ['key D:1', '', 'h\u00e9llo \u2713', 'a'.repeat(47), 'b'.repeat(48)];
  const sender = new SealedChannel(hex(v.pageToPc), hex(v.pcToPage));
  assert.deepEqual(texts.map((text) => sender.seal(text)), v.sealed);
  assert.deepEqual(v.sealed.map((frame) => frame.length / 2 - 16), [48, 48, 48, 48, 64], 'the padded sizes');
  assert.deepEqual([0, 47, 48, 63, 64, 127, 128].map(paddedLength), [48, 48, 64, 64, 128, 128, 192]);
  const opened = (frames) => {
    const receiver = new SealedChannel(hex(v.pcToPage), hex(v.pageToPc));
    return frames.map((frame) => receiver.open(frame));
  };
  assert.deepEqual(opened(v.sealed), texts);
  assert.deepEqual(opened([v.sealed[1]]), [null], 'out of order');
  assert.deepEqual(opened([v.sealed[0], v.sealed[0]]), ['key D:1', null], 'replayed');
  assert.deepEqual(opened([v.sealed[0].slice(0, -2)]), [null], 'cut');
  assert.deepEqual(opened([`${v.sealed[0].slice(0, -1)}${v.sealed[0].endsWith('0') ? '1' : '0'}`]), [null], 'changed');
  assert.equal(bytesToHex(counterNonce(0x0102030405)), '000000000000000102030405');
});

test('a whole pairing with Vork: the page answers as Vork expects, checks Vork, and opens its replies', () => {
  const p = v.pairing;
  const handshake = new Handshake({ secret: p.secret }, big(v.x));
  assert.equal(handshake.first(), p.opening);
  assert.equal(handshake.answer(p.share), p.confirm);
  assert.equal(handshake.channel.seal('name Pixel 7'), p.name);
  assert.deepEqual(p.replies.map((reply) => handshake.channel.open(reply)), p.opened);
  const impostor = new Handshake({ secret: '00'.repeat(16) }, big(v.x));
  assert.equal(impostor.answer(p.share), null, 'a share from someone without the secret proves nothing');
  assert.equal(new Handshake({ code: 'x' }).answer('share 0 zz 00'), null);
});

test('the page\'s half of an exchange, as a remembered browser, for Vork to check', () => {
  const handshake = new Handshake({ id: v.browser, number: 3, key: v.key });
  assert.ok(handshake.first().startsWith(`hello ${v.browser} 3 04`));
  // Vork's share with its own confirmation is what the page checks; here
  // the confirmation is Vork's to check after this test, so the page's side
  // is taken one step lower.
  const keys = handshake.spake.finish(hex(v.answerThis), handshakeContext('key', v.browser, 3));
  const channel = channelKeys(keys.sharedKey, handshakeContext('key', v.browser, 3), handshake.spake.share, hex(v.answerThis));
  writeFileSync(process.env.VORK_PAGE_HALF, JSON.stringify({
    pageShare: bytesToHex(handshake.spake.share),
    confirm: bytesToHex(keys.confirmationA),
    sealed: new SealedChannel(channel.pageToPc, channel.pcToPage).seal('key D:1'),
  }));
});
