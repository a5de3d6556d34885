// The page's link to Vork: which secret it pairs with or which key it comes
// back with, the WebSocket, the handshake (secure.js) and the sealed
// messages, retrying while Vork cannot be reached. What it shows goes to a
// view, so node can drive it with a socket and storage of its own.
//   view: state(text, tone), login(text, tone), remote(), linkUp(up),
//         labels(message), nowPlaying(message: playing, art or players),
//         error(message), pairButton(seconds: 0 free, -1 held)
import { TO_PAGE, TO_VORK } from './protocol.js';
import { Handshake } from './secure.js';

const ID_KEY = 'vork.id';
const SECRET_KEY = 'vork.key';
const NUMBER_KEY = 'vork.keynumber';   // which of Vork's keys this is (a browser paired before numbers had 1)
const FORGET_KEY = 'vork.forget';      // Forget was pressed while Vork could not be reached
const RETRY_MS = [1000, 2000, 5000];
const OPEN = 1;                        // WebSocket.OPEN
const FORGET = `${TO_VORK.key} U:X`;   // Vork's command to forget this browser

export class PageLink {
  // connect(): a WebSocket to Vork; scalar: the page's SPAKE2 scalar, fixed only in tests.
  constructor({ storage, connect, view, timers = globalThis, scalar = undefined }) {
    Object.assign(this, { storage, connect, view, timers, scalar });
    this.socket = null;
    this.handshake = null;     // under way on this socket
    this.channel = null;       // sealed, once Vork proved itself
    this.pairing = null;       // {secret} from the QR code, or {code} typed; the name with it
    this.paired = false;
    this.retries = 0;
    this.retryTimer = 0;
    this.answered = false;     // Vork said why it closes this socket: no retry of our own
  }

  get remembered() { return Boolean(this.storage.getItem(ID_KEY) && this.storage.getItem(SECRET_KEY)); }

  // Pairs with what the QR code or the typed code gives, under `name`.
  pairWith(offer, name) {
    this.pairing = { ...offer, name };
    if (this.socket) this.socket.close();
    this.socket = null;
    this.open();
  }

  // Everything after the handshake is sealed; nothing is sent before.
  send(text) {
    if (this.channel && this.socket && this.socket.readyState === OPEN) this.socket.send(this.channel.seal(text));
  }

  // Forget waits for Vork's sealed answer; while Vork cannot be reached the
  // key stays and Forget is asked again at each connection.
  forget() {
    this.storage.setItem(FORGET_KEY, '1');
    if (this.channel && this.socket && this.socket.readyState === OPEN) {
      this.send(FORGET);
      this.view.state('Forgetting\u2026');
    } else {
      // The retries already under way take it there.
      this.view.state('The PC will forget this phone when it next reaches it', 'bad');
    }
  }

  open() {
    this.timers.clearTimeout(this.retryTimer);
    if (this.socket) return;
    const id = this.storage.getItem(ID_KEY);
    const key = this.storage.getItem(SECRET_KEY);
    if (!this.pairing && !(id && key)) {
      this.showLogin('Not paired');
      return;
    }
    this.view.state(this.paired ? 'Reconnecting\u2026' : (this.pairing ? 'Pairing\u2026' : 'Connecting\u2026'));
    this.view.linkUp(false);
    const own = this.connect();
    this.socket = own;
    this.channel = null;
    this.answered = false;
    const offer = this.pairing && (this.pairing.secret ? { secret: this.pairing.secret } : { code: this.pairing.code });
    this.handshake = offer ? new Handshake(offer, this.scalar)
      : new Handshake({ id, number: Number(this.storage.getItem(NUMBER_KEY) || '1'), key }, this.scalar);
    if (this.pairing) this.view.pairButton(-1);
    // A socket that a newer one replaced (Pair pressed while it was still
    // closing) is heard no more: it must not end or answer the new one's handshake.
    own.onopen = () => {
      if (this.socket !== own) return;
      this.retries = 0;
      own.send(this.handshake.first());
      this.handshake.spake.prepare();
    };
    own.onmessage = (event) => {
      if (this.socket === own) this.receive(own, String(event.data));
    };
    own.onclose = () => this.closed(own);
  }

  closed(own) {
    if (this.socket !== own) return;
    this.socket = null;
    this.channel = null;
    this.view.linkUp(false);
    if (this.pairing) {
      this.view.pairButton(0);
      this.pairing = null;
      if (!this.answered) this.showLogin('The pairing did not finish: try again', 'bad');
      return;
    }
    if (this.answered || !this.remembered) return;  // nothing to come back to
    // Vork has gone (closed, or the PC left the network): try again by itself.
    this.view.state('Vork is not reachable \u2013 retrying\u2026', 'bad');
    this.retryTimer = this.timers.setTimeout(() => this.open(), RETRY_MS[Math.min(this.retries++, RETRY_MS.length - 1)]);
  }

  receive(own, text) {
    if (this.channel) {
      const message = this.channel.open(text);
      if (message === null) own.close();  // not from Vork's side of this channel
      else this.sealed(message);
      return;
    }
    const [word, rest] = text.split(' ', 2);
    if (word === TO_PAGE.share) {
      const confirm = this.handshake.answer(text);
      if (confirm) {
        own.send(confirm);
        this.channel = this.handshake.channel;
        if (this.pairing) this.send(`${TO_VORK.name} ${this.pairing.name}`);
        return;
      }
    }
    const wasPairing = Boolean(this.pairing);
    this.pairing = null;
    this.answered = true;
    this.view.pairButton(0);
    if (word === TO_PAGE.share) {
      // Not the Vork it was paired with, or not the code on the PC.
      this.showLogin(wasPairing ? 'That did not pair: check the code on the PC and try again'
        : 'This is not the Vork it was paired with', 'bad');
      own.close();
    } else if (word === TO_PAGE.wait) {
      // Too many tries from this address: Vork says how long to wait. The key stays.
      const seconds = Math.max(1, Number(rest) || 5);
      if (wasPairing) {
        this.showLogin(`Vork asks this phone to wait ${seconds} s before it tries again`, 'bad');
        this.view.pairButton(seconds);
      } else {
        this.view.state(`Vork asks this phone to wait ${seconds} s\u2026`, 'bad');
        this.timers.clearTimeout(this.retryTimer);
        this.retryTimer = this.timers.setTimeout(() => this.open(), seconds * 1000);
      }
    } else if (word === TO_PAGE.nooffer) {
      this.showLogin('Open Vork\u2019s Connect page on the PC first, then try again', 'bad');
    } else if (wasPairing) {
      this.showLogin('That did not pair: check the code on the PC and try again', 'bad');
    } else {
      // Forgotten on the PC, or never paired. The key is kept: only Vork's sealed
      // "forgotten" or a new pairing replaces it, and a plain word could be anyone's.
      this.showLogin('Vork does not know this browser; pair it again');
    }
  }

  sealed(message) {
    const [word, first, second, third] = message.split(' ');
    switch (word) {
      case TO_PAGE.paired:
        this.store(first, second, third);
        this.storage.removeItem(FORGET_KEY);
        this.pairing = null;
        this.view.pairButton(0);
        break;
      case TO_PAGE.rekey:
        // Kept before it is acknowledged: Vork keeps the old key until it hears this.
        this.store(this.handshake.id, first, second);
        this.send(`${TO_VORK.rekeyed} ${first}`);
        break;
      case TO_PAGE.connected:
        this.paired = true;
        this.view.remote();
        if (this.storage.getItem(FORGET_KEY)) this.send(FORGET);
        break;
      case TO_PAGE.forgotten:
        for (const item of [ID_KEY, SECRET_KEY, NUMBER_KEY, FORGET_KEY]) this.storage.removeItem(item);
        this.answered = true;
        if (this.socket) this.socket.close();
        this.view.labels(`${TO_PAGE.labels} `);
        this.showLogin('Forgotten: pair again with the code on the PC');
        break;
      case TO_PAGE.labels: this.view.labels(message); break;
      case TO_PAGE.playing:
      case TO_PAGE.art:
      case TO_PAGE.players: this.view.nowPlaying(message); break;
      case TO_PAGE.error: this.view.error(message); break;
      default: break;
    }
  }

  store(id, number, key) {
    this.storage.setItem(ID_KEY, id);
    this.storage.setItem(NUMBER_KEY, number);
    this.storage.setItem(SECRET_KEY, key);
  }

  showLogin(text, tone) {
    this.paired = false;
    this.view.login(text, tone);
  }
}
