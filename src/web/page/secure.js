// The page's side of Vork's browser link (web_session.h in Vork says the
// messages): the handshake in which each side proves it holds the shared
// secret without sending it, the connection's keys, and sealing with
// AES-256-GCM under a counter. Only the audited @noble libraries compose it,
// as the standards give it; crypto.getRandomValues is all it needs of the
// browser, which offers nothing more to a page on plain HTTP.
import { gcm } from '@noble/ciphers/aes.js';
import { hkdf } from '@noble/hashes/hkdf.js';
import { hmac } from '@noble/hashes/hmac.js';
import { pbkdf2Async } from '@noble/hashes/pbkdf2.js';
import { sha256 } from '@noble/hashes/sha2.js';
import { bytesToHex, concatBytes, hexToBytes, randomBytes, utf8ToBytes } from '@noble/hashes/utils.js';

export const NONCE_BYTES = 16;
export const CODE_ITERATIONS = 200000;
const KEY_BYTES = 32;

export { bytesToHex, hexToBytes };

export function newNonce() {
  return randomBytes(NONCE_BYTES);
}

// The typed code as Vork compares it: capitals, without spaces or dashes.
export function normaliseCode(typed) {
  return typed.replace(/[\s-]/g, '').toUpperCase();
}

// "challenge PCNONCE [SALT]": Vork's nonce, and while pairing the offer's salt.
export function parseChallenge(text) {
  const parts = text.split(' ');
  if (parts[0] !== 'challenge' || parts.length < 2 || parts.length > 3) return null;
  try {
    const pcNonce = hexToBytes(parts[1]);
    const salt = parts.length === 3 ? hexToBytes(parts[2]) : null;
    if (pcNonce.length !== NONCE_BYTES) return null;
    return { pcNonce, salt };
  } catch (error) {
    return null;
  }
}

// The shared secret of a pairing: from the QR code's secret, or from the typed code.
export function qrKey(secretHex, salt) {
  return hkdf(sha256, hexToBytes(secretHex), salt, utf8ToBytes('vork pairing qr'), KEY_BYTES);
}
export function codeKey(code, salt, iterations = CODE_ITERATIONS) {
  // Async: the page keeps painting while it works.
  return pbkdf2Async(sha256, utf8ToBytes(normaliseCode(code)), salt, { c: iterations, dkLen: KEY_BYTES });
}

// HMAC(secret, "vork-" side, the page's nonce, Vork's nonce, the browser's id).
export function proof(secret, side, pageNonce, pcNonce, id) {
  return hmac(sha256, secret, concatBytes(utf8ToBytes(`vork-${side}`), pageNonce, pcNonce, utf8ToBytes(id)));
}

export function channelKeys(secret, pageNonce, pcNonce) {
  const salt = concatBytes(pageNonce, pcNonce);
  return {
    pageToPc: hkdf(sha256, secret, salt, utf8ToBytes('vork page to pc'), KEY_BYTES),
    pcToPage: hkdf(sha256, secret, salt, utf8ToBytes('vork pc to page'), KEY_BYTES),
  };
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
// replayed, out of order) ends the connection: open() then returns null.
export class SealedChannel {
  constructor(sendKey, receiveKey) {
    this.sendKey = sendKey;
    this.receiveKey = receiveKey;
    this.sent = 0;
    this.received = 0;
  }

  seal(text) {
    const sealed = gcm(this.sendKey, counterNonce(this.sent)).encrypt(utf8ToBytes(text));
    this.sent += 1;
    return bytesToHex(sealed);
  }

  open(hex) {
    try {
      const plain = gcm(this.receiveKey, counterNonce(this.received)).decrypt(hexToBytes(hex));
      this.received += 1;
      return new TextDecoder().decode(plain);
    } catch (error) {
      return null;
    }
  }
}

// One handshake, from its first message to a sealed channel.
export class Handshake {
  // secret: the browser's key (hello), or a function of the offer's salt
  // that resolves to the pairing's shared secret (pair).
  constructor({ id = '', key = null, pairingSecret = null }) {
    this.id = id;
    this.key = key;
    this.pairingSecret = pairingSecret;
    this.pageNonce = newNonce();
  }

  first() {
    return this.key ? `hello ${this.id} ${bytesToHex(this.pageNonce)}` : `pair ${bytesToHex(this.pageNonce)}`;
  }

  // The answer to Vork's challenge; null when it is not one.
  async answer(challengeText) {
    const challenge = parseChallenge(challengeText);
    if (!challenge || (!this.key && !challenge.salt)) return null;
    this.pcNonce = challenge.pcNonce;
    this.secret = this.key || (await this.pairingSecret(challenge.salt));
    return `answer ${bytesToHex(proof(this.secret, 'page', this.pageNonce, this.pcNonce, this.id))}`;
  }

  // The sealed channel once Vork proved it holds the secret too; null when it did not.
  verified(text) {
    if (!this.secret) return null;  // nothing was answered yet
    const expected = `verified ${bytesToHex(proof(this.secret, 'pc', this.pageNonce, this.pcNonce, this.id))}`;
    if (text !== expected) return null;
    const keys = channelKeys(this.secret, this.pageNonce, this.pcNonce);
    return new SealedChannel(keys.pageToPc, keys.pcToPage);
  }
}
