// The page's side of Vork's browser link (web_session.h in Vork says the
// messages): SPAKE2 as RFC 9382 gives it (P-256, SHA-256, HKDF, HMAC), by
// which the page and Vork prove, both ways, that they share a password (the
// QR code's secret, the typed code, or this browser's key) without sending
// it and with fresh secrets every time; then each direction's key, and
// every message padded and sealed with AES-256-GCM under a counter. Only the
// audited @noble libraries compose it, as the standards give it;
// crypto.getRandomValues is all it needs of the browser, which offers
// nothing more to a page on plain HTTP.
import { gcm } from '@noble/ciphers/aes.js';
import { p256 } from '@noble/curves/nist.js';
import { hkdf } from '@noble/hashes/hkdf.js';
import { hmac } from '@noble/hashes/hmac.js';
import { sha256 } from '@noble/hashes/sha2.js';
import { bytesToHex, concatBytes, hexToBytes, randomBytes, utf8ToBytes } from '@noble/hashes/utils.js';

import { TO_PAGE, TO_VORK } from './protocol.js';

const Point = p256.Point;
// A page makes one multiplication of the base point a connection: the
// library's default table for it (8-bit windows) costs four times that
// multiplication to build, on every page load, so none is built.
Point.BASE.precompute(1, false);
const ORDER = Point.Fn.ORDER;
// The suite's M and N for P-256, as the RFC gives them.
export const M = Point.fromHex('02886e2f97ace46e55ba9dd7242579f2993b64e16ef3dcab95afd497333d8fa12f');
export const N = Point.fromHex('03d8bbd6c639c62937b04d997f38c3770719c629d7014d49a24b4f98baa1292b49');
const PAGE_IDENTITY = 'vork page';
const PC_IDENTITY = 'vork pc';
const WIDE_SCALAR_BYTES = 48;   // the order's 256 bits and 64 more, against bias
const KEY_BYTES = 32;
const SMALLEST_PADDED = 48;
const PADDING_STEP = 64;

export { bytesToHex, hexToBytes };

// The typed code as Vork compares it: capitals, without spaces or dashes.
export function normaliseCode(typed) {
  return typed.replace(/[\s-]/g, '').toUpperCase();
}

function numberOf(bytes) {
  return bytes.length === 0 ? 0n : BigInt(`0x${bytesToHex(bytes)}`);
}

function scalarBytes(value) {
  return hexToBytes(value.toString(16).padStart(64, '0'));
}

// SPAKE2's w for a password: HKDF-SHA256, then reduced by the group's order.
export function linkPassword(mode, secret) {
  const wide = hkdf(sha256, secret, utf8ToBytes('vork spake2 password'), utf8ToBytes(`vork ${mode}`), WIDE_SCALAR_BYTES);
  return numberOf(wide) % ORDER;
}

// SPAKE2's extra data: the way in, the browser's id (none while pairing), the counter.
export function handshakeContext(mode, id, counter) {
  return utf8ToBytes(`vork link 1 ${mode} ${id} ${counter}`);
}

function withLength(part) {
  const length = new Uint8Array(8);
  let value = part.length;
  for (let i = 0; i < 8; i += 1) {
    length[i] = value % 256;
    value = Math.floor(value / 256);
  }
  return concatBytes(length, part);
}

// SPAKE2's party A, which the page always is. x: its scalar (random unless given).
export class Spake2 {
  constructor(w, x = numberOf(randomBytes(WIDE_SCALAR_BYTES)) % ORDER, idA = PAGE_IDENTITY, idB = PC_IDENTITY) {
    this.w = w;
    this.x = x;
    this.idA = utf8ToBytes(idA);
    this.idB = utf8ToBytes(idB);
    this.share = Point.BASE.multiply(x).add(M.multiply(w)).toBytes(false);
  }

  // w*N, ahead of Vork's share: worked out while the page waits for it.
  prepare() {
    if (!this.mask) this.mask = N.multiply(this.w);
  }

  // Vork's share gives the keys; null when it is no point of the group (or cancels the mask).
  finish(peerShare, aad) {
    if (this.x === null) return null;
    try {
      if (peerShare.length !== 65 || peerShare[0] !== 4) return null;
      this.prepare();
      const k = Point.fromBytes(peerShare).subtract(this.mask).multiply(this.x);
      const transcript = concatBytes(withLength(this.idA), withLength(this.idB), withLength(this.share),
        withLength(peerShare), withLength(k.toBytes(false)), withLength(scalarBytes(this.w)));
      const hash = sha256(transcript);
      const confirmation = hkdf(sha256, hash.slice(16), undefined,
        concatBytes(utf8ToBytes('ConfirmationKeys'), aad), 32);
      return {
        sharedKey: hash.slice(0, 16),
        confirmationA: hmac(sha256, confirmation.slice(0, 16), transcript),
        confirmationB: hmac(sha256, confirmation.slice(16), transcript),
      };
    } catch (error) {
      return null;
    } finally {
      this.x = null;  // a run finishes once
      this.mask = null;
    }
  }
}

// Each direction's key: HKDF of SPAKE2's key with the whole handshake in its info.
export function channelKeys(sharedKey, context, pageShare, pcShare) {
  const info = (label) => concatBytes(utf8ToBytes(label), new Uint8Array(1), context, pageShare, pcShare);
  return {
    pageToPc: hkdf(sha256, sharedKey, undefined, info('vork page to pc'), KEY_BYTES),
    pcToPage: hkdf(sha256, sharedKey, undefined, info('vork pc to page'), KEY_BYTES),
  };
}

// The size a message is padded to: room for its closing 0x80, rounded up to 48, then to 64s.
export function paddedLength(length) {
  const needed = length + 1;
  return needed <= SMALLEST_PADDED ? SMALLEST_PADDED : Math.ceil(needed / PADDING_STEP) * PADDING_STEP;
}

// The counter as GCM's 12-byte nonce: four zero bytes, then the counter, most significant byte first.
export function counterNonce(counter) {
  const nonce = new Uint8Array(12);
  let value = counter;
  for (let i = 11; i >= 4; i -= 1) {
    nonce[i] = value % 256;
    value = Math.floor(value / 256);
  }
  return nonce;
}

// One connection's two directions. A message that does not open (forged,
// replayed, out of order, padded wrongly) ends the connection: open() then returns null.
export class SealedChannel {
  constructor(sendKey, receiveKey) {
    this.sendKey = sendKey;
    this.receiveKey = receiveKey;
    this.sent = 0;
    this.received = 0;
  }

  seal(text) {
    const bytes = utf8ToBytes(text);
    const padded = new Uint8Array(paddedLength(bytes.length));
    padded.set(bytes);
    padded[bytes.length] = 0x80;
    const sealed = gcm(this.sendKey, counterNonce(this.sent)).encrypt(padded);
    this.sent += 1;
    return bytesToHex(sealed);
  }

  open(hex) {
    try {
      const plain = gcm(this.receiveKey, counterNonce(this.received)).decrypt(hexToBytes(hex));
      this.received += 1;
      let end = plain.length;
      while (end > 0 && plain[end - 1] === 0) end -= 1;
      if (end === 0 || plain[end - 1] !== 0x80) return null;
      return new TextDecoder().decode(plain.slice(0, end - 1));
    } catch (error) {
      return null;
    }
  }
}

// One handshake, from its first message to a sealed channel: pairing by the
// QR code's secret (hex) or the typed code, or a remembered browser's hello
// with its id, its key's number and its key (hex).
export class Handshake {
  constructor({ secret = null, code = null, id = '', number = 0, key = null }, x = undefined) {
    if (key) {
      this.mode = 'key';
      this.password = hexToBytes(key);
    } else if (secret) {
      this.mode = 'qr';
      this.password = hexToBytes(secret);
    } else {
      this.mode = 'code';
      this.password = utf8ToBytes(normaliseCode(code || ''));
    }
    this.id = key ? id : '';
    this.number = number;
    this.spake = new Spake2(linkPassword(this.mode, this.password), x);
  }

  first() {
    const share = bytesToHex(this.spake.share);
    return this.mode === 'key' ? `${TO_VORK.hello} ${this.id} ${this.number} ${share}`
      : `${TO_VORK.pair} ${this.mode} ${share}`;
  }

  // Vork's "share COUNTER SHARE MAC": the page's "confirm MAC" once Vork has
  // proved it holds the password, the channel then ready; null when it did not.
  answer(text) {
    const parts = text.split(' ');
    if (parts.length !== 4 || parts[0] !== TO_PAGE.share || !/^[1-9][0-9]*$/.test(parts[1])) return null;
    if (this.mode === 'key' && parts[1] !== String(this.number)) return null;
    let pcShare;
    try {
      pcShare = hexToBytes(parts[2]);
    } catch (error) {
      return null;
    }
    const context = handshakeContext(this.mode, this.id, parts[1]);
    const keys = this.spake.finish(pcShare, context);
    if (!keys || bytesToHex(keys.confirmationB) !== parts[3]) return null;
    const channel = channelKeys(keys.sharedKey, context, this.spake.share, pcShare);
    this.channel = new SealedChannel(channel.pageToPc, channel.pcToPage);
    return `${TO_VORK.confirm} ${bytesToHex(keys.confirmationA)}`;
  }
}
