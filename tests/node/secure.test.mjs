// The page's side of the browser link against what Vork's own code made of
// the same inputs (page_vectors.cpp writes them; VORK_VECTORS names the file).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import {
  Handshake, SealedChannel, bytesToHex, channelKeys, codeKey, counterNonce, hexToBytes, normaliseCode, parseChallenge,
  proof, qrKey,
} from '../../src/web/page/secure.js';

const v = JSON.parse(readFileSync(process.env.VORK_VECTORS, 'utf8'));
const hex = hexToBytes;

test('the pairing keys, from the QR secret and from the typed code, are Vork\'s', async () => {
  assert.equal(bytesToHex(qrKey(v.secret, hex(v.salt))), v.qrKey);
  assert.equal(bytesToHex(await codeKey(v.code, hex(v.salt), v.iterations)), v.codeKey);
  assert.equal(bytesToHex(await codeKey(' ABCDE FGHJK', hex(v.salt), v.iterations)), v.codeKey, 'spaces and case');
  assert.equal(normaliseCode('ab-cd e'), 'ABCDE');
});

test('the proofs and the connection\'s keys are Vork\'s', () => {
  const key = hex(v.qrKey);
  assert.equal(bytesToHex(proof(key, 'page', hex(v.pageNonce), hex(v.pcNonce), '')), v.pageProof);
  assert.equal(bytesToHex(proof(key, 'pc', hex(v.pageNonce), hex(v.pcNonce), '0a0b')), v.pcProof);
  const keys = channelKeys(key, hex(v.pageNonce), hex(v.pcNonce));
  assert.equal(bytesToHex(keys.pageToPc), v.pageToPc);
  assert.equal(bytesToHex(keys.pcToPage), v.pcToPage);
});

test('sealed messages are Vork\'s, byte for byte, and open only in order, whole and unchanged', () => {
  const sender = new SealedChannel(hex(v.pageToPc), hex(v.pcToPage));
  assert.deepEqual([sender.seal('key D:1'), sender.seal(''), sender.seal('h\u00e9llo \u2713')], v.sealed);
  const opened = (frames) => {
    const receiver = new SealedChannel(hex(v.pcToPage), hex(v.pageToPc));
    return frames.map((frame) => receiver.open(frame));
  };
  assert.deepEqual(opened(v.sealed), ['key D:1', '', 'h\u00e9llo \u2713']);
  assert.deepEqual(opened([v.sealed[1]]), [null], 'out of order');
  assert.deepEqual(opened([v.sealed[0], v.sealed[0]]), ['key D:1', null], 'replayed');
  assert.deepEqual(opened([v.sealed[0].slice(0, -2)]), [null], 'cut');
  assert.deepEqual(opened([`${v.sealed[0].slice(0, -1)}${v.sealed[0].endsWith('0') ? '1' : '0'}`]), [null], 'changed');
  assert.equal(bytesToHex(counterNonce(0x0102030405)), '000000000000000102030405');
});

test('a whole pairing with Vork: the page answers as Vork expects, checks Vork, and opens its replies', async () => {
  const p = v.pairing;
  const handshake = new Handshake({ pairingSecret: (salt) => qrKey(p.secret, salt) });
  handshake.pageNonce = hex(v.pageNonce);
  assert.equal(handshake.first(), `pair ${v.pageNonce}`);
  assert.equal(await handshake.answer(p.challenge), p.answer);
  const channel = handshake.verified(p.verified);
  assert.ok(channel, 'Vork proved it holds the secret');
  assert.equal(channel.seal('name Pixel 7'), p.name);
  assert.deepEqual(p.replies.map((reply) => channel.open(reply)), p.opened);
  assert.equal(new Handshake({ pairingSecret: () => hex(v.qrKey) }).verified('verified 00'), null);
  assert.equal(parseChallenge('challenge zz'), null);
});
