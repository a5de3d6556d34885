// Vork's connect page: shows the address a phone opens (as a QR code and as
// text), switches the browser remote on and off, and forgets trusted phones.
// Vork serves it on 127.0.0.1 under a secret folder, so every URL here is
// relative to that folder. Names come from phones: they only ever go into
// textContent or attributes, never into markup.

//! qrcode-generator: Copyright (c) 2009 Kazuhiko Arase, MIT license
import qrcode from 'qrcode-generator';

const POLL_MS = 2000;
const REQUEST_TIMEOUT_MS = 5000;  // a hung Vork must not stop the polling
const NOTICE_MS = 10000;
const QUIET_ZONE = 4;             // modules of white around the code, as scanners expect
const QR_TARGET_PX = 340;         // drawn size; a whole number of pixels per module
const QR_MIN_PX = 300;
const SVG_NS = 'http://www.w3.org/2000/svg';

const DOWN = 'Vork is not running \u2013 start it and this page comes back by itself.';
// Vork refuses the folder of an earlier run (403 or 404): this page's secret is gone for good.
const STALE = 'This page belongs to an earlier start of Vork \u2013 open the connect page from Vork again.';

const STATE_TEXT = {
  listening: () => 'On \u2013 phones on this network can open the address below.',
  retrying: (port) => `Port ${port} is in use by another program \u2013 Vork keeps trying.`,
  busy: (port) => `Port ${port} cannot be used. Close the program that uses it, or choose another port in vork.toml.`,
  stopped: () => 'The browser remote stopped after an error. Switch it off and on again.',
  off: () => 'Off \u2013 no network port is open.',
};
const WARN_STATES = new Set(['retrying', 'busy', 'stopped']);
const LOCK_TEXT = {
  'command line': 'Set by the command line (--web).',
  'settings file': 'Set by the settings file ([web] in vork.toml).',
};
const KIND_TEXT = { browser: 'Browser', bluetooth: 'Bluetooth' };

const $ = (id) => document.getElementById(id);
const ui = {
  banner: $('banner'),
  notice: $('notice'),
  switch: $('remote-switch'),
  state: $('remote-state'),
  qrArea: $('qr-area'),
  qr: $('qr'),
  url: $('url'),
  codeArea: $('code-area'),
  code: $('code'),
  scanOff: $('scan-off'),
  scanNone: $('scan-none'),
  others: $('others'),
  otherList: $('other-list'),
  trustedTitle: $('trusted-title'),
  trustedNone: $('trusted-none'),
  table: $('trusted-table'),
  rows: $('trusted-rows'),
  forgetAll: $('forget-all'),
  warnings: $('warnings'),
};

let pollTimer = 0;
let latest = 0;          // number of the newest state request; older answers are dropped
let switching = 0;       // POSTs to remote on their way: polls must not flip the switch back meanwhile
let online = false;
let lockedBy = null;
let qrText = null;       // what the code on screen encodes
let othersKey = '';
const rows = new Map();  // trusted id -> its row's cells, button and latest entry

// Setting the same text again would still replace the node, losing a
// selection in it and making screen readers repeat it.
function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

async function request(path, body) {
  const controller = new AbortController();
  const timer = setTimeout(() => controller.abort(), REQUEST_TIMEOUT_MS);
  const init = { cache: 'no-store', credentials: 'same-origin', signal: controller.signal };
  if (body !== undefined) {
    init.method = 'POST';
    init.headers = { 'Content-Type': 'text/plain' };
    init.body = body;
  }
  try {
    return await fetch(path, init);
  } finally {
    clearTimeout(timer);
  }
}

function schedule() {
  clearTimeout(pollTimer);
  if (document.visibilityState === 'visible') pollTimer = setTimeout(refresh, POLL_MS);
}

async function refresh() {
  clearTimeout(pollTimer);
  const mine = ++latest;
  let state = null;
  let problem = DOWN;
  try {
    const reply = await request('state');
    if (reply.ok) state = await reply.json();
    else if (reply.status === 403 || reply.status === 404) problem = STALE;
  } catch (error) {
    // Refused, timed out or not JSON: all mean Vork is not there to ask.
  }
  if (mine !== latest) return;  // a newer request has taken over, and schedules the next
  if (state && typeof state === 'object') {
    setOnline(true);
    render(state);
  } else {
    setOnline(false, problem);
  }
  schedule();
}

function setOnline(isOnline, problem) {
  online = isOnline;
  setText(ui.banner, isOnline ? '' : problem);
  updateSwitchEnabled();
  for (const row of rows.values()) row.button.disabled = !isOnline;
  ui.forgetAll.disabled = !isOnline;
}

let noticeTimer = 0;
function notify(text) {
  clearTimeout(noticeTimer);
  setText(ui.notice, text);
  if (text) noticeTimer = setTimeout(() => setText(ui.notice, ''), NOTICE_MS);
}

// A POST that Vork refused for a reason the next state does not show.
function refused(reply) {
  notify(`Vork did not do that (it answered ${reply.status}). Try again.`);
}

async function post(path, body, accepted) {
  notify('');
  try {
    const reply = await request(path, body);
    if (!accepted.includes(reply.status)) refused(reply);
  } catch (error) {
    setOnline(false, DOWN);
  }
}

// --- Browser remote switch ---

function updateSwitchEnabled() {
  ui.switch.disabled = !online || lockedBy !== null;
}

function renderRemote(remote) {
  const on = remote.on === true;
  lockedBy = remote.lockedBy == null ? null : String(remote.lockedBy);
  if (switching === 0) ui.switch.checked = on;
  updateSwitchEnabled();

  const describe = STATE_TEXT[remote.state] || (on ? STATE_TEXT.listening : STATE_TEXT.off);
  let text = describe(remote.port);
  if (lockedBy !== null) text += ' ' + (LOCK_TEXT[lockedBy] || `Set by the ${lockedBy}.`);
  setText(ui.state, text);
  ui.state.classList.toggle('warn', WARN_STATES.has(remote.state));
}

// The switch stays enabled while its POST is on its way, so it keeps the
// keyboard focus; a second flip simply sends the newer wish.
ui.switch.addEventListener('change', async () => {
  switching += 1;
  try {
    // 409: locked meanwhile; the state read after it says by what.
    await post('remote', ui.switch.checked ? 'on' : 'off', [204, 409]);
  } finally {
    switching -= 1;
  }
  await refresh();
});

// --- QR code and addresses ---

function drawQr(text) {
  const qr = qrcode(0, 'M');
  qr.addData(text);
  qr.make();
  const count = qr.getModuleCount();
  const size = count + 2 * QUIET_ZONE;
  let scale = Math.floor(QR_TARGET_PX / size);
  if (size * scale < QR_MIN_PX) scale = Math.ceil(QR_MIN_PX / size);

  // One path of horizontal runs of dark modules: few nodes, no seams between them.
  let d = '';
  for (let r = 0; r < count; r += 1) {
    for (let c = 0; c < count; ) {
      if (!qr.isDark(r, c)) { c += 1; continue; }
      const start = c;
      while (c < count && qr.isDark(r, c)) c += 1;
      d += `M${start + QUIET_ZONE} ${r + QUIET_ZONE}h${c - start}v1h${start - c}z`;
    }
  }

  const svg = document.createElementNS(SVG_NS, 'svg');
  svg.setAttribute('viewBox', `0 0 ${size} ${size}`);
  svg.setAttribute('width', String(size * scale));
  svg.setAttribute('height', String(size * scale));
  svg.setAttribute('shape-rendering', 'crispEdges');
  svg.setAttribute('role', 'img');
  svg.setAttribute('aria-label', 'QR code of the address below');
  const back = document.createElementNS(SVG_NS, 'rect');
  back.setAttribute('width', String(size));
  back.setAttribute('height', String(size));
  back.setAttribute('fill', '#fff');
  const modules = document.createElementNS(SVG_NS, 'path');
  modules.setAttribute('d', d);
  modules.setAttribute('fill', '#000');
  svg.append(back, modules);
  ui.qr.textContent = '';
  ui.qr.append(svg);
  ui.qr.dataset.address = text;  // what the code holds, for whoever checks it
}

function showQr(text) {
  if (text === qrText) return;
  qrText = text;
  try {
    drawQr(text);
    ui.qr.hidden = false;
  } catch (error) {
    // Too long for any QR code: the address as text still works.
    ui.qr.textContent = '';
    ui.qr.hidden = true;
  }
  // The secret after '#' is for the camera; a reader types the code instead.
  setText(ui.url, text.split('#')[0]);
}

function renderOthers(networks) {
  const key = JSON.stringify(networks.map((n) => [n.name, n.url]));
  ui.others.hidden = networks.length === 0;
  if (key === othersKey) return;
  othersKey = key;
  const items = networks.map((network) => {
    const item = document.createElement('li');
    const name = document.createElement('span');
    name.className = 'net-name';
    name.textContent = String(network.name || 'Network');
    const url = document.createElement('span');
    url.className = 'net-url';
    url.textContent = String(network.url || '');
    item.append(name, url);
    return item;
  });
  ui.otherList.textContent = '';
  ui.otherList.append(...items);
}

function renderScan(remote, networks, pairing) {
  const on = remote.on === true;
  const primary = networks.find((n) => n.primary === true) || networks[0] || null;
  const pairingUrl = pairing && typeof pairing.url === 'string' && pairing.url ? pairing.url : null;
  const target = !on ? null : pairingUrl || (primary && primary.url ? String(primary.url) : null);

  ui.qrArea.hidden = target === null;
  ui.scanOff.hidden = on;
  ui.scanNone.hidden = !on || target !== null;
  if (target !== null) showQr(target);

  const code = pairingUrl && target === pairingUrl && pairing.code ? String(pairing.code) : '';
  ui.codeArea.hidden = code === '';
  setText(ui.code, code);

  renderOthers(on ? networks.filter((n) => n !== primary) : []);
}

// --- Trusted phones and browsers ---

function lastSeenText(seconds, nowSeconds) {
  if (!seconds) return 'never';
  const ago = Math.max(0, nowSeconds - seconds);
  if (ago < 60) return 'just now';
  if (ago < 3600) {
    const minutes = Math.floor(ago / 60);
    return minutes === 1 ? '1 minute ago' : `${minutes} minutes ago`;
  }
  if (ago < 86400) {
    const hours = Math.floor(ago / 3600);
    return hours === 1 ? '1 hour ago' : `${hours} hours ago`;
  }
  return new Date(seconds * 1000).toLocaleDateString();
}

function displayName(entry) {
  const name = entry.name == null ? '' : String(entry.name).trim();
  return name || 'Unnamed phone';
}

function makeRow(id) {
  const row = {
    tr: document.createElement('tr'),
    name: document.createElement('td'),
    nameText: document.createElement('span'),
    kindInline: document.createElement('span'),
    kind: document.createElement('td'),
    seen: document.createElement('td'),
    action: document.createElement('td'),
    button: document.createElement('button'),
    entry: null,
  };
  row.name.className = 'name';
  row.kind.className = 'kind';
  row.seen.className = 'seen';
  row.kindInline.className = 'kind-inline';
  row.button.type = 'button';
  row.button.className = 'button';
  row.button.textContent = 'Forget';
  row.button.addEventListener('click', () => forget(id, row));
  row.name.append(row.nameText, row.kindInline);
  row.action.append(row.button);
  row.tr.append(row.name, row.kind, row.seen, row.action);
  return row;
}

function renderTrusted(list) {
  const now = Date.now() / 1000;
  const wanted = new Set();
  const focusedTr = document.activeElement && document.activeElement.closest('#trusted-rows > tr');
  const focusedAt = focusedTr ? Array.prototype.indexOf.call(ui.rows.children, focusedTr) : -1;
  let cursor = ui.rows.firstChild;
  for (const entry of list) {
    if (!entry || entry.id == null) continue;
    const id = String(entry.id);
    if (wanted.has(id)) continue;
    wanted.add(id);
    let row = rows.get(id);
    if (!row) {
      row = makeRow(id);
      rows.set(id, row);
    }
    row.entry = entry;
    const name = displayName(entry);
    const kind = KIND_TEXT[entry.kind] || String(entry.kind || '');
    setText(row.nameText, name);
    setText(row.kind, kind);
    setText(row.kindInline, kind);
    // Where it was last seen: a browser's address, for comparing with one's own phones.
    const from = entry.lastAddress ? ` from ${String(entry.lastAddress)}` : '';
    setText(row.seen, lastSeenText(Number(entry.lastSeen) || 0, now) + from);
    row.button.setAttribute('aria-label', `Forget ${name}`);
    row.button.disabled = !online;
    // Move a row only when it is out of place: moving a focused button drops its focus.
    if (row.tr === cursor) cursor = cursor.nextSibling;
    else ui.rows.insertBefore(row.tr, cursor);
  }

  // Rows that are gone. A keyboard user whose row went keeps the focus in
  // the list: on the row that took its place, else on the list's heading.
  for (const [id, row] of rows) {
    if (wanted.has(id)) continue;
    row.tr.remove();
    rows.delete(id);
  }
  if (focusedTr && !focusedTr.isConnected) {
    const near = ui.rows.children[Math.min(focusedAt, ui.rows.children.length - 1)];
    if (near) near.querySelector('button').focus();
    else ui.trustedTitle.focus();
  }

  const empty = rows.size === 0;
  ui.table.hidden = empty;
  ui.trustedNone.hidden = !empty;
  ui.forgetAll.hidden = empty;
}

async function forget(id, row) {
  const name = row.entry ? displayName(row.entry) : 'this phone';
  if (!window.confirm(`Forget ${name}? It will have to be accepted again.`)) return;
  await post('forget', id, [204, 404]);  // 404: already gone, as wanted
  await refresh();
}

ui.forgetAll.addEventListener('click', async () => {
  if (!window.confirm('Forget all trusted phones and browsers? Each will have to be accepted again.')) return;
  await post('forget-all', '', [204]);
  await refresh();
  if (ui.forgetAll.hidden) ui.trustedTitle.focus();
});

// A copy of a browser's key was caught: said until the page is closed.
function renderWarnings(list) {
  const texts = list.filter((text) => typeof text === 'string' && text);
  const shown = [...ui.warnings.children].map((item) => item.textContent);
  if (shown.join('\n') !== texts.join('\n')) {
    ui.warnings.replaceChildren(...texts.map((text) => {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    }));
  }
  ui.warnings.hidden = texts.length === 0;
}

// --- The whole state ---

function render(state) {
  const remote = state.remote && typeof state.remote === 'object' ? state.remote : {};
  const networks = Array.isArray(state.networks) ? state.networks.filter((n) => n && typeof n === 'object') : [];
  const trusted = Array.isArray(state.trusted) ? state.trusted : [];
  const pairing = state.pairing && typeof state.pairing === 'object' ? state.pairing : null;
  renderRemote(remote);
  renderScan(remote, networks, pairing);
  renderTrusted(trusted);
  renderWarnings(Array.isArray(state.warnings) ? state.warnings : []);
}

document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'visible') refresh();
  else clearTimeout(pollTimer);
});

refresh();
